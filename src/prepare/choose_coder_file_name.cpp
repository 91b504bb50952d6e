#include "prepare/choose_coder_file_name.h"

#include <QDir>

#include "coderfile/naming.h"
#include "frame/path_text.h"
#include "resources/ui_strings.h"
#include "suite/tools/file_dlg.h"

namespace oc_ui {

QString coder_file_filter(int filter_string, const QString& study_name) {
    return format_string1(filter_string, study_name) + QLatin1Char('|');
}

int choose_coder_file_name(int filter_string, const QString& base_path, QString& path, bool listing) {
    oc::base_path_parts parts = oc::split_base_path(to_native_bytes(base_path));
    QString directory = from_native_bytes(parts.directory);
    QString study = from_native_bytes(parts.study);
    if (!directory.isEmpty()) QDir::setCurrent(directory);  // later opens use bare names
    QString proposed = study + QLatin1Char('.') + from_native_bytes(oc::next_free_extension(parts.study, listing));
    CFileDlg dialog(false, QString(), QString(), proposed, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | 8,
                    coder_file_filter(filter_string, study));
    if (dialog.DoModal() != IDOK) return 0;
    path = dialog.GetPathName();
    return 1;
}

}  // namespace oc_ui
