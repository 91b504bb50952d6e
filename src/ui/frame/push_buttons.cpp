#include "ui/frame/push_buttons.h"

#include <QPushButton>

#include "ui/frame/dialog_style.h"

namespace oc_ui {

namespace {

void adopt(QPushButton& button) {
    // Set outright: outside a dialog a button would not take Return at all.
    button.setAutoDefault(true);
    use_dialog_style(button);
}

}  // namespace

QPushButton* make_push_button(QWidget* parent, const QString& text, const QString& object_name) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(object_name);
    adopt(*button);
    return button;
}

void adopt_push_buttons(QWidget& owner) {
    for (QPushButton* button : owner.findChildren<QPushButton*>()) adopt(*button);
}

}  // namespace oc_ui
