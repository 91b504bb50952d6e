// Which respondents' answers are taken: interview status, data already in
// coder files or not, and all respondents, a range or a number of them.
#pragma once

#include "extract/drivers.h"
#include "prepare/property_page.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace oc_ui {

class CRespondentsFilterPage : public property_page {
    Q_OBJECT
public:
    // `examine` 1: Data to Include starts at All Respondent Data; 0 (prepare):
    // at Data Not Yet Coded.
    explicit CRespondentsFilterPage(int examine, QWidget* parent = nullptr);

    // The five values as the drivers take them.
    oc::respondent_choice choice() const { return choice_; }
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
