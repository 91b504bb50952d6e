#include "merge/merge_command.h"

#include "frame/messages.h"

namespace oc_ui {

void run_merge(const QString&, const QString&, const QString&, const QString&) {
    show_text(QStringLiteral("The Merge command is not available yet."), box_style::information);
}

}  // namespace oc_ui
