// The Examine command (ExamineOpenends): the catalogue of open-end and OTHER
// questions, the sheet with the questions and respondents pages, the
// listing options, then the listing written into a temporary "COD" file in
// the study directory and printed, previewed or saved as text from there.
// The temporary file is always deleted; no study or coder file is changed.
//
// Says 745 when the study has no open-end question, 707 when the temporary
// listing cannot be made (or its path would exceed 255 characters); the
// data library's errors and running out of memory are shown as the error
// library's message. Cancelling any dialog ends the command silently.
#pragma once

#include <QString>

namespace oc_ui {

// `base_path`: the study directory, '/', the study name; without a directory
// the temporary listing goes into the current directory.
void run_examine(const QString& label_path, const QString& file_a, const QString& file_b, const QString& coder_list,
                 const QString& coder_list_backup, const QString& base_path);

}  // namespace oc_ui
