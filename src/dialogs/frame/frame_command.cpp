#include "dialogs/frame/frame_command.h"

#include "dialogs/frame/frame_editor_dlg.h"
#include "engines/frame/frame_job.h"
#include "suite/durable_file.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"

namespace oc_ui {

namespace {

void refuse(const std::string& what) { show_text(from_native_bytes(what), box_style::exclamation); }

}  // namespace

void run_frame_editor(const QString& study_base) {
    const std::string base = to_native_bytes(study_base);
    std::vector<oc::study_label> questions;
    const oc::study_result labels = oc::read_label_file(base + ".lbl", questions);
    if (!labels.ok) return refuse(labels.message);
    opened_frame opened;
    // The bytes before the rows: a write in between then shows as a change
    // when the editor saves, never the other way round.
    const std::string path = oc::frame_path(base);
    if (!oc::read_file_whole(path, opened.bytes, opened.exists)) return refuse("Cannot read " + path + ".");
    if (oc::failure problem = oc::load_frame(base, opened.frame)) return refuse(problem.text());
    CFrameEditorDlg dialog(base, std::move(questions), std::move(opened));
    run_modal(dialog);
}

}  // namespace oc_ui
