#include "ui/sheet/questions_filter_page.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <utility>

#include "ui/frame/dialog_units.h"
#include "ui/frame/messages.h"
#include "ui/sheet/question_list.h"
#include "ui/images/status_images.h"

namespace oc_ui {

CQuestionsFilterPage::CQuestionsFilterPage(const QStringList& names, const QList<quint16>& types, QWidget* parent)
    : property_page(QStringLiteral("Questions"), parent), m_selected(names.size(), 0) {
    setObjectName(QStringLiteral("questionsFilterPage"));
    list_ = make_question_list(this, QStringLiteral("questionList"), dialog_units(*this, 296, 0).width(), names, types,
                               selection_icon(false));
    list_->viewport()->installEventFilter(this);
    list_->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addStretch();
    if (!names.isEmpty()) list_->setCurrentItem(list_->topLevelItem(0));
}

void CQuestionsFilterPage::toggle(int row) {
    if (row < 0 || row >= m_selected.size()) return;
    m_selected[row] = m_selected[row] ? 0 : 1;
    list_->topLevelItem(row)->setIcon(0, selection_icon(m_selected[row] != 0));
}

QRect CQuestionsFilterPage::mark_rect(int row) const { return question_mark_rect(*list_, row); }

bool CQuestionsFilterPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonDblClick) double_click_ = true;
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonRelease &&
        !std::exchange(double_click_, false)) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        const QModelIndex index = list_->indexAt(at);
        if (mouse->button() == Qt::LeftButton && index.isValid() && mark_rect(index.row()).contains(at))
            toggle(index.row());
    }
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            toggle(list_->currentIndex().row());
            return true;  // not a type-ahead search for a space
        }
    }
    return property_page::eventFilter(watched, event);
}

void CQuestionsFilterPage::OnInitDialog() { list_->setFocus(Qt::OtherFocusReason); }

bool CQuestionsFilterPage::OnKillActive() {
    for (quint16 flag : m_selected)
        if (flag) return true;
    beep();
    return false;
}

}  // namespace oc_ui
