#include "icon.h"

#include "buttons.h"

#include <QLinearGradient>
#include <QPaintDevice>
#include <QPainter>
#include <QRadialGradient>

namespace {

const QColor bodyTop(0x1c, 0x1b, 0x16);
const QColor bodyBottom(0x2e, 0x2d, 0x27);
const QColor cream(0xff, 0xfa, 0xcd);
const QColor red(0xc1, 0x18, 0x00);
constexpr qreal grid = 50;

void paintBody(QPainter &p)
{
    const QRectF body(2, 2, 46, 46);
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0, bodyTop);
    fill.setColorAt(1, bodyBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(body, 8, 8);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 40), 0.8));
    p.drawRoundedRect(body.adjusted(0.4, 0.4, -0.4, -0.4), 7.6, 7.6);
}

void paintKeys(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(cream);
    for (int i = 0; i < 3; ++i)
        p.drawRoundedRect(QRectF(10 + i * 10.5, 14, 9.5, 27), 1.5, 1.5);
    p.setPen(QPen(QColor(0, 0, 0, 120), 0.6));
    p.setBrush(bodyTop);
    for (int i = 0; i < 2; ++i)
        p.drawRoundedRect(QRectF(16.5 + i * 10.5, 14, 6.5, 16), 1, 1);
}

} // namespace

void paintIcon(QPaintDevice &device)
{
    QPainter p(&device);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(device.width() / grid, device.height() / grid);
    paintBody(p);
    paintKeys(p);
    paintLamp(p, QPointF(40.5, 9.5), 4, red);
}
