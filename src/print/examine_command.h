// The Examine command: choose questions and respondents, then print or save the open-end listing.
#pragma once

#include <QString>

namespace oc_ui {

void run_examine(const QString& label_path, const QString& file_a, const QString& file_b, const QString& coder_list, const QString& coder_list_backup, const QString& base_path);

}  // namespace oc_ui
