#include "merge/merge_command.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QProgressDialog>
#include <QStringList>

#include "frame/coder_file_lists.h"
#include "frame/messages.h"
#include "frame/path_text.h"
#include "merge/merge_engine.h"
#include "merge/select_coder_spec_file_merge_dlg.h"
#include "resources/string_table.h"

namespace oc_ui {

void run_merge(const QString& index_path, const QString& data_path, const QString& coder_list, const QString& add_path) {
    QStringList names;
    QByteArray statuses;
    if (!fill_file_and_status_lists(coder_list, names, statuses)) return;
    if (names.isEmpty()) {
        show_message(oc::IDS_NO_CODER_FILES, box_style::exclamation);
        return;
    }
    QString file;
    bool by_respondent = false;
    {
        CSelectCoderSpecFileMergeDlg dialog(names, statuses, index_path);
        if (run_modal(dialog) != QDialog::Accepted) return;
        file = names[dialog.selected()];
        by_respondent = dialog.by_respondent();
    }
    QProgressDialog progress(QStringLiteral("Merging codes..."), QString(), 0, 0);
    progress.setObjectName(QStringLiteral("mergeProgress"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(500);
    auto report = [&](long records) {
        if (records % 500 != 0) return;
        progress.setLabelText(QStringLiteral("%1 records read").arg(records));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    auto warn = [](const std::string& text) {
        show_text(from_native_bytes(text), box_style::information);
    };
    std::int16_t result;
    {
        wait_cursor busy;
        result = oc::MergeCoderFile(to_native_bytes(data_path), to_native_bytes(index_path),
                                    to_native_bytes(coder_list), to_native_bytes(file), to_native_bytes(add_path),
                                    by_respondent, warn, report);
    }
    progress.close();
    switch (result) {
    case oc::kMergeDone: show_message(oc::IDS_MERGE_DONE, box_style::information); break;
    case oc::kMergeNoMatch: show_message(oc::IDS_NO_MATCHING_RECORD, box_style::exclamation); break;
    case oc::kMergeFailed: show_message(oc::IDS_CODER_FILES_IO_ERROR, box_style::exclamation); break;
    case oc::kMergeAddFailed: show_message(oc::IDS_ADD_READ_ERROR, box_style::exclamation); break;
    default: break;
    }
}

}  // namespace oc_ui
