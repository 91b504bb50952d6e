// CQuestionsFilterPage: the examine command's first page. The user ticks
// the catalogue questions whose answers are to be listed.
//
// A question is ticked or cleared only by a click on its mark (the empty or
// crossed square), or by the Space key on the current question, the
// keyboard's way of pressing that mark. Clicking the name or the type, and
// moving the selection with the mouse or the keyboard, never change a tick.
// The page cannot be left (tab or OK) while nothing is ticked: it beeps.
#pragma once

#include <QList>
#include <QRect>
#include <QStringList>
#include <QVector>

#include "ui/sheet/property_page.h"

class QTreeWidget;

namespace oc_ui {

class CQuestionsFilterPage : public property_page {
    Q_OBJECT
public:
    // The catalogue (GetOpenendQuestionList); every question starts unticked.
    CQuestionsFilterPage(const QStringList& names, const QList<quint16>& types, QWidget* parent = nullptr);

    // One flag per catalogue question, 1 = ticked. Read after the sheet's OK.
    const QVector<quint16>& selected() const { return m_selected; }

    // Flips the tick of question `row` and its mark; nothing for a row that
    // does not exist.
    void toggle(int row);

    // Where question `row`'s mark is drawn (list viewport coordinates).
    QRect mark_rect(int row) const;

    // Focus into the list.
    void OnInitDialog() override;
    bool OnKillActive() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidget* list_ = nullptr;
    QVector<quint16> m_selected;
    // The second click of a double click is no click of its own.
    bool double_click_ = false;
};

}  // namespace oc_ui
