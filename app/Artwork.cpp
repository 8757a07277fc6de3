#include "app/Artwork.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QPixmap Canvas(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void CrossOut(QPainter& p, int size)
{
    p.setPen(QPen(QColor(0xC0, 0x20, 0x20), size / 10.0 + 1, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(size * 0.15, size * 0.85), QPointF(size * 0.85, size * 0.15));
}

QIcon Drawn(const std::function<void(QPainter&, int)>& draw)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pixmap = Canvas(size);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p, size);
        icon.addPixmap(pixmap);
    }
    return icon;
}

void Page(QPainter& p, int size, const QColor& colour)
{
    const qreal m = size * 0.18;
    QPainterPath page;
    page.moveTo(m, m * 0.5);
    page.lineTo(size - m * 1.8, m * 0.5);
    page.lineTo(size - m, m * 1.3);
    page.lineTo(size - m, size - m * 0.5);
    page.lineTo(m, size - m * 0.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
    p.setBrush(colour);
    p.drawPath(page);
}

}  // namespace

namespace Artwork {

QPixmap Key(int size, bool enabled)
{
    QPixmap pixmap = Canvas(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor gold = enabled ? QColor(0xD4, 0xA0, 0x17) : QColor(0x9A, 0x9A, 0x9A);
    p.setPen(QPen(gold.darker(140), 1));
    p.setBrush(gold);
    const qreal r = size * 0.22;
    p.drawEllipse(QPointF(size * 0.3, size * 0.5), r, r);
    p.drawRect(QRectF(size * 0.45, size * 0.44, size * 0.45, size * 0.12));
    p.drawRect(QRectF(size * 0.75, size * 0.5, size * 0.08, size * 0.16));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(size * 0.26, size * 0.5), r * 0.35, r * 0.35);
    if (!enabled)
        CrossOut(p, size);
    return pixmap;
}

QPixmap Connect(int size, bool enabled)
{
    QPixmap pixmap = Canvas(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor blue = enabled ? QColor(0x20, 0x60, 0xC0) : QColor(0x9A, 0x9A, 0x9A);
    p.setPen(QPen(blue, size / 8.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(size * 0.1, size * 0.35, size * 0.5, size * 0.3), size * 0.15, size * 0.15);
    p.drawRoundedRect(QRectF(size * 0.4, size * 0.35, size * 0.5, size * 0.3), size * 0.15, size * 0.15);
    if (!enabled)
        CrossOut(p, size);
    return pixmap;
}

QIcon DeleteFile()
{
    return Drawn([](QPainter& p, int size) {
        Page(p, size, Qt::white);
        p.setPen(QPen(QColor(0xC0, 0x20, 0x20), size / 8.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(size * 0.35, size * 0.4), QPointF(size * 0.65, size * 0.75));
        p.drawLine(QPointF(size * 0.65, size * 0.4), QPointF(size * 0.35, size * 0.75));
    });
}

QIcon ShowFile()
{
    return Drawn([](QPainter& p, int size) {
        Page(p, size, Qt::white);
        p.setPen(QPen(QColor(0x20, 0x60, 0xC0), size / 12.0 + 0.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(size * 0.45, size * 0.55), size * 0.14, size * 0.14);
        p.drawLine(QPointF(size * 0.55, size * 0.65), QPointF(size * 0.7, size * 0.8));
    });
}

QIcon Cancel()
{
    return Drawn([](QPainter& p, int size) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xC0, 0x30, 0x30));
        p.drawEllipse(QRectF(size * 0.12, size * 0.12, size * 0.76, size * 0.76));
        p.setPen(QPen(Qt::white, size / 9.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(size * 0.35, size * 0.35), QPointF(size * 0.65, size * 0.65));
        p.drawLine(QPointF(size * 0.65, size * 0.35), QPointF(size * 0.35, size * 0.65));
    });
}

QIcon Start()
{
    return Drawn([](QPainter& p, int size) {
        Page(p, size, QColor(0xFF, 0xF4, 0xD0));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x20, 0x90, 0x40));
        QPolygonF arrow;
        arrow << QPointF(size * 0.35, size * 0.35) << QPointF(size * 0.7, size * 0.57) << QPointF(size * 0.35, size * 0.79);
        p.drawPolygon(arrow);
    });
}

}  // namespace Artwork
