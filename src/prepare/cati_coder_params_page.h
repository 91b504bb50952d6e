// The sound-file directory of CATI studies, kept for the coding dialogs.
#pragma once

#include "prepare/property_page.h"

namespace oc_ui {

class SECBrowseDirEdit;

class CCatiCoderParamsPage : public property_page {
    Q_OBJECT
public:
    explicit CCatiCoderParamsPage(QWidget* parent = nullptr);
    // Stores the directory, with a separator added, whenever the page is
    // left, whether or not the sheet is then confirmed.
    bool OnKillActive() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    SECBrowseDirEdit* edit_ = nullptr;
};

}  // namespace oc_ui
