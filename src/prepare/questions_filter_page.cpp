#include "prepare/questions_filter_page.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <memory>

#include "frame/messages.h"
#include "frame/report_list.h"
#include "resources/status_images.h"
#include "resources/string_table.h"
#include "suite/data_library.h"
#include "suite/tools/default_font.h"

namespace oc_ui {

CQuestionsFilterPage::CQuestionsFilterPage(const QStringList& names, const QList<quint16>& types, QWidget* parent)
    : property_page(QStringLiteral("Questions"), parent), m_selected(names.size(), 0) {
    setObjectName(QStringLiteral("questionsFilterPage"));
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("questionList"));
    list_->setRootIsDecorated(false);
    list_->setIconSize(QSize(kSmallImageSize, kSmallImageSize));
    list_->header()->setSectionsClickable(false);
    list_->setMinimumSize(360, 160);
    std::unique_ptr<QFont> font(GetDefaultFont(0, nullptr));
    if (font) list_->setFont(*font);
    list_->viewport()->installEventFilter(this);
    list_->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);

    wait_cursor busy;
    set_report_columns(*list_, {{oc::IDS_QUESTIONS, Qt::AlignLeft}, {oc::IDS_TYPE, Qt::AlignLeft}});
    for (int i = 0; i < names.size(); ++i) {
        int type = i < types.size() ? static_cast<std::int16_t>(types[i]) : 0;
        add_report_row(*list_, {names[i], QString::fromLatin1(oc::logic_type_name(type))}, selection_icon(false));
    }
    if (list_->topLevelItemCount() > 0) list_->scrollToItem(list_->topLevelItem(0));
}

void CQuestionsFilterPage::showEvent(QShowEvent* event) {
    property_page::showEvent(event);
    set_column_widths();
}

void CQuestionsFilterPage::set_column_widths() {
    int w = list_->width() - (m_selected.size() > 7 ? scroll_bar_width(*list_) : 0);
    int half = (w - 2) / 2;
    list_->setColumnWidth(0, half + kSmallImageSize);
    list_->setColumnWidth(1, half - kSmallImageSize - 2);
}

void CQuestionsFilterPage::toggle(int row) {
    if (row < 0 || row >= m_selected.size()) return;
    m_selected[row] = m_selected[row] ? 0 : 1;
    list_->topLevelItem(row)->setIcon(0, selection_icon(m_selected[row] != 0));
}

bool CQuestionsFilterPage::eventFilter(QObject* watched, QEvent* event) {
    // Only a click on the mark ticks a question; clicking the name or moving
    // the selection never does.
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        QModelIndex index = list_->indexAt(mouse->position().toPoint());
        if (index.isValid() && index.column() == 0) {
            QRect cell = list_->visualRect(index);
            int mark_end = cell.left() + list_->iconSize().width() + 6;
            if (mouse->position().x() < mark_end) toggle(index.row());
        }
    }
    // Space ticks the current question: the keyboard's way to the mark.
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        toggle(list_->currentIndex().row());
        return true;
    }
    return property_page::eventFilter(watched, event);
}

bool CQuestionsFilterPage::OnKillActive() {
    for (quint16 flag : m_selected)
        if (flag) return true;
    beep();
    return false;
}

}  // namespace oc_ui
