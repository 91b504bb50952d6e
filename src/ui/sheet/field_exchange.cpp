#include "ui/sheet/field_exchange.h"

#include <QLabel>
#include <QSizePolicy>

#include <algorithm>
#include <optional>

#include <QLineEdit>

#include "ui/frame/messages.h"
#include "suite/whole_number.h"

namespace oc_ui {

namespace {

// The framework's data-exchange boxes carry its own help, not ours.
constexpr int kNoHelpContext = 0;

}  // namespace

QString integer_message() { return QStringLiteral("Please enter an integer."); }

QString integer_range_message(std::int64_t low, std::int64_t high) {
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(low).arg(high);
}

bool parse_whole_number(const QString& text, std::int64_t type_min, std::int64_t type_max, std::int64_t& value) {
    QString trimmed = text.trimmed();
    if (trimmed.startsWith(u'+')) {
        trimmed.remove(0, 1);
        if (trimmed.startsWith(u'-')) return false;  // one sign at most
    }
    // "-0" is a number even of a type without negatives.
    const std::optional<std::int64_t> number =
        oc::parse_whole(trimmed.toStdString(), std::min<std::int64_t>(type_min, -1), type_max);
    if (!number || *number < type_min) return false;
    value = *number;
    return true;
}

QLabel* make_label(QWidget* parent, const char* name, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    if (buddy) label->setBuddy(buddy);
    return label;
}

void keep_place_when_hidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

void refuse_field(QLineEdit& field, const QString& message) {
    show_text(message, box_style::exclamation, kNoHelpContext);
    field.setFocus(Qt::OtherFocusReason);
    field.selectAll();
}

bool exchange_number(QLineEdit& field, std::int64_t type_min, std::int64_t type_max, std::int64_t& value) {
    if (parse_whole_number(field.text(), type_min, type_max, value)) return true;
    refuse_field(field, integer_message());
    return false;
}

bool validate_range(QLineEdit& field, std::int64_t value, std::int64_t low, std::int64_t high) {
    if (value >= low && value <= high) return true;
    refuse_field(field, integer_range_message(low, high));
    return false;
}

}  // namespace oc_ui
