// Naming a new coder data file or listing: the study directory becomes
// current, the next free number is proposed in a save dialog.
#pragma once

#include <QString>

namespace oc_ui {

// `filter_string` 705 (coder data files) or 704 (listings). 1 with `path`
// set to the chosen full path; 0 after Cancel, `path` left as it was. The
// study directory is made current either way.
int choose_coder_file_name(int filter_string, const QString& base_path, QString& path, bool listing);

// The save dialog's filter for the study: the string with %1 replaced by the
// study name and the closing bar added.
QString coder_file_filter(int filter_string, const QString& study_name);

}  // namespace oc_ui
