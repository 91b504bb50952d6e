// String table texts as Qt strings.
#pragma once

#include <QString>
#include <QStringList>

namespace oc_ui {

// The text of string `id`; empty when the table has no such string.
QString ui_string(int id);

// String `id` with every "%1" replaced by `argument`.
QString format_string1(int id, const QString& argument);

// String `id` with its "%s" replaced in turn by `arguments` (an argument's
// own "%s" stays as it is; a "%s" without an argument becomes empty).
QString format_string(int id, const QStringList& arguments);

}  // namespace oc_ui
