#include "dialogs/status/status_report.h"

#include "engines/status/status_job.h"
#include "ui/frame/coder_file_lists.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "ui/frame/study_locks_ui.h"
#include "engines/texts/string_table.h"
#include "dialogs/status/status_of_coder_files_dlg.h"

namespace oc_ui {

void run_status_report(const QString& coder_list_path, const record_opener& open_record) {
    oc::status_report report;
    {
        wait_cursor busy;
        report = oc::collect_status_report(to_native_bytes(coder_list_path));
    }
    if (report.message != 0) {
        show_message(report.message, box_style::exclamation);
        return;
    }
    coder_file_figures figures;
    figures.respondents = std::move(report.figures.respondents);
    figures.questions = std::move(report.figures.questions);
    figures.records = std::move(report.figures.records);
    figures.interviews = std::move(report.figures.interviews);
    figures.names = std::move(report.names);
    figures.statuses = std::move(report.statuses);

    CStatusOfSpecFilesDlg dialog(std::move(figures), study_base_of(coder_list_path), open_record);
    run_modal(dialog);
}

}  // namespace oc_ui
