// The status report command.
#pragma once

#include <QString>

namespace oc_ui {

// Lists the study's coder files (messages 710 and 709 on failure, 715 when
// none is found), collects their figures and runs the status dialog.
void run_status_report(const QString& coder_list_path);

}  // namespace oc_ui
