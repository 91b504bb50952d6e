#include "ui/frame/dialog_units.h"

#include <QFontMetrics>
#include <QWidget>

namespace oc_ui {

QSize dialog_units(const QWidget& widget, int width, int height) {
    const QFontMetrics metrics(widget.font());
    // Average width over the 52 letters, rounded, as dialog templates use it.
    const int base_x = (metrics.horizontalAdvance(
                            QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ")) + 26) / 52;
    const int base_y = metrics.height();
    return QSize((width * base_x + 2) / 4, (height * base_y + 4) / 8);
}

}  // namespace oc_ui
