#include "dialogs/merge/merge_command.h"

#include <QByteArray>
#include <algorithm>
#include <QProgressDialog>
#include <QStringList>

#include "ui/frame/coder_file_lists.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "ui/frame/study_locks_ui.h"
#include "coderfile/discovery.h"
#include "engines/merge/merge_job.h"
#include "dialogs/merge/select_coder_file_merge_dlg.h"
#include "engines/texts/string_table.h"
#include "ui/resources/ui_strings.h"

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
    if (status_when_chosen == oc::status_merged) return true;
    const oc::merge_check check = oc::merge_job::check_status(now->status[0]);
    return check.what != oc::merge_check::ask_first ||
           show_message(check.messages.back(), box_style::question_ok_cancel) == box_answer::ok;
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
    const oc::merge_job job{to_native_bytes(data_path), to_native_bytes(index_path), to_native_bytes(coder_list),
                            to_native_bytes(add_path), to_native_bytes(file), by_respondent};
    oc::merge_outcome outcome;
    {
        wait_cursor busy;
        outcome = job.run(warn, report);
    }
    progress.close();
    const bool done = outcome.result == oc::merge_result::done;
    show_message(outcome.message, done ? box_style::information : box_style::exclamation);
    if (outcome.result == oc::merge_result::failed && outcome.problem)
        show_text(from_native_bytes(outcome.problem.text()), box_style::information);
    if (!outcome.journal_problem.empty())
        show_text(QStringLiteral("The coding journal was not written: %1").arg(from_native_bytes(outcome.journal_problem)),
                  box_style::exclamation);
}

}  // namespace oc_ui
