#pragma once

#include <QImage>
#include <QSize>

// The small pictures of the control bar, all drawn in one style: a near-black body with
// transparent rounded corners, a cream symbol and an optional status dot top right.

enum class Dot { None, Grey, Red, Green, Yellow };

enum class Symbol { None, Sharp, Loop, Stop, Close, ThreeD, Play, Pause };

QImage drawButton(QSize size, Symbol symbol, Dot dot);
QImage drawSliderHandle();
QImage drawSliderTrack();
