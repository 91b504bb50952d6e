#include "ui/widgets/openend_question_list.h"

#include <cstdlib>

#include "engines/extract/catalogue.h"
#include "engines/texts/string_table.h"
#include "ui/frame/messages.h"

namespace oc_ui {

int GetOpenendQuestionList(const QString& label_path, QStringList& names, QList<quint16>& types) {
    wait_cursor busy;
    char** raw_names = nullptr;
    std::uint8_t* raw_types = nullptr;
    std::int16_t count = oc::read_openend_labels(label_path.toLocal8Bit().constData(), &raw_names, &raw_types);
    names.clear();
    types.clear();
    // A failed read (-1) lists nothing rather than sizing with a negative count.
    for (std::int16_t i = 0; i < count; ++i) {
        names.append(QString::fromLocal8Bit(raw_names[i]));
        types.append(static_cast<quint16>(static_cast<std::int16_t>(static_cast<std::int8_t>(raw_types[i]))));
        std::free(raw_names[i]);
    }
    std::free(raw_names);
    std::free(raw_types);
    return 1;
}

bool list_openend_questions(const QString& label_path, QStringList& names, QList<quint16>& types) {
    GetOpenendQuestionList(label_path, names, types);
    if (!names.isEmpty()) return true;
    show_message(oc::IDS_NO_OPENEND_DATA, box_style::information);
    return false;
}

}  // namespace oc_ui
