#include "engines/status/status_job.h"

#include "engines/texts/string_table.h"

namespace oc {

int listing_message(listing_result result) {
    switch (result) {
    case listing_result::ok: return 0;
    case listing_result::list_unreadable: return IDS_CODER_LIST_READ_ERROR;
    case listing_result::data_unreadable: return IDS_CODER_DATA_READ_ERROR;
    }
    return IDS_CODER_LIST_READ_ERROR;
}

status_report collect_status_report(const std::string& coder_list_path) {
    status_report report;
    coder_file_listing listing = list_coder_files(coder_list_path);
    report.message = listing_message(listing.result);
    if (report.message != 0) return report;
    if (listing.names.empty()) {
        report.message = IDS_NO_CODER_FILES;
        return report;
    }
    report.figures = collect_list_figures(coder_list_path, listing.names);
    report.names = std::move(listing.names);
    report.statuses = std::move(listing.statuses);
    return report;
}

}  // namespace oc
