#include "ui/widgets/elided_label.h"

namespace oc_ui {

elided_label::elided_label(QWidget* parent) : QLabel(parent) { setTextFormat(Qt::PlainText); }

void elided_label::set_full_text(const QString& text) {
    full_ = text;
    setToolTip(text);
    elide();
}

// Asking for the whole text's width would let a long label widen the
// dialog; the layout gives what it can spare instead.
QSize elided_label::minimumSizeHint() const { return {fontMetrics().averageCharWidth() * 4, QLabel::minimumSizeHint().height()}; }
QSize elided_label::sizeHint() const { return {fontMetrics().averageCharWidth() * 24, QLabel::sizeHint().height()}; }

void elided_label::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void elided_label::elide() { setText(fontMetrics().elidedText(full_, Qt::ElideRight, contentsRect().width())); }

}  // namespace oc_ui
