// A one-line label that shortens its text with "…" to the width it is given
// instead of asking for more, the whole text in its tooltip.
#pragma once

#include <QLabel>

namespace oc_ui {

class elided_label : public QLabel {
    Q_OBJECT
public:
    explicit elided_label(QWidget* parent = nullptr);

    void set_full_text(const QString& text);
    const QString& full_text() const { return full_; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();
    QString full_;
};

}  // namespace oc_ui
