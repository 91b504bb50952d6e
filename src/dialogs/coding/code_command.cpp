#include "dialogs/coding/code_command.h"

#include <QByteArray>
#include <QStringList>
#include <chrono>

#include "dialogs/coding/select_coder_file_dlg.h"
#include "dialogs/coding/select_qname_to_code_dlg.h"
#include "ui/frame/coder_file_lists.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "ui/frame/study_locks_ui.h"
#include "suite/merge_journal.h"
#include "engines/texts/string_table.h"

namespace oc_ui {

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
    // Another coder's file is refused at once, naming who has it; a merge
    // that crashed with the file half marked is rolled back first.
    const std::string base = study_base_of(coder_list);
    if (oc::merge_journal_exists(base)) {
        oc::study_write_session session;
        if (!open_study_for_writing(base, QStringLiteral("code ") + path, session)) return;
    }
    oc::coder_file_session lock;
    if (!lock_coder_file(to_native_bytes(path), QStringLiteral("code ") + path, lock, std::chrono::seconds(0))) return;
    oc::loaded_coder_file file;
    if (!load_coder_questions(path, file)) return;
    CSelectQNameToCodeDlg questions(path, base, file);
    run_modal(questions);
}

}  // namespace oc_ui
