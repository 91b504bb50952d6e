#include "suite/tools/default_font.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace oc_ui {

QFont GetDefaultLogicalFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(kDefaultFontPointSize);
    return font;
}

QFont* GetDefaultFont(int tenths_of_point, QPaintDevice* device) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
    QFont font = GetDefaultLogicalFont();
    if (tenths_of_point > 0) font.setPointSizeF(tenths_of_point / 10.0);
    return device ? new QFont(font, device) : new QFont(font);
}

}  // namespace oc_ui
