#include "ui/sheet/field_exchange.h"

#include <QLineEdit>

#include "ui/frame/messages.h"

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
    const QString trimmed = text.trimmed();
    qsizetype at = 0;
    bool negative = false;
    if (at < trimmed.size() && (trimmed[at] == u'-' || trimmed[at] == u'+')) negative = trimmed[at++] == u'-';
    if (at == trimmed.size()) return false;
    std::int64_t magnitude = 0;
    for (; at < trimmed.size(); ++at) {
        const char16_t c = trimmed[at].unicode();
        if (c < u'0' || c > u'9') return false;
        magnitude = magnitude * 10 + (c - u'0');
        // Anything past the type's range is no number of that type.
        if (magnitude > type_max + std::int64_t(negative)) return false;
    }
    const std::int64_t number = negative ? -magnitude : magnitude;
    if (number < type_min || number > type_max) return false;
    value = number;
    return true;
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
