// The suite's default font: one whose glyphs all have the same width, so
// that names, numbers and answer texts line up in lists and listings.
#pragma once

#include <QFont>

class QPaintDevice;

namespace oc_ui {

// The lists' column widths are fixed in pixels and sized for 8-point text.
inline constexpr double kDefaultFontPointSize = 8.0;

// A new font object the caller owns and deletes. `tenths_of_point` > 0
// asks for that size (120 = 12 pt); 0 or less gives the default size. With a device the font is matched to its resolution. Null when no
// GUI application exists: the caller keeps its own font.
QFont* GetDefaultFont(int tenths_of_point, QPaintDevice* device);

// Description of the default font at its default size.
QFont GetDefaultLogicalFont();

}  // namespace oc_ui
