// The code frame command: the study's codes question by question, edited in
// memory and saved whole when the user confirms.
#pragma once

#include <QString>

namespace oc_ui {

// Opens the frame editor on the study DIR/NAME. The study directory must be
// current (coder data files are named bare in the coder list).
void run_frame_editor(const QString& study_base);

}  // namespace oc_ui
