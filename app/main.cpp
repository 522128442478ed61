#include "pianostartup.h"

#include <QGuiApplication>
#include <QQuickWindow>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

std::atomic<int> exitStatus{0};

// Closing the sound output waits for the sound server, and a hung server would hold the exit
// for ever. The settings are saved by the time the event loop ends, so ending the process
// without the rest of its teardown loses nothing.
void endWithinDeadline()
{
    std::thread([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        std::fflush(nullptr);
        std::_Exit(exitStatus.load());
    }).detach();
}

} // namespace

int main(int argc, char **argv)
{
    // The piano is flat pictures and a few card turns: Qt Quick's software renderer shows the
    // first frame in about a third of the time and with well under half the memory of OpenGL
    // on a tablet without a fast GPU. QT_QUICK_BACKEND still chooses another.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QGuiApplication app(argc, argv);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, endWithinDeadline);
    exitStatus = runPiano(app, QUrl(QStringLiteral("qrc:qml/qml/kevaro/main.qml")));
    return exitStatus;
}
