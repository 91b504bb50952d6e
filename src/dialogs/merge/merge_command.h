// The Merge command: write a coder file's codes into the study's data.
#pragma once

#include <QString>

namespace oc_ui {

void run_merge(const QString& index_path, const QString& data_path, const QString& coder_list, const QString& add_path);

}  // namespace oc_ui
