// The status report command.
#pragma once

#include <QString>

#include "dialogs/status/agreement_dlg.h"

namespace oc_ui {

// Lists the study's coder files (messages 710 and 709 on failure, 715 when
// none is found), collects their figures and runs the status dialog, whose
// agreement view opens records through `open_record`.
void run_status_report(const QString& coder_list_path, const record_opener& open_record = {});

}  // namespace oc_ui
