#include "keyboard.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int pictureWidth = 1366;
constexpr int pictureHeight = 768;
constexpr qreal bandHeight = 64;
constexpr qreal whiteBottom = 758;
constexpr qreal blackBottom = 508;
// Keys run a little under the top band so their upper corners never show.
constexpr qreal keyTop = bandHeight - 12;

struct Span
{
    int x;
    int width;
};

// Screen x and width of the touch areas. The first white key and the last black key run off
// the screen; the 13th white key and the leftmost black key are slivers at the edges, kept
// one pixel clear of the touch areas beside them.
constexpr Span whiteKeys[] = {{-3, 112},   {110, 112},  {223, 110}, {335, 110}, {446, 110},
                              {558, 110},  {671, 110},  {784, 109}, {895, 112}, {1008, 110},
                              {1120, 110}, {1233, 109}, {1343, 110}};
constexpr Span blackKeys[] = {{-64, 72}, {74, 72},  {203, 72}, {398, 72},  {534, 72},
                              {729, 72}, {859, 72}, {988, 72}, {1184, 72}, {1317, 72}};

// Close-button square on screen; the outline is kept inside it so the button's rounded
// corners do not reveal it.
constexpr qreal closeLeft = 1304 + 4, closeRight = 1354 - 4;
constexpr qreal closeTop = 7 + 4, closeBottom = 57 - 4;

QRectF keyRect(const Span &span, qreal bottom)
{
    return QRectF(span.x, keyTop, span.width, bottom - keyTop);
}

void paintKeyBed(QPainter &p)
{
    // The grooves between white keys are 1 to 3 pixels wide; a mid grey keeps the wide ones
    // from reading as black lines while the narrow ones still show.
    QLinearGradient grooves(0, bandHeight, 0, whiteBottom);
    grooves.setColorAt(0, QColor(0x5e, 0x5b, 0x54));
    grooves.setColorAt(1, QColor(0x46, 0x43, 0x3d));
    p.fillRect(QRectF(0, 0, pictureWidth, whiteBottom), grooves);
    p.fillRect(QRectF(0, whiteBottom, pictureWidth, pictureHeight - whiteBottom),
               QColor(0x16, 0x15, 0x12));
}

void paintWhiteKey(QPainter &p, const QRectF &rect)
{
    QPainterPath outline;
    outline.addRoundedRect(rect, 4, 4);
    p.save();
    p.setClipPath(outline);

    QLinearGradient face(0, bandHeight, 0, rect.bottom());
    face.setColorAt(0, QColor(0xf2, 0xf1, 0xec));
    face.setColorAt(0.55, QColor(0xfc, 0xfb, 0xf8));
    face.setColorAt(1, QColor(0xe9, 0xe7, 0xe0));
    p.fillRect(rect, face);

    // Rounded edges: a bright left rim and a soft shadow towards the right neighbour.
    QLinearGradient sides(rect.left(), 0, rect.right(), 0);
    const qreal edge = 1 / rect.width();
    sides.setColorAt(0, QColor(255, 255, 255, 140));
    sides.setColorAt(2 * edge, QColor(255, 255, 255, 0));
    sides.setColorAt(1 - 7 * edge, QColor(0, 0, 0, 0));
    sides.setColorAt(1, QColor(60, 55, 45, 70));
    p.fillRect(rect, sides);

    // The key's front edge, seen from slightly above.
    const QRectF lip(rect.left(), rect.bottom() - 9, rect.width(), 9);
    QLinearGradient front(0, lip.top(), 0, lip.bottom());
    front.setColorAt(0, QColor(0xd8, 0xd5, 0xcc));
    front.setColorAt(0.25, QColor(0xec, 0xea, 0xe4));
    front.setColorAt(1, QColor(0xc2, 0xbf, 0xb5));
    p.fillRect(lip, front);
    p.fillRect(QRectF(lip.left(), lip.top() - 1, lip.width(), 1), QColor(255, 255, 255, 200));
    p.restore();
}

void paintBlackKeyShadow(QPainter &p, const QRectF &rect)
{
    // Stacked faint outlines around a shifted copy of the key make a soft shadow.
    // It falls mostly towards the player: the white keys' touch areas begin a few pixels
    // beside the black keys and should look clean there.
    const QRectF cast = rect.translated(0.5, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 26, 18, 13));
    for (int i = 7; i >= 0; --i)
        p.drawRoundedRect(cast.adjusted(-i * 0.3, 0, i * 0.3, i * 1.2), 3 + i * 0.5, 3 + i);
}

void paintBlackKey(QPainter &p, const QRectF &rect)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x05, 0x05, 0x06));
    p.drawRoundedRect(rect, 3, 3);

    // Top face: inset from the bevelled sides, lighter towards the player.
    constexpr qreal slope = 24;
    const QRectF top = rect.adjusted(4.5, 0, -4.5, -slope - 3);
    QLinearGradient face(0, bandHeight, 0, top.bottom());
    face.setColorAt(0, QColor(0x14, 0x14, 0x16));
    face.setColorAt(0.8, QColor(0x1f, 0x1f, 0x22));
    face.setColorAt(1, QColor(0x2b, 0x2b, 0x2e));
    p.setBrush(face);
    p.drawRoundedRect(top, 2, 2);

    // Gloss: a long reflection down the left of the top face.
    const QRectF gloss(top.left() + 3, bandHeight + 10, 5, top.bottom() - bandHeight - 30);
    QLinearGradient shine(0, gloss.top(), 0, gloss.bottom());
    shine.setColorAt(0, QColor(255, 255, 255, 0));
    shine.setColorAt(0.35, QColor(255, 255, 255, 52));
    shine.setColorAt(1, QColor(255, 255, 255, 8));
    p.setBrush(shine);
    p.drawRoundedRect(gloss, 2.5, 2.5);

    // Front slope, catching the light at its upper edge.
    const QRectF front(rect.left() + 2.5, top.bottom() + 1, rect.width() - 5,
                       rect.bottom() - top.bottom() - 3);
    QLinearGradient slopeFill(0, front.top(), 0, front.bottom());
    slopeFill.setColorAt(0, QColor(0x4a, 0x4a, 0x4e));
    slopeFill.setColorAt(0.2, QColor(0x2a, 0x2a, 0x2d));
    slopeFill.setColorAt(1, QColor(0x0e, 0x0e, 0x10));
    p.setBrush(slopeFill);
    p.drawRoundedRect(front, 2, 2);
}

void paintBand(QPainter &p)
{
    QLinearGradient lacquer(0, 0, 0, bandHeight);
    lacquer.setColorAt(0, QColor(0x1a, 0x19, 0x17));
    lacquer.setColorAt(0.1, QColor(0x12, 0x11, 0x10));
    lacquer.setColorAt(1, QColor(0x08, 0x08, 0x07));
    p.fillRect(QRectF(0, 0, pictureWidth, bandHeight), lacquer);
    // The felt strip where the keys disappear under the lid.
    p.fillRect(QRectF(0, bandHeight - 3, pictureWidth, 3), QColor(0x5c, 0x14, 0x10));

    // The lid's shadow on the keys.
    QLinearGradient shadow(0, bandHeight, 0, bandHeight + 14);
    shadow.setColorAt(0, QColor(0, 0, 0, 110));
    shadow.setColorAt(1, QColor(0, 0, 0, 0));
    p.fillRect(QRectF(0, bandHeight, pictureWidth, 14), shadow);
}

void paintCloseMark(QPainter &p)
{
    const QRectF square(QPointF(closeLeft, closeTop), QPointF(closeRight, closeBottom));
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawRect(square.adjusted(1, 1, -1, -1));
    const QRectF cross = square.adjusted(11, 11, -11, -11);
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(cross.topLeft(), cross.bottomRight());
    p.drawLine(cross.topRight(), cross.bottomLeft());
}

} // namespace

QImage drawKeyboard(qreal scale)
{
    QImage image(QSize(pictureWidth, pictureHeight) * scale, QImage::Format_RGB32);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        paintKeyBed(p);
        for (const Span &key : whiteKeys)
            paintWhiteKey(p, keyRect(key, whiteBottom));
        for (const Span &key : blackKeys)
            paintBlackKeyShadow(p, keyRect(key, blackBottom));
        for (const Span &key : blackKeys)
            paintBlackKey(p, keyRect(key, blackBottom));
        paintBand(p);
        paintCloseMark(p);
    }
    return image.convertToFormat(QImage::Format_RGB888);
}
