#include "dialogs/status/status_column_widths.h"

namespace oc_ui {

int usable_list_width(int list_width, int rows, int scroll_bar_width) {
    int width = list_width;
    if (rows > kRowsWithoutScrollBar) width -= scroll_bar_width;
    return width - 2;
}

std::array<int, 5> coder_file_column_widths(int usable_width, int icon_width) {
    const int quarter = usable_width / 4;
    return {icon_width + quarter, 85, 71, 71, usable_width - quarter - icon_width - 229};
}

std::array<int, 6> question_column_widths(int usable_width, int icon_width) {
    const int fifth = usable_width / 5;
    return {icon_width + fifth + 3, 52, 41, 75, 63, usable_width - fifth - icon_width - 236};
}

int respondent_column_width(int usable_width) { return usable_width / 4; }

}  // namespace oc_ui
