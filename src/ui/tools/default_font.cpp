#include "ui/tools/default_font.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>

namespace oc_ui {

namespace {

// Families tried in turn. The font system stands another face in for a
// family it lacks, and a mono face need not say so in its tables, so it is
// the glyph widths that decide, never the name or the fixed-pitch flag.
// DejaVu Sans Mono comes with the build's packages.
const char* const kFixedFamilies[] = {"DejaVu Sans Mono", "Liberation Mono", "Noto Mono", "Noto Sans Mono"};

// True when narrow, wide and punctuation glyphs all advance alike.
bool one_width(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QLatin1Char('0'));
    for (QChar c : QStringLiteral("iIlWm._ "))
        if (metrics.horizontalAdvance(c) != width) return false;
    return width > 0;
}

QFont at_default_size(QFont font) {
    font.setPointSizeF(kDefaultFontPointSize);
    return font;
}

}  // namespace

QFont GetDefaultLogicalFont() {
    for (const char* family : kFixedFamilies) {
        const QFont candidate = at_default_size(QFont(QString::fromLatin1(family)));
        // The face really found, so that every size and device gets the same.
        if (one_width(candidate)) return at_default_size(QFont(QFontInfo(candidate).family()));
    }
    return at_default_size(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

QFont* GetDefaultFont(int tenths_of_point, QPaintDevice* device) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return nullptr;
    QFont font = GetDefaultLogicalFont();
    if (tenths_of_point > 0) font.setPointSizeF(tenths_of_point / 10.0);
    return device ? new QFont(font, device) : new QFont(font);
}

}  // namespace oc_ui
