#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QSize>

// The small pictures of the control bar, all drawn in one style: a near-black body with
// transparent rounded corners, a cream symbol and an optional status dot top right. Sizes are
// in the screen's pixels; the picture has scale times as many.

enum class Dot { None, Grey, Red, Green, Yellow };

enum class Symbol { None, Sharp, Loop, Stop, Close, ThreeD, Play, Pause };

// The round status lamp of the buttons, with its small highlight.
void paintLamp(QPainter &p, QPointF centre, qreal radius, const QColor &colour);

QImage drawButton(QSize size, Symbol symbol, Dot dot, qreal scale);
QImage drawSliderHandle(qreal scale);
QImage drawSliderTrack(qreal scale);
