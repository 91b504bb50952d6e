#include "ui/widgets/code_boxes.h"

#include <QStringList>

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <memory>

#include "ui/frame/dialog_units.h"
#include "ui/frame/messages.h"
#include "ui/tools/default_font.h"
#include "ui/widgets/elided_label.h"
#include "ui/widgets/frame_panel.h"

namespace oc_ui {

namespace {

// Up to ten boxes a column, so that each has room for its code's label.
constexpr int kBoxesPerColumn = 10;
constexpr int kMaxCodeValue = 9999;
constexpr int kMaxBoxes = 30;
constexpr int kBoxWidth = 25, kBoxHeight = 13;  // dialog units

bool is_digit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

}  // namespace

code_boxes::code_boxes(int max_codes, int code_width, QWidget* parent)
    : QWidget(parent), width_(std::clamp(code_width, 1, 4)) {
    setObjectName(QStringLiteral("codeBoxes"));
    std::unique_ptr<QFont> font(GetDefaultFont(0, nullptr));
    const int count = std::clamp(max_codes, 0, kMaxBoxes);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    const int columns = std::max(1, (count + kBoxesPerColumn - 1) / kBoxesPerColumn);
    const int rows = std::max(1, (count + columns - 1) / columns);
    const QSize box_size = dialog_units(*this, kBoxWidth, kBoxHeight);
    for (int n = 1; n <= count; ++n) {
        const int column = (n - 1) / rows, row = (n - 1) % rows;
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("codeBox%1").arg(n));
        box->setFixedSize(box_size);
        box->setMaxLength(width_);
        if (font) box->setFont(*font);
        auto* label = new QLabel(QStringLiteral("%1:").arg(n), this);
        label->setObjectName(QStringLiteral("codeLabel%1").arg(n));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setBuddy(box);
        auto* meaning = new elided_label(this);
        meaning->setObjectName(QStringLiteral("codeMeaning%1").arg(n));
        grid->addWidget(label, row, 3 * column);
        grid->addWidget(box, row, 3 * column + 1);
        grid->addWidget(meaning, row, 3 * column + 2);
        grid->setColumnStretch(3 * column + 2, 1);
        const int slot = n - 1;
        connect(box, &QLineEdit::textChanged, this, [this, slot] { judge(slot); });
        if (!boxes_.isEmpty()) setTabOrder(boxes_.back(), box);
        boxes_.append(box);
        meanings_.append(meaning);
    }
}

void code_boxes::attach(frame_panel& panel) {
    panel_ = &panel;
    connect(&panel, &frame_panel::code_chosen, this, &code_boxes::put_code);
    connect(&panel, &frame_panel::left, this, &code_boxes::focus_empty);
    connect(&panel, &frame_panel::frame_changed, this, [this] {
        for (int i = 0; i < boxes_.size(); ++i) show_meaning(i);
    });
    for (int i = 0; i < boxes_.size(); ++i) show_meaning(i);
}

std::vector<std::int16_t> code_boxes::codes() const {
    std::vector<std::int16_t> codes;
    for (const QLineEdit* box : boxes_) {
        // A box holds digits only, judged on every change.
        const int value = box->text().trimmed().toInt();
        if (value >= 1 && value <= kMaxCodeValue) codes.push_back(static_cast<std::int16_t>(value));
    }
    return codes;
}

void code_boxes::set_codes(const std::vector<std::int16_t>& codes) {
    for (int i = 0; i < boxes_.size(); ++i) {
        const auto at = static_cast<std::size_t>(i);
        boxes_[i]->setText(at < codes.size() ? QString::number(codes[at]) : QString());
    }
}

// As the coding dialog judges a box: digits only (leading spaces allowed),
// 1..9999; a box that ends up refused is emptied with a beep.
QString codes_text(const std::vector<std::int16_t>& codes) {
    QStringList numbers;
    for (std::int16_t code : codes) numbers.append(QString::number(code));
    return numbers.join(QStringLiteral(", "));
}

code_text judge_code_text(const QString& text) {
    if (text.isEmpty()) return {};
    qsizetype start = 0;
    while (start < text.size() && text[start] == QLatin1Char(' ')) ++start;
    const QString digits = text.mid(start);
    if (!digits.isEmpty() && std::all_of(digits.begin(), digits.end(), is_digit)) {
        // Leading zeros aside, more than four digits is always too large.
        qsizetype first = 0;
        while (first + 1 < digits.size() && digits[first] == QLatin1Char('0')) ++first;
        const int value = digits.size() - first <= 4 ? digits.mid(first).toInt() : kMaxCodeValue + 1;
        if (value >= 1 && value <= kMaxCodeValue) return {code_text::code, value, {}};
        return {code_text::out_of_range, 0, {}};
    }
    QString kept;
    for (QChar c : text)
        if (is_digit(c)) kept.append(c);
    return {code_text::not_digits, 0, kept};
}

code_text mend_code_box(QLineEdit& box) {
    const code_text judged = judge_code_text(box.text());
    if (judged.what == code_text::out_of_range) {
        box.clear();
        beep();
    } else if (judged.what == code_text::not_digits) {
        beep();
        box.setText(judged.digits);
    }
    return judged;
}

void code_boxes::judge(int slot) {
    mend_code_box(*boxes_[slot]);
    show_meaning(slot);
}

void code_boxes::show_meaning(int slot) {
    const int code = boxes_[slot]->text().trimmed().toInt();
    // Without a frame for the question there is nothing to say of any code.
    if (code < 1 || !panel_ || !panel_->has_codes()) {
        meanings_[slot]->set_full_text(QString());
        return;
    }
    const QString* label = panel_->label_of(code);
    meanings_[slot]->set_full_text(label ? *label : QStringLiteral("(not in the code frame)"));
}

void code_boxes::put_code(int code) {
    const auto end = boxes_.end();
    const auto empty = std::find_if(boxes_.begin(), end, [](const QLineEdit* box) { return box->text().isEmpty(); });
    // As typing it would be: more digits than the width, or no room, is refused.
    if (QString::number(code).size() > width_ || empty == end) {
        beep();
        return;
    }
    (*empty)->setText(QString::number(code));
    const auto next = std::find_if(empty + 1, end, [](const QLineEdit* box) { return box->text().isEmpty(); });
    (next != end ? *next : *empty)->setFocus(Qt::OtherFocusReason);
}

void code_boxes::focus_empty() {
    if (boxes_.isEmpty()) return;
    const auto empty =
        std::find_if(boxes_.begin(), boxes_.end(), [](const QLineEdit* box) { return box->text().isEmpty(); });
    (empty != boxes_.end() ? *empty : boxes_[0])->setFocus(Qt::OtherFocusReason);
}

void code_boxes::focus_first() {
    if (boxes_.isEmpty()) return;
    boxes_[0]->setFocus(Qt::OtherFocusReason);
    boxes_[0]->selectAll();
}

}  // namespace oc_ui
