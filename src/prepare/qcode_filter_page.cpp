#include "prepare/qcode_filter_page.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

#include "frame/messages.h"
#include "frame/report_list.h"
#include "resources/status_images.h"
#include "resources/string_table.h"
#include "suite/data_library.h"
#include "suite/tools/default_font.h"

namespace oc_ui {

namespace {

action_mark mark_of(int action) {
    return action == oc::action_replace ? action_mark::replace
           : action == oc::action_append ? action_mark::append
                                         : action_mark::none_yet;
}

// The whole number in `field` within [low, high]; otherwise says so, puts
// the focus in the field (its text kept) and gives false.
bool read_bounded(QLineEdit& field, int low, int high, bool check, int& value) {
    bool ok = false;
    value = field.text().trimmed().toInt(&ok);
    if (!ok) {
        show_text(QStringLiteral("Please enter an integer."), box_style::exclamation);
    } else if (check && (value < low || value > high)) {
        show_text(QStringLiteral("Please enter an integer between %1 and %2.").arg(low).arg(high),
                  box_style::exclamation);
        ok = false;
    }
    if (!ok) {
        field.setFocus();
        field.selectAll();
    }
    return ok;
}

}  // namespace

CQCodeFilterPage::CQCodeFilterPage(const QStringList& names, const QList<quint16>& types, QWidget* parent)
    : property_page(QStringLiteral("Questions"), parent), names_(names), types_(types), m_specs(names.size()) {
    setObjectName(QStringLiteral("qcodeFilterPage"));
    std::unique_ptr<QFont> font(GetDefaultFont(0, nullptr));
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("questionList"));
    list_->setRootIsDecorated(false);
    list_->setIconSize(QSize(kSmallImageSize, kSmallImageSize));
    list_->header()->setSectionsClickable(false);
    list_->setMinimumSize(260, 160);
    if (font) list_->setFont(*font);

    action_ = new QComboBox(this);
    action_->setObjectName(QStringLiteral("actionCombo"));
    action_->addItems({QStringLiteral("Not Coded"), QStringLiteral("Replace"), QStringLiteral("Append")});
    codes_label_ = new QLabel(QStringLiteral("&Number of Codes"), this);
    codes_ = new QLineEdit(QStringLiteral("0"), this);
    codes_->setObjectName(QStringLiteral("numberOfCodesEdit"));
    codes_label_->setBuddy(codes_);
    width_label_ = new QLabel(QStringLiteral("Code &Width"), this);
    width_ = new QLineEdit(QStringLiteral("0"), this);
    width_->setObjectName(QStringLiteral("codeWidthEdit"));
    width_label_->setBuddy(width_);
    question_label_ = new QLabel(this);
    question_label_->setObjectName(QStringLiteral("questionLabel"));
    auto* action_label = new QLabel(QStringLiteral("&Coding Action"), this);
    action_label->setBuddy(action_);

    auto* fields = new QFormLayout;
    fields->addRow(action_label, action_);
    fields->addRow(codes_label_, codes_);
    fields->addRow(width_label_, width_);
    fields->addRow(QStringLiteral("Question Label:"), question_label_);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(fields);

    {
        wait_cursor busy;
        set_report_columns(*list_, {{oc::IDS_QUESTIONS, Qt::AlignLeft}, {oc::IDS_TYPE, Qt::AlignLeft}});
        for (int i = 0; i < names.size(); ++i) {
            int type = i < types.size() ? static_cast<std::int16_t>(types[i]) : 0;
            add_report_row(*list_, {names[i], QString::fromLatin1(oc::logic_type_name(type))},
                           action_icon(action_mark::none_yet));
        }
    }
    connect(action_, &QComboBox::currentIndexChanged, this, &CQCodeFilterPage::apply_action_rule);
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { selection_changed(current.row()); });
    if (!names.isEmpty()) {
        select_report_row(*list_, 0);
        load_question(0);
    }
    codes_label_->hide();
    codes_->hide();
    codes_->setEnabled(false);
    width_label_->hide();
    width_->hide();
    width_->setEnabled(false);
}

bool CQCodeFilterPage::any_action() const {
    return std::any_of(m_specs.begin(), m_specs.end(), [](const oc::CQCodeSpec& s) { return s.action != 0; });
}

bool CQCodeFilterPage::store_current() {
    if (m_nCurrent < 0 || m_nCurrent >= m_specs.size()) return true;
    int action = action_->currentIndex();
    int type = m_nCurrent < types_.size() ? static_cast<std::int16_t>(types_[m_nCurrent]) : 0;
    int width = 0, codes = 0;
    // Width first, then the number of codes: the order the user meets them.
    if (!read_bounded(*width_, 1, type == 0 && action == oc::action_replace ? 1 : 4, action > 0, width)) return false;
    if (!read_bounded(*codes_, 1, oc::kMaxCodes, action >= oc::action_append, codes)) return false;
    m_specs[m_nCurrent] = {static_cast<std::uint8_t>(action), static_cast<std::uint8_t>(codes),
                           static_cast<std::uint8_t>(width)};
    return true;
}

void CQCodeFilterPage::load_question(int row) {
    m_nCurrent = row;
    const oc::CQCodeSpec& spec = m_specs[row];
    action_->blockSignals(true);
    action_->setCurrentIndex(spec.action);
    action_->blockSignals(false);
    width_->setText(QString::number(spec.code_width));
    codes_->setText(QString::number(spec.num_codes));
    question_label_->setText(names_[row]);
    apply_action_rule();
}

void CQCodeFilterPage::apply_action_rule() {
    if (m_nCurrent < 0 || m_nCurrent >= m_specs.size()) return;
    int action = action_->currentIndex();
    m_specs[m_nCurrent].action = static_cast<std::uint8_t>(action);  // at once, before any validation
    bool append = action == oc::action_append, coded = action != oc::action_not_coded;
    codes_label_->setVisible(append);
    codes_->setVisible(append);
    codes_->setEnabled(append);
    width_label_->setVisible(coded);
    width_->setVisible(coded);
    width_->setEnabled(coded);
    if (QTreeWidgetItem* item = list_->topLevelItem(m_nCurrent)) item->setIcon(0, action_icon(mark_of(action)));
}

void CQCodeFilterPage::selection_changed(int row) {
    if (reverting_ || row < 0 || row == m_nCurrent) return;
    if (!store_current()) {
        // The question with the refused fields stays selected; its input and
        // the focus stay in the failing field.
        QWidget* failing = focusWidget();
        reverting_ = true;
        QTimer::singleShot(0, this, [this, failing] {
            select_report_row(*list_, m_nCurrent);
            reverting_ = false;
            if (failing) failing->setFocus();
        });
        return;
    }
    load_question(row);
}

bool CQCodeFilterPage::OnKillActive() { return store_current(); }

}  // namespace oc_ui
