#include "coding/code_command.h"

#include "frame/messages.h"

namespace oc_ui {

void run_coding(const QString&) {
    show_text(QStringLiteral("The Code command is not available yet."), box_style::information);
}

}  // namespace oc_ui
