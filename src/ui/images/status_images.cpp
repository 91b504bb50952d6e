#include "ui/images/status_images.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPixmapCache>

namespace oc_ui {

namespace {

// Paints one image into a 16 x 16 logical square; the painter is already
// scaled to the target size.
using paint_function = void (*)(QPainter&);

// Draws the image on demand at the requested size in device pixels, so a
// high-DPI screen gets a sharp image rather than a scaled bitmap. Pixmaps
// are cached per image, pixel size and mode.
class painted_engine final : public QIconEngine {
public:
    painted_engine(paint_function paint, QString key) : paint_(paint), key_(std::move(key)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / qreal(kSmallImageSize), rect.height() / qreal(kSmallImageSize));
        if (mode == QIcon::Disabled) painter->setOpacity(0.4);
        paint_(*painter);
        painter->restore();
    }

    // `size` is in device pixels: QIcon has already applied the device
    // pixel ratio and sets it on the result.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        const QString cache_key =
            QStringLiteral("oc_ui/%1/%2x%3/%4").arg(key_).arg(size.width()).arg(size.height()).arg(int(mode));
        QPixmap result;
        if (QPixmapCache::find(cache_key, &result)) return result;
        result = QPixmap(size);
        result.fill(Qt::transparent);
        {
            QPainter painter(&result);
            paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        }
        QPixmapCache::insert(cache_key, result);
        return result;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new painted_engine(paint_, key_); }
    QString key() const override { return QStringLiteral("oc_ui_painted"); }

private:
    paint_function paint_;
    QString key_;
};

QIcon painted(paint_function paint, const char* key) {
    return QIcon(new painted_engine(paint, QString::fromLatin1(key)));
}

// The common square frame of the status and selection images: a 1-pixel
// black border inside the 16 x 16 cell, two pixels of margin.
const QRectF kFrame(2.5, 2.5, 11.0, 11.0);

QPen frame_pen() {
    QPen pen(Qt::black, 1.0);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

void paint_status_empty(QPainter& p) {
    p.setPen(frame_pen());
    p.setBrush(Qt::NoBrush);
    p.drawRect(kFrame);
}

// A black box whose right half is white (here: transparent) inside the
// border: the frame half filled.
void paint_status_partly(QPainter& p) {
    QPainterPath box;
    box.addRect(QRectF(2.0, 2.0, 12.0, 12.0));
    QPainterPath hole;
    hole.addRect(QRectF(8.0, 3.0, 5.0, 10.0));
    p.fillPath(box.subtracted(hole), Qt::black);
}

void paint_status_complete(QPainter& p) { p.fillRect(QRectF(2.0, 2.0, 12.0, 12.0), Qt::black); }

// A black box with a white letter m cut out of it.
void paint_status_merged(QPainter& p) {
    QPainterPath box;
    box.addRect(QRectF(2.0, 2.0, 12.0, 12.0));
    QPainterPath m;
    // Three stems and the two arches of a small m, 1.5 px strokes.
    m.addRect(QRectF(4.0, 6.0, 1.5, 6.0));
    m.addRect(QRectF(7.25, 7.0, 1.5, 5.0));
    m.addRect(QRectF(10.5, 7.0, 1.5, 5.0));
    m.addRect(QRectF(4.0, 5.5, 8.0, 1.5));
    p.fillPath(box.subtracted(m), Qt::black);
}

void paint_check_empty(QPainter& p) { paint_status_empty(p); }

void paint_check_crossed(QPainter& p) {
    paint_status_empty(p);
    QPen pen(Qt::black, 1.5);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
    p.drawLine(QPointF(11.5, 4.5), QPointF(4.5, 11.5));
}

void paint_letter(QPainter& p, QChar letter) {
    QFont font;
    font.setFamily(QStringLiteral("Sans Serif"));
    font.setBold(true);
    font.setPixelSize(12);
    QPainterPath path;
    path.addText(0, 0, font, QString(letter));
    const QRectF bounds = path.boundingRect();
    // Centre the glyph in the cell whatever the font's metrics.
    path.translate(8.0 - bounds.center().x(), 8.0 - bounds.center().y());
    p.fillPath(path, Qt::black);
}

void paint_action_n(QPainter& p) { paint_letter(p, u'N'); }
void paint_action_r(QPainter& p) { paint_letter(p, u'R'); }
void paint_action_a(QPainter& p) { paint_letter(p, u'A'); }

void paint_sound_play(QPainter& p) {
    QPainterPath triangle;
    triangle.moveTo(4.0, 2.5);
    triangle.lineTo(13.0, 8.0);
    triangle.lineTo(4.0, 13.5);
    triangle.closeSubpath();
    p.fillPath(triangle, QColor(0, 128, 0));
}

void paint_sound_stop(QPainter& p) { p.fillRect(QRectF(3.5, 3.5, 9.0, 9.0), QColor(160, 0, 0)); }

// A waste bin: lid, handle and a body with three ribs.
void paint_sound_delete(QPainter& p) {
    QPen pen(Qt::black, 1.0);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(2.5, 4.5), QPointF(13.5, 4.5));
    p.drawRect(QRectF(6.5, 2.5, 3.0, 2.0));
    QPainterPath body;
    body.moveTo(3.5, 4.5);
    body.lineTo(4.5, 13.5);
    body.lineTo(11.5, 13.5);
    body.lineTo(12.5, 4.5);
    p.drawPath(body);
    p.drawLine(QPointF(6.5, 6.5), QPointF(6.5, 11.5));
    p.drawLine(QPointF(8.0, 6.5), QPointF(8.0, 11.5));
    p.drawLine(QPointF(9.5, 6.5), QPointF(9.5, 11.5));
}

}  // namespace

QIcon status_icon(int status) {
    switch (status) {
    case 0: return painted(paint_status_empty, "status0");
    case 1: return painted(paint_status_partly, "status1");
    case 2: return painted(paint_status_complete, "status2");
    case 3: return painted(paint_status_merged, "status3");
    default: return QIcon();
    }
}

QString status_name(int status) {
    switch (status) {
    case 0: return QStringLiteral("Nothing coded");
    case 1: return QStringLiteral("Partly coded");
    case 2: return QStringLiteral("Coding complete");
    case 3: return QStringLiteral("Merged");
    default: return QString();
    }
}

QIcon selection_icon(bool selected) {
    return selected ? painted(paint_check_crossed, "checked") : painted(paint_check_empty, "unchecked");
}

QIcon action_icon(action_mark mark) {
    switch (mark) {
    case action_mark::none_yet: return painted(paint_action_n, "actionN");
    case action_mark::replace: return painted(paint_action_r, "actionR");
    case action_mark::append: return painted(paint_action_a, "actionA");
    }
    return QIcon();
}

QIcon sound_icon(sound_image image) {
    switch (image) {
    case sound_image::play: return painted(paint_sound_play, "play");
    case sound_image::stop: return painted(paint_sound_stop, "stop");
    case sound_image::remove: return painted(paint_sound_delete, "delete");
    }
    return QIcon();
}

}  // namespace oc_ui
