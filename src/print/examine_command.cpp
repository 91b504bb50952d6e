#include "print/examine_command.h"

#include "frame/messages.h"

namespace oc_ui {

void run_examine(const QString&, const QString&, const QString&, const QString&, const QString&, const QString&) {
    show_text(QStringLiteral("The Examine command is not available yet."), box_style::information);
}

}  // namespace oc_ui
