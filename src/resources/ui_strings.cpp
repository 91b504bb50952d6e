#include "resources/ui_strings.h"

#include "resources/string_table.h"

namespace oc_ui {

QString ui_string(int id) {
    const char* text = oc::string_text(id);
    return text ? QString::fromLatin1(text) : QString();
}

QString format_string1(int id, const QString& argument) {
    QString text = ui_string(id);
    text.replace(QLatin1String("%1"), argument);
    return text;
}

}  // namespace oc_ui
