// The catalogue of open-end and OTHER questions as the dialogs take it.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace oc_ui {

// Fills `names` and `types` (LOGIC_INSTRUCTIONS values, sign-extended) in
// label order, under the wait cursor; both empty when the label file cannot
// be read or has no such question (the callers then show message 745).
// Returns 1. Running out of memory throws CHalvexException(9).
int GetOpenendQuestionList(const QString& label_path, QStringList& names, QList<quint16>& types);

// The same for a command that needs at least one question: false, after
// message 745, when there is none.
bool list_openend_questions(const QString& label_path, QStringList& names, QList<quint16>& types);

}  // namespace oc_ui
