#pragma once

#include <QUrl>

class QGuiApplication;

// Shows the document full screen and runs the event loop.
// Returns the process exit status: 0 after a normal end, 1 when the loop ended otherwise.
int runPiano(QGuiApplication &app, const QUrl &document);
