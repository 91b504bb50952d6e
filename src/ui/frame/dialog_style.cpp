#include "ui/frame/dialog_style.h"

#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

namespace oc_ui {

namespace {

class dialog_style final : public QProxyStyle {
public:
    // Built on the application's own style, whatever the host chose.
    dialog_style() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        if (element != CE_PushButton || !button) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        // The button itself as if it had neither role, then each role's own mark.
        QStyleOptionButton plain(*button);
        plain.state &= ~State_HasFocus;
        plain.features &= ~QStyleOptionButton::DefaultButton;
        QProxyStyle::drawControl(CE_PushButton, &plain, painter, widget);
        if ((button->features & QStyleOptionButton::DefaultButton) && (button->state & State_Enabled)) {
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing, false);
            painter->setPen(QPen(button->palette.color(QPalette::WindowText), 1));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(button->rect.adjusted(0, 0, -1, -1));
            painter->restore();
        }
        if (button->state & State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(*button);
            focus.rect = subElementRect(SE_PushButtonFocusRect, button, widget);
            focus.backgroundColor = button->palette.color(QPalette::Button);
            drawPrimitive(PE_FrameFocusRect, &focus, painter, widget);
        }
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element != PE_FrameFocusRect) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        // Shown whether the focus came by mouse or by keyboard: Return goes
        // to the focused button either way.
        const auto* focus = qstyleoption_cast<const QStyleOptionFocusRect*>(option);
        const QColor under = focus && focus->backgroundColor.isValid() ? focus->backgroundColor
                                                                        : option->palette.color(QPalette::Window);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(QPen(qGray(under.rgb()) < 128 ? Qt::white : Qt::black, 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }
};

}  // namespace

void use_dialog_style(QWidget& widget) {
    static dialog_style style;
    widget.setStyle(&style);
}

}  // namespace oc_ui
