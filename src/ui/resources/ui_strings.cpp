#include "ui/resources/ui_strings.h"

#include "engines/texts/string_table.h"

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

QString format_string(int id, const QStringList& arguments) {
    const QString pattern = ui_string(id);
    QString text;
    qsizetype next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == QLatin1Char('%') && i + 1 < pattern.size() && pattern[i + 1] == QLatin1Char('s')) {
            if (next < arguments.size()) text += arguments[next];
            ++next;
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

}  // namespace oc_ui
