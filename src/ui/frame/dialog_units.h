// Dialog layouts are given in dialog units, as the templates define them:
// a quarter of the dialog font's average character width horizontally and
// an eighth of its height vertically.
#pragma once

#include <QSize>

class QWidget;

namespace oc_ui {

// `width` x `height` dialog units in pixels for `widget`'s font.
QSize dialog_units(const QWidget& widget, int width, int height);

}  // namespace oc_ui
