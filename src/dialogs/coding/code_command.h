// The Code command: choose a coder file and a question, then enter codes.
#pragma once

#include <QString>

namespace oc_ui {

void run_coding(const QString& coder_list);

}  // namespace oc_ui
