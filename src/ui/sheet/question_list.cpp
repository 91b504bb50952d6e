#include "ui/sheet/question_list.h"

#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTreeWidget>
#include <memory>

#include "ui/frame/messages.h"
#include "ui/frame/report_list.h"
#include "ui/images/status_images.h"
#include "engines/texts/string_table.h"
#include "suite/data_library.h"
#include "ui/tools/default_font.h"

namespace oc_ui {

question_column_widths compute_question_column_widths(int list_width, int questions, int scroll_bar,
                                                      int image_width) {
    const int w = list_width - (questions > kVisibleQuestions ? scroll_bar : 0);
    const int half = (w - 2) / 2;
    return {half + image_width, half - image_width - 2};
}

QTreeWidget* make_question_list(QWidget* parent, const QString& object_name, int width, const QStringList& names,
                                const QList<quint16>& types, const QIcon& mark) {
    QTreeWidget* list = make_report_list(parent, object_name, QSize(width, 100));
    // The font belongs to the page that asked for it; the list keeps a copy.
    std::unique_ptr<QFont> font(GetDefaultFont(0, nullptr));
    if (font) list->setFont(*font);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    {
        wait_cursor busy;
        set_report_columns(*list, {{oc::IDS_QUESTIONS, Qt::AlignLeft}, {oc::IDS_TYPE, Qt::AlignLeft}});
        list->setUpdatesEnabled(false);
        for (int i = 0; i < names.size(); ++i) {
            // Types are sign-extended words; the type names are keyed by the signed value.
            const int type = i < types.size() ? static_cast<std::int16_t>(types[i]) : 0;
            add_report_row(*list, {names[i], QString::fromLatin1(oc::logic_type_name(type))}, mark);
        }
        list->setUpdatesEnabled(true);
    }
    const int row_height = list->topLevelItemCount() > 0 ? list->sizeHintForRow(0) : list->fontMetrics().height() + 4;
    const int frame = 2 * list->frameWidth();
    list->setFixedHeight(list->header()->sizeHint().height() + kVisibleQuestions * row_height + frame);
    set_question_column_widths(*list);
    if (list->topLevelItemCount() > 0) list->scrollToItem(list->topLevelItem(0));
    return list;
}

void set_question_column_widths(QTreeWidget& list) {
    const question_column_widths widths = compute_question_column_widths(
        list.width(), list.topLevelItemCount(), scroll_bar_width(list), kSmallImageSize);
    list.setColumnWidth(0, widths.name);
    list.setColumnWidth(1, widths.type);
}

QRect question_mark_rect(const QTreeWidget& list, int row) {
    const QTreeWidgetItem* item = list.topLevelItem(row);
    if (!item) return {};
    // Laid out as the style lays out an item with an image and a text.
    QStyleOptionViewItem option;
    option.initFrom(list.viewport());
    option.rect = list.visualItemRect(item);
    option.rect.setWidth(list.columnWidth(0));
    option.font = list.font();
    option.fontMetrics = list.fontMetrics();
    option.features = QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay;
    option.decorationSize = list.iconSize();
    option.decorationPosition = QStyleOptionViewItem::Left;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.icon = item->icon(0);
    option.text = item->text(0);
    option.showDecorationSelected = true;
    option.widget = &list;
    return list.style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, &list);
}

}  // namespace oc_ui
