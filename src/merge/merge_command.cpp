#include "merge/merge_command.h"

#include <QByteArray>
#include <algorithm>
#include <QProgressDialog>
#include <QStringList>

#include "frame/coder_file_lists.h"
#include "frame/messages.h"
#include "frame/path_text.h"
#include "frame/study_locks_ui.h"
#include "coderfile/discovery.h"
#include "merge/merge_engine.h"
#include "merge/select_coder_file_merge_dlg.h"
#include "resources/string_table.h"
#include "resources/ui_strings.h"

namespace oc_ui {

namespace {

// The file's status read again under the locks: merged since it was chosen
// asks again, as choosing a merged file does.
bool still_mergeable(const QString& file, char status_when_chosen) {
    auto now = oc::read_file_statuses({to_native_bytes(file)});
    if (!now || now->status.empty()) {
        show_message(oc::IDS_CODER_FILES_IO_ERROR, box_style::exclamation);
        return false;
    }
    if (now->status[0] != oc::status_merged || status_when_chosen == oc::status_merged) return true;
    return show_message(oc::IDS_ALREADY_MERGED, box_style::question_ok_cancel) == box_answer::ok;
}

}  // namespace

void run_merge(const QString& index_path, const QString& data_path, const QString& coder_list, const QString& add_path) {
    QStringList names;
    QByteArray statuses;
    if (!list_files_to_pick(coder_list, names, statuses)) return;
    QString file;
    bool by_respondent = false;
    {
        CSelectCoderSpecFileMergeDlg dialog(names, statuses, index_path);
        if (run_modal(dialog) != QDialog::Accepted) return;
        file = names[dialog.selected()];
        by_respondent = dialog.by_respondent();
    }
    // The locks before the status is trusted: another merge of the file
    // may have finished while this one waited.
    const std::string base = study_base_of(data_path);
    const QString command = QStringLiteral("merge ") + file;
    oc::study_write_session session;
    oc::coder_file_session coder_lock;
    if (!open_study_for_writing(base, command, session) ||
        !lock_coder_file(to_native_bytes(file), command, coder_lock) || !lock_study_data(base, session))
        return;
    if (!still_mergeable(file, statuses[names.indexOf(file)])) return;
    // Long merges show how far they are; a short one closes before the
    // dialog's minimum duration has passed and never shows it.
    QProgressDialog progress(QStringLiteral("Merging codes into the data files..."), QString(), 0, 1);
    progress.setObjectName(QStringLiteral("mergeProgress"));
    progress.setWindowTitle(ui_string(oc::IDS_SELECT_TO_MERGE));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    auto report = [&progress](long records, long total) {
        if (records % 200 != 0 && records != total) return;
        if (progress.maximum() != total) progress.setMaximum(static_cast<int>(std::max(total, 1L)));
        progress.setValue(static_cast<int>(std::min(records, total)));
    };
    // The writer's notice for a respondent without data: one box per coded
    // record, and the merge goes on.
    auto warn = [](const std::string& text) { show_text(from_native_bytes(text), box_style::information); };
    std::int16_t result;
    std::string problem;
    {
        wait_cursor busy;
        result = oc::MergeCoderFile(to_native_bytes(data_path), to_native_bytes(index_path),
                                    to_native_bytes(coder_list), to_native_bytes(file), to_native_bytes(add_path),
                                    by_respondent, warn, report, &problem);
    }
    progress.close();
    switch (result) {
    case oc::kMergeDone: show_message(oc::IDS_MERGE_DONE, box_style::information); break;
    case oc::kMergeNoMatch: show_message(oc::IDS_NO_MATCHING_RECORD, box_style::exclamation); break;
    case oc::kMergeFailed:
        show_message(oc::IDS_CODER_FILES_IO_ERROR, box_style::exclamation);
        if (!problem.empty()) show_text(from_native_bytes(problem), box_style::information);
        break;
    case oc::kMergeAddFailed: show_message(oc::IDS_ADD_READ_ERROR, box_style::exclamation); break;
    default: break;
    }
}

}  // namespace oc_ui
