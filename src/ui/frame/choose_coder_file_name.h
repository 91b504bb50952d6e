// Naming a new coder data file or open-end listing: the study directory is
// made current, the first free numbered name is proposed in the suite's
// save dialog, and the user confirms or changes it.
#pragma once

#include <QString>

namespace oc_ui {

// `filter_string`: 705 (coder data files) or 704 (listings). `base_path`:
// the study directory, '/', the study name. Makes the study directory the
// current directory (whether the user confirms or cancels; coder files are
// later opened by bare name) and proposes study name + "." + the next free
// extension. Returns 1 with `path` set to the chosen full path, or 0 when
// the user cancels, `path` left unchanged.
int choose_coder_file_name(int filter_string, const QString& base_path, QString& path, bool listing);

// The save dialog's filter for `study_name`: string `filter_string` with
// %1 replaced and the closing bar added. In the patterns the study name's
// characters that the dialog's pattern syntax cannot carry (spaces,
// brackets, parentheses, non-ASCII letters, ...) stand as '?', and the
// extension letters are upper case, so the patterns match the names made
// here (NAME.001, NAME.P01).
QString coder_file_filter(int filter_string, const QString& study_name);

}  // namespace oc_ui
