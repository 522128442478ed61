#include "pianostartup.h"

#include "qmlapplicationviewer.h"
#include "sounder.h"

#include <QDebug>
#include <QGuiApplication>
#include <QScreen>
#include <QtQml>

int runPiano(QGuiApplication &app, const QUrl &document)
{
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath());
    // Before the document loads: it imports this module.
    qmlRegisterType<sounder>("sounderbib", 1, 0, "SoundMethod");
    int loopResult;
    {
        QmlApplicationViewer viewer;
        viewer.setResizeMode(QQuickView::SizeRootObjectToView);
        viewer.setSource(document);
        // Without a window manager full screen is only a wish: take the screen's size anyway.
        viewer.setGeometry(viewer.screen()->geometry());
        viewer.showFullScreen();
        qDebug() << "Start Sound";
        loopResult = app.exec();
    }
    return loopResult == 0 ? 0 : 1;
}
