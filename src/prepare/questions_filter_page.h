// The examine command's first page: tick the questions to list.
#pragma once

#include <QList>
#include <QStringList>
#include <QVector>

#include "prepare/property_page.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace oc_ui {

class CQuestionsFilterPage : public property_page {
    Q_OBJECT
public:
    CQuestionsFilterPage(const QStringList& names, const QList<quint16>& types, QWidget* parent = nullptr);

    const QVector<quint16>& selected() const { return m_selected; }
    // Flips question `row` (a click on its mark, or Space on it).
    void toggle(int row);
    bool OnKillActive() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void set_column_widths();

    QTreeWidget* list_ = nullptr;
    QVector<quint16> m_selected;
};

}  // namespace oc_ui
