#include "commandline.h"
#include "pianostartup.h"

#include <QGuiApplication>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

// The document's module, compiled in.
Q_IMPORT_QML_PLUGIN(kevaroPlugin)

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
    if (const std::optional<int> status = CommandLine::answerEarly(argc, argv))
        return *status;
    // The piano is flat pictures and a few card turns: Qt Quick's software renderer shows the
    // first frame in about a third of the time and with well under half the memory of OpenGL
    // on a tablet without a fast GPU. QT_QUICK_BACKEND still chooses another.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    // A tablet has no keyboard: the settings fields type with Qt's on-screen keyboard, inside
    // the window. A desktop's own input method, where one is set, stays in charge.
    if (qEnvironmentVariableIsEmpty("QT_IM_MODULE"))
        qputenv("QT_IM_MODULE", "qtvirtualkeyboard");
    QGuiApplication app(argc, argv);
    if (const std::optional<int> status = CommandLine::answer(app))
        return *status;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, endWithinDeadline);
    exitStatus = runPiano(app, QUrl(QStringLiteral("qrc:qml/qml/kevaro/main.qml")));
    return exitStatus;
}
