// Report-style lists (a header and one row per item, single selection, no
// sorting) as the status, coding and merge dialogs use them.
#pragma once

#include <QString>
#include <QTreeWidget>
#include <initializer_list>
#include <span>

namespace oc_ui {

struct report_column {
    int string_id;  // header text from the string table
    Qt::Alignment alignment;
};

// A list named `object_name`, `size` pixels large, with 16 x 16 images.
QTreeWidget* make_report_list(QWidget* parent, const QString& object_name, QSize size);

// A table of figures that sizes itself: `headers` as given, no tree
// decoration, rows of one height, each column as wide as its contents.
QTreeWidget* make_figure_table(QWidget* parent, const QString& object_name, const QStringList& headers);

// Header texts and alignments; widths are set separately.
void set_report_columns(QTreeWidget& list, std::initializer_list<report_column> columns);

// A new row at the end with `texts` in the columns' alignments.
QTreeWidgetItem* add_report_row(QTreeWidget& list, const QStringList& texts, const QIcon& icon = QIcon());

// Sets the columns' widths in pixels: each at least its width in `widths`,
// and wider where its header text needs more, so that no header is cut.
void set_report_column_widths(QTreeWidget& list, std::span<const int> widths);

// Shows coder file or question status `status` in `item`'s first column:
// its image, with the status named in the image's tooltip.
void show_status(QTreeWidgetItem& item, int status);

// Makes `row` selected and current and scrolls it into view (if it exists).
void select_report_row(QTreeWidget& list, int row);

// Width of a vertical scroll bar in the list's style.
int scroll_bar_width(const QWidget& list);

}  // namespace oc_ui
