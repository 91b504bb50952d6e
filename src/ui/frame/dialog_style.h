// The look of the controls that take the keyboard in the library's dialogs.
// Qt's own style draws the keyboard focus and the default button with the
// same frame, and the focus of a list row as a tint much like a selection;
// a user then cannot tell which button Return will press. Here the default
// button gets a dark outer frame, and keyboard focus (on a button or a list
// row) is a dotted rectangle in a colour that stands out from what is under
// it, never a fill.
#pragma once

class QWidget;

namespace oc_ui {

// Gives `widget` (a push button or a list) the dialogs' style. The style is
// shared and lives as long as the library.
void use_dialog_style(QWidget& widget);

}  // namespace oc_ui
