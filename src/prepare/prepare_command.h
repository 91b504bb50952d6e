// The Prepare command: choose questions, coding parameters and respondents; create a coder data file.
#pragma once

#include <QString>

namespace oc_ui {

void run_prepare(const QString& label_path, const QString& file_a, const QString& file_b, const QString& coder_list, const QString& coder_list_backup, const QString& base_path);

}  // namespace oc_ui
