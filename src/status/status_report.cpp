#include "status/status_report.h"

#include "frame/coder_file_lists.h"
#include "frame/messages.h"
#include "frame/path_text.h"
#include "resources/string_table.h"
#include "status/status_of_coder_files_dlg.h"

namespace oc_ui {

void run_status_report(const QString& coder_list_path) {
    std::optional<oc::coder_file_listing> listing = list_coder_files_reported(coder_list_path);
    if (!listing) return;
    if (listing->names.empty()) {
        show_message(oc::IDS_NO_CODER_FILES, box_style::exclamation);
        return;
    }

    coder_file_figures figures;
    {
        wait_cursor busy;
        oc::list_figures counts = oc::collect_list_figures(to_native_bytes(coder_list_path), listing->names);
        figures.respondents = std::move(counts.respondents);
        figures.questions = std::move(counts.questions);
        figures.records = std::move(counts.records);
        figures.interviews = std::move(counts.interviews);
    }
    figures.names = std::move(listing->names);
    figures.statuses = std::move(listing->statuses);

    CStatusOfSpecFilesDlg dialog(std::move(figures));
    run_modal(dialog);
}

}  // namespace oc_ui
