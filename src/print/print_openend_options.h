// What each line of the open-end listing holds.
#pragma once

#include <QDialog>

#include "extract/drivers.h"

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
};

}  // namespace oc_ui
