#include "commandline.h"
#include "pianostartup.h"

#include <QGuiApplication>
#include <QQuickWindow>

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
    return runPiano(app, QUrl(QStringLiteral("qrc:qml/qml/kevaro/main.qml")));
}
