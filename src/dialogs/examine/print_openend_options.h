// CPrintOpenendOptions: what each entry of the open-end listing holds. Five
// check boxes: "One line per response", "Include respondent number" and
// "Include sequence, roster, and list numbers" start ticked, "Strip numeric
// before OTH responses" and the stored codes with their labels do not. Run it with oc_ui::run_modal and read
// options() after QDialog::Accepted.
#pragma once

#include <QDialog>

#include "engines/extract/drivers.h"

class QCheckBox;

namespace oc_ui {

class CPrintOpenendOptions : public QDialog {
    Q_OBJECT
public:
    explicit CPrintOpenendOptions(QWidget* parent = nullptr);
    oc::listing_options options() const;

private:
    QCheckBox* strip_ = nullptr;
    QCheckBox* numbers_ = nullptr;
    QCheckBox* respondent_ = nullptr;
    QCheckBox* one_line_ = nullptr;
    QCheckBox* labels_ = nullptr;
};

}  // namespace oc_ui
