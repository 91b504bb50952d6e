// Push buttons of the library's dialogs. Every one is made here, so that
// all dialogs take the keys alike, as desktops do: the focused button takes
// Return (and Space), and the default button takes Return only while no
// other button has the focus. The dialogs' style shows which one that is.
#pragma once

class QPushButton;
class QString;
class QWidget;

namespace oc_ui {

QPushButton* make_push_button(QWidget* parent, const QString& text, const QString& object_name);

// The same keys and look for the push buttons that a button box or a
// message box makes itself.
void adopt_push_buttons(QWidget& owner);

}  // namespace oc_ui
