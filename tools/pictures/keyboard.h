#pragma once

#include <QImage>

// The full-screen keyboard picture, 1366x768 RGB times scale: every key is drawn where its
// touch area lies.
QImage drawKeyboard(qreal scale);
