#include "dialogs/coding/code_command.h"

#include <QByteArray>
#include <QStringList>
#include <algorithm>
#include <chrono>

#include "coderfile/cursor.h"
#include "dialogs/coding/coding_response_dlg.h"

#include "dialogs/coding/select_coder_file_dlg.h"
#include "dialogs/coding/select_qname_to_code_dlg.h"
#include "ui/frame/coder_file_lists.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "ui/frame/study_locks_ui.h"
#include "suite/merge_journal.h"
#include "engines/texts/string_table.h"

namespace oc_ui {

namespace {

// The coder file `path` for this process: a merge that crashed with it half
// marked rolled back first, then its lock, refused at once naming who has it.
bool take_coder_file(const QString& coder_list, const QString& path, oc::coder_file_session& lock) {
    const std::string base = study_base_of(coder_list);
    if (oc::merge_journal_exists(base)) {
        oc::study_write_session session;
        if (!open_study_for_writing(base, QStringLiteral("code ") + path, session)) return false;
    }
    return lock_coder_file(to_native_bytes(path), QStringLiteral("code ") + path, lock, std::chrono::seconds(0));
}

// The number (from 1) of `record` among its question's records; 0 after
// message 709 when it is not there or cannot be read.
std::int32_t find_record(oc::coder_cursor& cursor, const oc::quest_spec& quest, const oc::answer_key& record) {
    wait_cursor busy;
    const std::int32_t found = find_question_record(cursor, quest, [&](const oc::resp_record& line) {
        return line.respondent == record.respondent && line.sequence == record.sequence &&
               line.roster == record.roster && line.list_no == record.list_no;
    });
    if (found > 0) return found;
    busy.restore();
    show_message(oc::IDS_CODER_DATA_READ_ERROR, box_style::exclamation);
    return 0;
}

}  // namespace

void run_coding(const QString& coder_list) {
    QStringList names;
    QByteArray statuses;
    if (!list_files_to_pick(coder_list, names, statuses)) return;
    QString path;
    {
        CSelectCoderSpecFileDlg files(names, statuses);
        if (run_modal(files) != QDialog::Accepted) return;
        path = names[files.selected()];
    }
    oc::coder_file_session lock;
    if (!take_coder_file(coder_list, path, lock)) return;
    oc::loaded_coder_file file;
    if (!load_coder_questions(path, file)) return;
    CSelectQNameToCodeDlg questions(path, study_base_of(coder_list), file);
    run_modal(questions);
}

void code_record(const QString& coder_list, const QString& path, const oc::answer_key& record) {
    oc::coder_file_session lock;
    if (!take_coder_file(coder_list, path, lock)) return;
    oc::loaded_coder_file file;
    if (!load_coder_questions(path, file)) return;
    auto quest = std::find_if(file.questions.begin(), file.questions.end(),
                              [&](const oc::quest_spec& q) { return record.question == q.name; });
    if (quest == file.questions.end()) {
        show_message(oc::IDS_CODER_DATA_READ_ERROR, box_style::exclamation);
        return;
    }
    oc::cursor_ptr cursor(oc::open_coder_cursor(to_native_bytes(path).c_str(), quest->name));
    if (!cursor) {
        show_message(oc::IDS_CODER_DATA_READ_ERROR, box_style::exclamation);
        return;
    }
    const std::int32_t start = find_record(*cursor, *quest, record);
    if (start == 0) return;
    {
        CCodingResponseDlg coding(*cursor, start, *quest, {path, study_base_of(coder_list)});
        if (coding.loaded()) run_modal(coding);
    }
    finish_coding_pass(std::move(cursor), file);
}

}  // namespace oc_ui
