// CQCodeFilterPage: the prepare command's first page. Each catalogue
// question gets a coding action (Not Coded, Replace, Append), for Append a
// Number of Codes (1 to 30), and for Replace or Append a Code Width (1 to 4;
// exactly 1 for a Replace on a question of type code 0).
//
// The list shows each question's action as a mark (N, R, A) that changes as
// soon as the action is chosen. The fields show one question at a time.
// Moving to another question (mouse or keyboard) first validates and stores
// the fields of the question shown; a refusal names the allowed range, keeps
// that question selected, its input intact and the focus in the failing
// field. Leaving the page (tab or OK) validates and stores the same way.
#pragma once

#include <QList>
#include <QStringList>
#include <QVector>

#include "engines/extract/drivers.h"
#include "ui/sheet/property_page.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTreeWidget;

namespace oc_ui {

class CQCodeFilterPage : public property_page {
    Q_OBJECT
public:
    // The catalogue; every question starts at Not Coded with zero fields.
    CQCodeFilterPage(const QStringList& names, const QList<quint16>& types, QWidget* parent = nullptr);

    // One spec per catalogue question. Read after the sheet's OK.
    const QVector<oc::CQCodeSpec>& specs() const { return m_specs; }
    // Whether any question has an action other than Not Coded.
    bool any_action() const;
    // The question whose values the fields show.
    int current_question() const { return m_nCurrent; }

    // Focus into the list, its first question selected.
    void OnInitDialog() override;
    // Validates and stores the question shown; false (message shown, focus
    // in the failing field) when refused.
    bool OnKillActive() override;

private:
    // Reads the fields in the order the page checks them (Code Width, then
    // Number of Codes) and stores them for the question shown; false after
    // a refusal.
    bool store_current();
    void load_question(int row);
    void apply_action_rule();
    void current_changed(int row);
    // Validates the question shown before moving to the deferred one; false
    // when refused (the question shown stays selected).
    bool validate_pending();
    void reselect(int row);

    QStringList names_;
    QList<quint16> types_;
    QVector<oc::CQCodeSpec> m_specs;
    int m_nCurrent = 0;
    // A move to question deferred_ waits for the fields to be validated.
    bool pending_ = false;
    int deferred_ = -1;
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
