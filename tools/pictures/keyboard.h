#pragma once

#include <QImage>

// The full-screen keyboard picture, 1336x768 RGB times scale. The screen stretches it
// horizontally to 1366 pixels, so every key is drawn at its touch area's screen x divided by
// that stretch.
QImage drawKeyboard(qreal scale);
