// The one-column lists of the coding dialogs: coder files or questions, each
// row with the image of its status.
#pragma once

#include <QByteArray>
#include <QStringList>

class QTreeWidget;

namespace oc_ui {

// Fills `list` with `names` under the header string `header_string`, each
// row with the image of its status byte (a missing byte counts as 0). The
// column takes the list's width less 4 pixels, less the scroll bar too when
// more than `visible_rows` rows are listed. Row 0, if any, ends selected
// and current.
void fill_status_list(QTreeWidget& list, int header_string, const QStringList& names, const QByteArray& statuses,
                      int visible_rows);

}  // namespace oc_ui
