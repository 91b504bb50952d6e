#include "prepare/prepare_command.h"

#include "frame/messages.h"

namespace oc_ui {

void run_prepare(const QString&, const QString&, const QString&, const QString&, const QString&, const QString&) {
    show_text(QStringLiteral("The Prepare command is not available yet."), box_style::information);
}

}  // namespace oc_ui
