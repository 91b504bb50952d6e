// The Code command: choose a coder file and a question, then enter codes.
#pragma once

#include <QString>

#include "engines/agree/agreement.h"

namespace oc_ui {

void run_coding(const QString& coder_list);

// The code-entry dialog on one record of the coder data file at `path`
// (listed in `coder_list`), as if the coder had chosen the file, the
// question and the record: another coder's file is refused the same way.
void code_record(const QString& coder_list, const QString& path, const oc::answer_key& record);

}  // namespace oc_ui
