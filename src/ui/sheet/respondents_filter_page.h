// CRespondentsFilterPage: the second page of the examine and prepare
// sheets. Chooses whose answers are extracted: by interview status, by
// whether the answers are already in coder files, and by respondent number
// (all, a range, or a fixed number of respondents).
//
// Combo indexes are the values: Interview Status 0 Completes AND
// Incompletes, 1 Completes ONLY, 2 Incompletes ONLY; Data to Include 0 Data
// Not Yet Coded, 1 All Respondent Data, 2 Data Already Coded; Respondent
// Numbers 0 All Respondents, 1 Selected Range, 2 Specified Number.
//
// Leaving the page (tab or OK) parses both numbers, shown or not (a field
// that holds no number is refused with a message); a range needs
// 1 <= Minimum <= Maximum <= 999999999 and a Specified Number 1 to 32767
// (the extraction request carries 16 bits of it). Out-of-range values are
// refused with a beep alone.
#pragma once

#include "engines/extract/drivers.h"
#include "ui/sheet/property_page.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace oc_ui {

class CRespondentsFilterPage : public property_page {
    Q_OBJECT
public:
    // `examine` 1 (examine command): Data to Include starts at All
    // Respondent Data; 0 (prepare command): at Data Not Yet Coded. All other
    // values start at 0.
    explicit CRespondentsFilterPage(int examine, QWidget* parent = nullptr);

    // The five values as last accepted when the page was left (the starting
    // values before that). Read after the sheet's OK.
    const oc::respondent_choice& choice() const { return choice_; }

    // Shows the stored values again, applies the visibility rule and puts
    // the focus on the first combo box.
    void OnInitDialog() override;
    bool OnKillActive() override;

private:
    void apply_visibility();

    QComboBox* interviews_ = nullptr;
    QComboBox* data_ = nullptr;
    QComboBox* respondents_ = nullptr;
    QLabel* first_label_ = nullptr;
    QLineEdit* first_ = nullptr;
    QLabel* maximum_label_ = nullptr;
    QLineEdit* maximum_ = nullptr;
    oc::respondent_choice choice_;
};

}  // namespace oc_ui
