#include "dialogs/export/export_command.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include "dialogs/export/export_dlg.h"
#include "engines/export/study_export.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "ui/frame/study_locks_ui.h"

namespace oc_ui {

void run_export(const QString& study_base) {
    const std::string base = to_native_bytes(study_base);
    std::vector<oc::study_label> questions;
    const oc::study_result labels = oc::read_label_file(base + ".lbl", questions);
    if (!labels.ok) {
        show_text(from_native_bytes(labels.message), box_style::exclamation);
        return;
    }
    CExportDlg dialog(base, questions);
    if (run_modal(dialog) != QDialog::Accepted) return;
    const oc::export_request& request = dialog.request();
    // A merge waits until the export has read the study, so that the
    // variables planned and the rows written come from the same data.
    oc::study_read_session reading;
    if (!open_study_for_reading(base, reading)) return;

    QProgressDialog progress(QStringLiteral("Exporting %1...").arg(from_native_bytes(request.out)),
                             QStringLiteral("Cancel"), 0, 100);
    progress.setObjectName(QStringLiteral("exportProgress"));
    progress.setWindowTitle(QStringLiteral("Export"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(400);
    int shown = -1;
    oc::export_result result = oc::export_study(request, [&](long done, long total) {
        // The export runs on this thread: the window repaints, and takes a
        // click on Cancel, whenever a percent more is done.
        const int percent = total ? static_cast<int>(done * 100 / total) : 0;
        if (percent != shown) {
            shown = percent;
            progress.setValue(percent);
            QCoreApplication::processEvents();
        }
        return !progress.wasCanceled();
    });
    progress.reset();
    if (result.cancelled) return;
    if (result.problem) {
        show_text(from_native_bytes(result.problem.text()), box_style::exclamation);
        return;
    }
    std::string text = "Exported " + oc::describe_export(request, result) + ".";
    if (!result.warnings.empty()) text += "\n\nNotes:";
    for (const std::string& warning : result.warnings) text += "\n" + warning;
    show_text(from_native_bytes(text), box_style::information);
}

}  // namespace oc_ui
