// String table texts as Qt strings.
#pragma once

#include <QString>

namespace oc_ui {

// The text of string `id`; empty when the table has no such string.
QString ui_string(int id);

// String `id` with every "%1" replaced by `argument`.
QString format_string1(int id, const QString& argument);

}  // namespace oc_ui
