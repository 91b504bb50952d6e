#include "coding/code_command.h"

#include <QByteArray>
#include <QStringList>

#include "coding/select_coder_file_dlg.h"
#include "coding/select_qname_to_code_dlg.h"
#include "frame/coder_file_lists.h"
#include "frame/messages.h"
#include "resources/string_table.h"

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
    oc::loaded_coder_file file;
    if (!load_coder_questions(path, file)) return;
    CSelectQNameToCodeDlg questions(path, file);
    run_modal(questions);
}

}  // namespace oc_ui
