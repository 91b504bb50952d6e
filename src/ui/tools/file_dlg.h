// The suite's save/open file dialog with the classic construction
// arguments: filters as "description|patterns|...|" and OFN-style flags.
#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace oc_ui {

// Flags the component passes.
inline constexpr std::uint32_t OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr std::uint32_t OFN_HIDEREADONLY = 0x00000004;

// Dialog results.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// "desc|p1;p2|desc2|p3||" -> {"desc (p1 p2)", "desc2 (p3)"}. Reading stops
// at the first empty field; a pattern field that holds no pattern (";")
// drops its description.
QStringList qt_name_filters(const QString& classic_filter);

class CFileDlg : public QFileDialog {
public:
    // `open_file_dialog` false gives a save dialog. The default extension
    // is appended to a name typed without one; the initial directory, when
    // given, is where the dialog starts (else the current directory).
    CFileDlg(bool open_file_dialog, const QString& default_extension, const QString& initial_directory,
             const QString& proposed_name, std::uint32_t flags, const QString& filter,
             QWidget* parent = nullptr);

    // IDOK when a file was chosen, IDCANCEL otherwise.
    int DoModal();
    // The chosen file's full path; empty before DoModal returned IDOK.
    QString GetPathName() const;
};

}  // namespace oc_ui
