#include "pianostartup.h"

#include <QGuiApplication>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    return runPiano(app, QUrl(QStringLiteral("qrc:qml/qml/kevaro/main.qml")));
}
