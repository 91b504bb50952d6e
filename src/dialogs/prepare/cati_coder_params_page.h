// CCatiCoderParamsPage: the prepare sheet's third page, "Sound Files". It
// asks for the folder of the CATI interviews' recorded answers and keeps it
// in the library-wide g_soundDir, which the coding dialogs read. The folder
// is not part of the coder data file.
//
// g_soundDir is written every time the page is left (tab or OK), whether or
// not the sheet is then confirmed; it ends in a separator ('/' is added
// unless the text ends in '/' or '\') or is empty, which switches the
// coding dialog's sound buttons off. The edit takes at most 255 characters.
#pragma once

#include "ui/sheet/property_page.h"

namespace oc_ui {

class SECBrowseDirEdit;

class CCatiCoderParamsPage : public property_page {
    Q_OBJECT
public:
    explicit CCatiCoderParamsPage(QWidget* parent = nullptr);

    // Shows the folder stored last (g_soundDir).
    void OnInitDialog() override;
    // Stores the folder into g_soundDir; always true.
    bool OnKillActive() override;

    // The folder as last stored by this page, with its separator.
    const QString& sound_dir() const { return m_strSoundDir; }

private:
    SECBrowseDirEdit* edit_ = nullptr;
    QString m_strSoundDir;
};

}  // namespace oc_ui
