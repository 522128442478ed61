#include "buttons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

const QColor bodyTop(0x1c, 0x1b, 0x16);
const QColor bodyBottom(0x2e, 0x2d, 0x27);
const QColor cream(0xff, 0xfa, 0xcd);
constexpr qreal cornerRadius = 8;
// Symbols are laid out on a 50x50 grid; a bigger body keeps them centred.
constexpr qreal grid = 50;

// An empty picture of the given size, in pixels times scale.
QImage transparentImage(QSize size, qreal scale)
{
    QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// A painter that draws on the picture in unscaled pixels.
void begin(QPainter &p, qreal scale)
{
    p.setRenderHint(QPainter::Antialiasing);
    if (scale != 1)
        p.scale(scale, scale);
}

void paintBody(QPainter &p, const QRectF &rect, const QColor &top, const QColor &bottom)
{
    const qreal radius = qMin(cornerRadius, rect.height() / 2);
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(rect, radius, radius);

    // A faint rim keeps the body apart from the equally dark bar behind it.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 28), 1));
    p.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5, radius - 0.5);
    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    p.drawLine(QPointF(rect.left() + radius, rect.top() + 1.5),
               QPointF(rect.right() - radius, rect.top() + 1.5));
}

QColor dotColour(Dot dot)
{
    switch (dot) {
    case Dot::Grey:
        return QColor(0x80, 0x80, 0x7b);
    case Dot::Red:
        return QColor(0xc1, 0x18, 0x00);
    case Dot::Green:
        return QColor(0x08, 0xde, 0x07);
    case Dot::Yellow:
        return QColor(0xe2, 0xe2, 0x07);
    case Dot::None:
        break;
    }
    return QColor();
}

void paintDot(QPainter &p, QPointF centre, Dot dot)
{
    if (dot != Dot::None)
        paintLamp(p, centre, 4.5, dotColour(dot));
}

QPen symbolPen(qreal width = 3.2)
{
    return QPen(cream, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Lettering is stroked by hand so the pictures do not depend on installed fonts.
void paintSharp(QPainter &p)
{
    p.setPen(symbolPen());
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(9, 16, 17, 20), 45 * 16, 270 * 16);
    p.setPen(symbolPen(2.4));
    p.drawLine(QPointF(31.5, 17), QPointF(29.5, 35));
    p.drawLine(QPointF(37.5, 17), QPointF(35.5, 35));
    p.drawLine(QPointF(27, 22.5), QPointF(41, 22.5));
    p.drawLine(QPointF(26, 29.5), QPointF(40, 29.5));
}

void paintThreeD(QPainter &p)
{
    p.setPen(symbolPen(2.8));
    p.setBrush(Qt::NoBrush);
    QPainterPath three;
    three.moveTo(10, 19);
    three.arcTo(QRectF(10, 16, 13, 10), 150, -240);
    three.arcTo(QRectF(9, 25, 14, 11), 90, -240);
    p.drawPath(three);
    QPainterPath d;
    d.moveTo(28, 16.5);
    d.lineTo(28, 35.5);
    d.lineTo(31, 35.5);
    d.arcTo(QRectF(24, 16.5, 17, 19), -90, 180);
    d.closeSubpath();
    p.drawPath(d);
}

void paintLoop(QPainter &p)
{
    const QRectF ring(14, 16, 22, 22);
    p.setPen(symbolPen());
    p.setBrush(Qt::NoBrush);
    // Open at the top right, where the arrow head sits.
    p.drawArc(ring, 70 * 16, 290 * 16);
    QPainterPath head;
    head.moveTo(28.5, 11.5);
    head.lineTo(35.5, 17.5);
    head.lineTo(27, 21.5);
    head.closeSubpath();
    p.setPen(QPen(cream, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(cream);
    p.drawPath(head);
}

void paintStop(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(cream);
    p.drawRoundedRect(QRectF(16, 17, 18, 18), 2, 2);
}

void paintClose(QPainter &p)
{
    p.setPen(symbolPen(3.6));
    p.drawLine(QPointF(16, 16), QPointF(34, 34));
    p.drawLine(QPointF(34, 16), QPointF(16, 34));
}

void paintPlay(QPainter &p)
{
    QPainterPath triangle;
    triangle.moveTo(19, 15.5);
    triangle.lineTo(36, 26);
    triangle.lineTo(19, 36.5);
    triangle.closeSubpath();
    p.setPen(QPen(cream, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(cream);
    p.drawPath(triangle);
}

void paintPause(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(cream);
    p.drawRoundedRect(QRectF(17, 16, 6, 20), 1.5, 1.5);
    p.drawRoundedRect(QRectF(28, 16, 6, 20), 1.5, 1.5);
}

void paintSymbol(QPainter &p, Symbol symbol)
{
    switch (symbol) {
    case Symbol::Sharp:
        paintSharp(p);
        break;
    case Symbol::Loop:
        paintLoop(p);
        break;
    case Symbol::Stop:
        paintStop(p);
        break;
    case Symbol::Close:
        paintClose(p);
        break;
    case Symbol::ThreeD:
        paintThreeD(p);
        break;
    case Symbol::Play:
        paintPlay(p);
        break;
    case Symbol::Pause:
        paintPause(p);
        break;
    case Symbol::None:
        break;
    }
}

} // namespace

QImage drawButton(QSize size, Symbol symbol, Dot dot, qreal scale)
{
    QImage image = transparentImage(size, scale);
    QPainter p(&image);
    begin(p, scale);
    paintBody(p, QRectF(0, 0, size.width(), size.height()), bodyTop, bodyBottom);
    p.save();
    p.translate((size.width() - grid) / 2, (size.height() - grid) / 2);
    paintSymbol(p, symbol);
    p.restore();
    paintDot(p, QPointF(size.width() - 9.5, 9.5), dot);
    return image;
}

QImage drawSliderHandle(qreal scale)
{
    QImage image = transparentImage(QSize(50, 50), scale);
    QPainter p(&image);
    begin(p, scale);
    paintBody(p, QRectF(0, 0, 50, 50), QColor(0x74, 0x73, 0x6d), QColor(0x4c, 0x4b, 0x45));
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.setBrush(cream);
    p.drawRoundedRect(QRectF(22, 9, 6, 32), 3, 3);
    return image;
}

QImage drawSliderTrack(qreal scale)
{
    QImage image = transparentImage(QSize(300, 10), scale);
    QPainter p(&image);
    begin(p, scale);
    // Darker at the top so the track looks sunk into the bar.
    QLinearGradient fill(0, 0, 0, 10);
    fill.setColorAt(0, QColor(0x0b, 0x0a, 0x08));
    fill.setColorAt(1, QColor(0x26, 0x25, 0x20));
    p.setPen(QPen(QColor(255, 255, 255, 30), 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, 299, 9), 4.5, 4.5);
    return image;
}

void paintLamp(QPainter &p, QPointF centre, qreal radius, const QColor &colour)
{
    p.setPen(QPen(QColor(0, 0, 0, 160), radius / 4.5));
    p.setBrush(colour);
    p.drawEllipse(centre, radius, radius);
    // Small highlight so the dot reads as a lamp rather than a flat spot.
    QRadialGradient shine(centre - QPointF(1.3, 1.3) * (radius / 4.5), radius);
    shine.setColorAt(0, QColor(255, 255, 255, 150));
    shine.setColorAt(0.5, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawEllipse(centre, radius * 8 / 9, radius * 8 / 9);
}
