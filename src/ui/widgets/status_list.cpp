#include "ui/widgets/status_list.h"

#include <QTreeWidget>

#include "ui/frame/messages.h"
#include "ui/frame/report_list.h"

namespace oc_ui {

void fill_status_list(QTreeWidget& list, int header_string, const QStringList& names, const QByteArray& statuses,
                      int visible_rows) {
    wait_cursor busy;
    list.clear();
    set_report_columns(list, {{header_string, Qt::AlignLeft}});
    list.setUpdatesEnabled(false);
    for (int i = 0; i < names.size(); ++i) {
        const int status = i < statuses.size() ? static_cast<std::uint8_t>(statuses[i]) : 0;
        show_status(*add_report_row(list, {names[i]}), status);
    }
    const int width = list.width() - 4 - (names.size() > visible_rows ? scroll_bar_width(list) : 0);
    list.setColumnWidth(0, width);
    list.setUpdatesEnabled(true);
    select_report_row(list, 0);
}

}  // namespace oc_ui
