#include "prepare/respondents_filter_page.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include "frame/messages.h"
#include "resources/string_table.h"
#include "resources/ui_strings.h"

namespace oc_ui {

namespace {

QComboBox* combo(QWidget* parent, const char* name, const QStringList& items, int index) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->addItems(items);
    box->setCurrentIndex(index);
    return box;
}

// A whole number as the long fields take it; false when the text is none.
bool parse_long(const QString& text, std::int32_t& value) {
    bool ok = false;
    qlonglong number = text.trimmed().toLongLong(&ok);
    if (!ok || number < INT32_MIN || number > INT32_MAX) return false;
    value = static_cast<std::int32_t>(number);
    return true;
}

}  // namespace

CRespondentsFilterPage::CRespondentsFilterPage(int examine, QWidget* parent)
    : property_page(QStringLiteral("Respondents"), parent) {
    setObjectName(QStringLiteral("respondentsFilterPage"));
    choice_.data_to_include = examine == 1 ? 1 : 0;
    interviews_ = combo(this, "interviewStatusCombo",
                        {QStringLiteral("Completes AND Incompletes"), QStringLiteral("Completes ONLY"),
                         QStringLiteral("Incompletes ONLY")},
                        choice_.interview_status);
    data_ = combo(this, "dataToIncludeCombo",
                  {QStringLiteral("Data Not Yet Coded"), QStringLiteral("All Respondent Data"),
                   QStringLiteral("Data Already Coded")},
                  choice_.data_to_include);
    respondents_ = combo(this, "respondentNumbersCombo",
                         {QStringLiteral("All Respondents"), QStringLiteral("Selected Range"),
                          QStringLiteral("Specified Number")},
                         choice_.respondents);
    first_label_ = new QLabel(ui_string(oc::IDS_HOW_MANY), this);
    first_label_->setObjectName(QStringLiteral("firstLabel"));
    first_ = new QLineEdit(QStringLiteral("0"), this);
    first_->setObjectName(QStringLiteral("firstEdit"));
    maximum_label_ = new QLabel(QStringLiteral("Ma&ximum"), this);
    maximum_label_->setObjectName(QStringLiteral("maximumLabel"));
    maximum_ = new QLineEdit(QStringLiteral("0"), this);
    maximum_->setObjectName(QStringLiteral("maximumEdit"));
    first_label_->setBuddy(first_);
    maximum_label_->setBuddy(maximum_);

    auto* form = new QFormLayout(this);
    auto add = [&](const QString& text, QWidget* field) {
        auto* label = new QLabel(text, this);
        label->setBuddy(field);
        form->addRow(label, field);
    };
    add(QStringLiteral("&Interview Status"), interviews_);
    add(QStringLiteral("&Data to Include"), data_);
    add(QStringLiteral("&Respondent Numbers"), respondents_);
    form->addRow(first_label_, first_);
    form->addRow(maximum_label_, maximum_);
    connect(respondents_, &QComboBox::currentIndexChanged, this, &CRespondentsFilterPage::apply_visibility);
    apply_visibility();
}

void CRespondentsFilterPage::apply_visibility() {
    int mode = respondents_->currentIndex();
    first_label_->setText(ui_string(mode == 1 ? oc::IDS_MINIMUM : oc::IDS_HOW_MANY));
    first_label_->setVisible(mode == 1 || mode == 2);
    first_->setVisible(mode == 1 || mode == 2);
    maximum_label_->setVisible(mode == 1);
    maximum_->setVisible(mode == 1);
}

bool CRespondentsFilterPage::OnKillActive() {
    oc::respondent_choice next;
    next.interview_status = interviews_->currentIndex();
    next.data_to_include = data_->currentIndex();
    next.respondents = respondents_->currentIndex();
    // Hidden numbers are read too, and must be numbers.
    if (!parse_long(first_->text(), next.first)) {
        show_text(QStringLiteral("Please enter an integer."), box_style::exclamation);
        first_->setFocus();
        beep();
        return false;
    }
    if (!parse_long(maximum_->text(), next.maximum)) {
        show_text(QStringLiteral("Please enter an integer."), box_style::exclamation);
        maximum_->setFocus();
        beep();
        return false;
    }
    if (!oc::respondent_choice_error(next).empty()) {
        beep();
        return false;
    }
    choice_ = next;
    return true;
}

}  // namespace oc_ui
