#include "pianostartup.h"

#include "qmlapplicationviewer.h"

#include <QDebug>
#include <QGuiApplication>
#include <QScreen>
#include <QtQml/qqmlextensionplugin.h>

// The sound element's module, linked in: the document imports it.
Q_IMPORT_QML_PLUGIN(sounderbibPlugin)

int runPiano(QGuiApplication &app, const QUrl &document)
{
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath());
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
