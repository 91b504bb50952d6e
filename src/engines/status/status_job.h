// The status report command: the study's coder files with their status and
// figures, and the message that says why there is no report. The status
// dialogs and `opencoder list` / `opencoder status` render it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "coderfile/discovery.h"

namespace oc {

// The message for a listing that failed (710 the coder list, 709 a coder
// data file cannot be read); 0 for one that did not.
int listing_message(listing_result result);

struct status_report {
    int message = 0;  // 0 when there is a report; 710, 709, or 715 when no coder file is listed
    std::vector<std::string> names;
    std::vector<std::uint8_t> statuses;
    list_figures figures;
};

status_report collect_status_report(const std::string& coder_list_path);

}  // namespace oc
