#include "ui/sheet/qcode_filter_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>

#include "ui/frame/dialog_units.h"
#include "ui/frame/report_list.h"
#include "ui/sheet/field_exchange.h"
#include "ui/sheet/question_list.h"
#include "ui/images/status_images.h"

namespace oc_ui {

namespace {

action_mark mark_of(int action) {
    switch (static_cast<oc::coding_action>(action)) {
    case oc::action_replace: return action_mark::replace;
    case oc::action_append: return action_mark::append;
    case oc::action_not_coded: break;
    }
    return action_mark::none_yet;
}

}  // namespace

CQCodeFilterPage::CQCodeFilterPage(const QStringList& names, const QList<quint16>& types, QWidget* parent)
    : property_page(QStringLiteral("Questions"), parent), names_(names), types_(types), m_specs(names.size()) {
    setObjectName(QStringLiteral("qcodeFilterPage"));
    list_ = make_question_list(this, QStringLiteral("questionList"), dialog_units(*this, 150, 0).width(), names, types,
                               action_icon(action_mark::none_yet));
    list_->setFocusPolicy(Qt::StrongFocus);

    action_ = new QComboBox(this);
    action_->setObjectName(QStringLiteral("actionCombo"));
    action_->addItems({QStringLiteral("Not Coded"), QStringLiteral("Replace"), QStringLiteral("Append")});
    codes_ = new QLineEdit(this);
    codes_->setObjectName(QStringLiteral("numberOfCodesEdit"));
    width_ = new QLineEdit(this);
    width_->setObjectName(QStringLiteral("codeWidthEdit"));
    const int edit_width = dialog_units(*this, 30, 0).width();
    codes_->setFixedWidth(edit_width);
    width_->setFixedWidth(edit_width);
    codes_label_ = make_label(this, "numberOfCodesLabel", QStringLiteral("&Number of Codes"), codes_);
    width_label_ = make_label(this, "codeWidthLabel", QStringLiteral("Code &Width"), width_);
    question_label_ = make_label(this, "questionNameLabel", QStringLiteral("Label"), nullptr);
    for (QWidget* widget : {static_cast<QWidget*>(codes_label_), static_cast<QWidget*>(codes_),
                            static_cast<QWidget*>(width_label_), static_cast<QWidget*>(width_)})
        keep_place_when_hidden(widget);

    auto* fields = new QGridLayout;
    fields->addWidget(make_label(this, "codingActionLabel", QStringLiteral("&Coding Action"), action_), 0, 0);
    fields->addWidget(action_, 0, 1);
    fields->addWidget(codes_label_, 1, 0);
    fields->addWidget(codes_, 1, 1, Qt::AlignLeft);
    fields->addWidget(width_label_, 2, 0);
    fields->addWidget(width_, 2, 1, Qt::AlignLeft);
    fields->addWidget(make_label(this, "questionLabelCaption", QStringLiteral("Question Label:"), nullptr), 3, 0);
    fields->addWidget(question_label_, 3, 1);
    fields->setRowStretch(4, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_, 0, Qt::AlignTop);
    layout->addLayout(fields);
    setTabOrder(list_, action_);
    setTabOrder(action_, codes_);
    setTabOrder(codes_, width_);

    connect(action_, &QComboBox::currentIndexChanged, this, &CQCodeFilterPage::apply_action_rule);
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { current_changed(current.row()); });
    // The question shown stays selected: a click on the empty part of the
    // list must not leave the fields without a selected question.
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!reverting_ && list_->selectedItems().isEmpty()) reselect(deferred_ >= 0 ? deferred_ : m_nCurrent);
    });

    if (!names_.isEmpty()) {
        reselect(0);
        load_question(0);
    }
    codes_label_->hide();
    codes_->hide();
    codes_->setEnabled(false);
    width_label_->hide();
    width_->hide();
    width_->setEnabled(false);
}

void CQCodeFilterPage::OnInitDialog() { list_->setFocus(Qt::OtherFocusReason); }

bool CQCodeFilterPage::any_action() const {
    return std::any_of(m_specs.begin(), m_specs.end(),
                       [](const oc::CQCodeSpec& spec) { return spec.action != oc::action_not_coded; });
}

bool CQCodeFilterPage::store_current() {
    if (m_nCurrent < 0 || m_nCurrent >= m_specs.size()) return true;
    const int action = action_->currentIndex();
    const bool type_zero = m_nCurrent < types_.size() && types_[m_nCurrent] == 0;
    std::int64_t width = 0, codes = 0;
    if (!exchange_number(*width_, INT32_MIN, INT32_MAX, width)) return false;
    const oc::value_range widths = oc::code_width_range(static_cast<oc::coding_action>(action), type_zero ? 0 : 1);
    if (action > oc::action_not_coded && !validate_range(*width_, width, widths.low, widths.high)) return false;
    // Number of Codes is read even while hidden; only Append bounds it.
    if (!exchange_number(*codes_, INT32_MIN, INT32_MAX, codes)) return false;
    if (action >= oc::action_append && !validate_range(*codes_, codes, oc::kCodeCountRange.low, oc::kCodeCountRange.high))
        return false;
    m_specs[m_nCurrent] = {static_cast<std::uint8_t>(action), static_cast<std::uint8_t>(codes),
                           static_cast<std::uint8_t>(width)};
    return true;
}

void CQCodeFilterPage::load_question(int row) {
    const oc::CQCodeSpec spec = m_specs[row];
    m_nCurrent = row;
    {
        const QSignalBlocker quiet(action_);
        action_->setCurrentIndex(spec.action);
    }
    width_->setText(QString::number(spec.code_width));
    codes_->setText(QString::number(spec.num_codes));
    question_label_->setText(names_[row]);
    apply_action_rule();
}

void CQCodeFilterPage::apply_action_rule() {
    if (m_nCurrent < 0 || m_nCurrent >= m_specs.size()) return;
    const int action = std::max(0, action_->currentIndex());
    // The spec takes the action at once, before the fields are validated.
    m_specs[m_nCurrent].action = static_cast<std::uint8_t>(action);
    const bool append = action == oc::action_append;
    const bool coded = action != oc::action_not_coded;
    action_->setEnabled(true);
    codes_label_->setVisible(append);
    codes_->setVisible(append);
    codes_->setEnabled(append);
    width_label_->setVisible(coded);
    width_->setVisible(coded);
    width_->setEnabled(coded);
    if (QTreeWidgetItem* item = list_->topLevelItem(m_nCurrent)) item->setIcon(0, action_icon(mark_of(action)));
}

void CQCodeFilterPage::current_changed(int row) {
    if (reverting_ || row < 0) return;
    deferred_ = row;
    if (pending_) return;
    // Validate once the list has finished its own selection work; the
    // fields still show the question being left.
    pending_ = true;
    QTimer::singleShot(0, this, [this] { validate_pending(); });
}

bool CQCodeFilterPage::validate_pending() {
    if (!pending_) return true;  // leaving the page did it already
    pending_ = false;
    const int target = deferred_;
    deferred_ = -1;
    if (!store_current()) {
        QWidget* failing = focusWidget();
        reselect(m_nCurrent);
        if (failing) failing->setFocus(Qt::OtherFocusReason);
        return false;
    }
    if (target >= 0 && target != m_nCurrent) load_question(target);
    return true;
}

void CQCodeFilterPage::reselect(int row) {
    reverting_ = true;
    select_report_row(*list_, row);
    reverting_ = false;
}

bool CQCodeFilterPage::OnKillActive() {
    // A move between questions still waiting is settled first; the question
    // it shows has just been loaded from its stored values.
    if (pending_) return validate_pending();
    return store_current();
}

}  // namespace oc_ui
