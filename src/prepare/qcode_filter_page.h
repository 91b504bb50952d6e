// The prepare command's first page: per question a coding action (Not
// Coded, Replace, Append), the number of codes for Append and the code
// width. A question's fields are validated before another question is shown.
#pragma once

#include <QList>
#include <QStringList>
#include <QVector>

#include "extract/drivers.h"
#include "prepare/property_page.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTreeWidget;

namespace oc_ui {

class CQCodeFilterPage : public property_page {
    Q_OBJECT
public:
    CQCodeFilterPage(const QStringList& names, const QList<quint16>& types, QWidget* parent = nullptr);

    const QVector<oc::CQCodeSpec>& specs() const { return m_specs; }
    bool any_action() const;
    int current_question() const { return m_nCurrent; }
    bool OnKillActive() override;

private:
    // Validates the fields of the question shown and stores them; false
    // (message shown, focus in the failing field) when they are refused.
    bool store_current();
    void load_question(int row);
    void apply_action_rule();
    void selection_changed(int row);

    QStringList names_;
    QList<quint16> types_;
    QVector<oc::CQCodeSpec> m_specs;
    int m_nCurrent = 0;
    bool reverting_ = false;

    QTreeWidget* list_ = nullptr;
    QComboBox* action_ = nullptr;
    QLabel* codes_label_ = nullptr;
    QLineEdit* codes_ = nullptr;
    QLabel* width_label_ = nullptr;
    QLineEdit* width_ = nullptr;
    QLabel* question_label_ = nullptr;
};

}  // namespace oc_ui
