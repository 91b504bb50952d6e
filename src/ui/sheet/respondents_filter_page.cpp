#include "ui/sheet/respondents_filter_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "ui/frame/dialog_units.h"
#include "ui/frame/messages.h"
#include "ui/sheet/field_exchange.h"
#include "engines/texts/string_table.h"
#include "ui/resources/ui_strings.h"

namespace oc_ui {

namespace {

QComboBox* make_combo(QWidget* parent, const char* name, const QStringList& items) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->addItems(items);
    return combo;
}

}  // namespace

CRespondentsFilterPage::CRespondentsFilterPage(int examine, QWidget* parent)
    : property_page(QStringLiteral("Respondents"), parent) {
    setObjectName(QStringLiteral("respondentsFilterPage"));
    choice_.data_to_include = examine == 1 ? oc::data_all : oc::data_not_yet_coded;

    interviews_ = make_combo(this, "interviewStatusCombo",
                             {QStringLiteral("Completes AND Incompletes"), QStringLiteral("Completes ONLY"),
                              QStringLiteral("Incompletes ONLY")});
    data_ = make_combo(this, "dataToIncludeCombo",
                       {QStringLiteral("Data Not Yet Coded"), QStringLiteral("All Respondent Data"),
                        QStringLiteral("Data Already Coded")});
    respondents_ = make_combo(this, "respondentNumbersCombo",
                              {QStringLiteral("All Respondents"), QStringLiteral("Selected Range"),
                               QStringLiteral("Specified Number")});
    first_ = new QLineEdit(this);
    first_->setObjectName(QStringLiteral("firstEdit"));
    maximum_ = new QLineEdit(this);
    maximum_->setObjectName(QStringLiteral("maximumEdit"));
    first_label_ = make_label(this, "firstLabel", ui_string(oc::IDS_HOW_MANY), first_);
    maximum_label_ = make_label(this, "maximumLabel", QStringLiteral("Ma&ximum"), maximum_);
    for (QWidget* widget : {static_cast<QWidget*>(first_label_), static_cast<QWidget*>(first_),
                            static_cast<QWidget*>(maximum_label_), static_cast<QWidget*>(maximum_)})
        keep_place_when_hidden(widget);

    auto* grid = new QGridLayout(this);
    grid->addWidget(make_label(this, "interviewStatusLabel", QStringLiteral("&Interview Status"), interviews_), 0, 0);
    grid->addWidget(interviews_, 0, 1);
    grid->addWidget(make_label(this, "dataToIncludeLabel", QStringLiteral("&Data to Include"), data_), 1, 0);
    grid->addWidget(data_, 1, 1);
    grid->addWidget(make_label(this, "respondentNumbersLabel", QStringLiteral("&Respondent Numbers"), respondents_),
                    2, 0);
    grid->addWidget(respondents_, 2, 1);
    grid->addWidget(first_label_, 3, 0);
    grid->addWidget(first_, 3, 1);
    grid->addWidget(maximum_label_, 4, 0);
    grid->addWidget(maximum_, 4, 1);
    grid->setColumnMinimumWidth(1, dialog_units(*this, 120, 0).width());
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(5, 1);

    connect(respondents_, &QComboBox::currentIndexChanged, this, &CRespondentsFilterPage::apply_visibility);
    OnInitDialog();
}

void CRespondentsFilterPage::OnInitDialog() {
    interviews_->setCurrentIndex(choice_.interview_status);
    data_->setCurrentIndex(choice_.data_to_include);
    respondents_->setCurrentIndex(choice_.respondents);
    first_->setText(QString::number(choice_.first));
    maximum_->setText(QString::number(choice_.maximum));
    apply_visibility();
    interviews_->setFocus(Qt::OtherFocusReason);
}

void CRespondentsFilterPage::apply_visibility() {
    const int mode = respondents_->currentIndex();
    first_label_->setText(ui_string(mode == 1 ? oc::IDS_MINIMUM : oc::IDS_HOW_MANY));
    first_label_->setVisible(mode == 1 || mode == 2);
    first_->setVisible(mode == 1 || mode == 2);
    maximum_label_->setVisible(mode == 1);
    maximum_->setVisible(mode == 1);
}

bool CRespondentsFilterPage::OnKillActive() {
    // Both numbers are read whether shown or not, as the page always has.
    std::int64_t first = 0, maximum = 0;
    if (!exchange_number(*first_, INT32_MIN, INT32_MAX, first) ||
        !exchange_number(*maximum_, INT32_MIN, INT32_MAX, maximum)) {
        beep();
        return false;
    }
    oc::respondent_choice next;
    next.interview_status = interviews_->currentIndex();
    next.data_to_include = data_->currentIndex();
    next.respondents = respondents_->currentIndex();
    next.first = static_cast<std::int32_t>(first);
    next.maximum = static_cast<std::int32_t>(maximum);
    if (!oc::respondent_choice_error(next).empty()) {
        // A refused range or number: the beep alone, the cursor on the field
        // at fault for the keyboard user.
        const bool maximum_at_fault = next.respondents == 1 && next.first >= 1;
        (maximum_at_fault ? maximum_ : first_)->setFocus(Qt::OtherFocusReason);
        beep();
        return false;
    }
    choice_ = next;
    return true;
}

}  // namespace oc_ui
