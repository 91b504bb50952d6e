#include "ui/tools/file_dlg.h"

#include <QDir>

#include "ui/frame/messages.h"

namespace oc_ui {

QStringList qt_name_filters(const QString& classic_filter) {
    const QStringList parts = classic_filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // An empty field ends the list, as a double separator does.
        const QString description = parts[i].trimmed();
        if (description.isEmpty() || parts[i + 1].isEmpty()) break;
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty()) patterns.append(trimmed);
        }
        if (patterns.isEmpty()) continue;
        filters.append(description + QStringLiteral(" (") + patterns.join(u' ') + u')');
    }
    return filters;
}

CFileDlg::CFileDlg(bool open_file_dialog, const QString& default_extension, const QString& initial_directory,
                   const QString& proposed_name, std::uint32_t flags, const QString& filter, QWidget* parent)
    : QFileDialog(parent) {
    setObjectName(QStringLiteral("fileDialog"));
    // The widget-based dialog everywhere: same look on every desktop, and
    // tests can reach its fields.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(open_file_dialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    setFileMode(open_file_dialog ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    setOption(QFileDialog::DontConfirmOverwrite, (flags & OFN_OVERWRITEPROMPT) == 0);
    setDirectory(initial_directory.isEmpty() ? QDir::currentPath() : initial_directory);
    if (!default_extension.isEmpty()) setDefaultSuffix(default_extension);
    const QStringList filters = qt_name_filters(filter);
    if (!filters.isEmpty()) setNameFilters(filters);
    if (!proposed_name.isEmpty()) selectFile(proposed_name);
}

int CFileDlg::DoModal() { return run_modal(*this) == QDialog::Accepted ? IDOK : IDCANCEL; }

QString CFileDlg::GetPathName() const {
    if (result() != QDialog::Accepted) return QString();
    const QStringList files = selectedFiles();
    return files.isEmpty() ? QString() : QDir::cleanPath(files.first());
}

}  // namespace oc_ui
