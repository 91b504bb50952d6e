#include "ui/frame/report_list.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "ui/frame/dialog_style.h"
#include "ui/images/status_images.h"
#include "ui/resources/ui_strings.h"

namespace oc_ui {

QTreeWidget* make_figure_table(QWidget* parent, const QString& object_name, const QStringList& headers) {
    auto* table = new QTreeWidget(parent);
    table->setObjectName(object_name);
    table->setRootIsDecorated(false);
    table->setUniformRowHeights(true);
    table->setHeaderLabels(headers);
    table->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return table;
}

QTreeWidget* make_report_list(QWidget* parent, const QString& object_name, QSize size) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(object_name);
    list->setFixedSize(size);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSortingEnabled(false);
    list->setIconSize(QSize(kSmallImageSize, kSmallImageSize));
    list->header()->setSectionsClickable(false);
    list->header()->setSectionsMovable(false);
    // Widths are computed by the dialogs; the last column must not stretch.
    list->header()->setStretchLastSection(false);
    use_dialog_style(*list);
    return list;
}

void set_report_columns(QTreeWidget& list, std::initializer_list<report_column> columns) {
    list.setColumnCount(int(columns.size()));
    auto* header = new QTreeWidgetItem;
    int column = 0;
    for (const report_column& c : columns) {
        header->setText(column, ui_string(c.string_id));
        header->setTextAlignment(column, c.alignment | Qt::AlignVCenter);
        ++column;
    }
    list.setHeaderItem(header);
}

QTreeWidgetItem* add_report_row(QTreeWidget& list, const QStringList& texts, const QIcon& icon) {
    auto* item = new QTreeWidgetItem(&list);
    const QTreeWidgetItem* header = list.headerItem();
    for (int column = 0; column < texts.size(); ++column) {
        item->setText(column, texts[column]);
        item->setTextAlignment(column, Qt::Alignment::fromInt(header->textAlignment(column)));
    }
    if (!icon.isNull()) item->setIcon(0, icon);
    return item;
}

void set_report_column_widths(QTreeWidget& list, std::span<const int> widths) {
    for (int column = 0; column < int(widths.size()); ++column)
        list.setColumnWidth(column, std::max(widths[std::size_t(column)], list.header()->sectionSizeHint(column)));
}

void show_status(QTreeWidgetItem& item, int status) {
    item.setIcon(0, status_icon(status));
    item.setToolTip(0, status_name(status));
}

void select_report_row(QTreeWidget& list, int row) {
    QTreeWidgetItem* item = list.topLevelItem(row);
    if (!item) return;
    list.setCurrentItem(item);
    item->setSelected(true);
    list.scrollToItem(item);
}

int scroll_bar_width(const QWidget& list) { return list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list); }

}  // namespace oc_ui
