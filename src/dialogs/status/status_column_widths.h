// Column widths of the status lists, in pixels. Integer division truncates
// as in the original arithmetic.
#pragma once

#include <array>

namespace oc_ui {

// Rows beyond which the vertical scroll bar's width is taken off.
inline constexpr int kRowsWithoutScrollBar = 10;

// W: the list's width, less a scroll bar when there are more than ten
// rows, less 2 for the border.
int usable_list_width(int list_width, int rows, int scroll_bar_width);

// Coder files: icon + W/4, 85, 71, 71, and the rest (W - W/4 - icon - 229).
std::array<int, 5> coder_file_column_widths(int usable_width, int icon_width);

// Questions: icon + W/5 + 3, 52, 41, 75, 63, and the rest (W - W/5 - icon - 236).
std::array<int, 6> question_column_widths(int usable_width, int icon_width);

// Respondents: four columns of numbers across, W/4 each.
int respondent_column_width(int usable_width);

}  // namespace oc_ui
