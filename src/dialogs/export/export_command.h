// The export command: the choices, then the export under a progress window
// that can be cancelled (leaving no file), then what was written.
#pragma once

#include <QString>

namespace oc_ui {

// Exports the study DIR/NAME after the user's choices; Cancel in the
// dialog or the progress window writes nothing.
void run_export(const QString& study_base);

}  // namespace oc_ui
