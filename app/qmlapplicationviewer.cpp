#include "qmlapplicationviewer.h"

#include "qmlapplicationviewerprivate.h"

#include <QQmlEngine>

QmlApplicationViewer::QmlApplicationViewer(QWindow *parent)
    : QQuickView(parent), d(new QmlApplicationViewerPrivate)
{
    connect(engine(), &QQmlEngine::quit, this, &QWindow::close);
    setResizeMode(QQuickView::SizeRootObjectToView);
}

QmlApplicationViewer::~QmlApplicationViewer()
{
    delete d;
}

void QmlApplicationViewer::setMainQmlFile(const QString &file)
{
    d->mainQmlFile = QmlApplicationViewerPrivate::adjustPath(file);
    setSource(QUrl::fromLocalFile(d->mainQmlFile));
}

void QmlApplicationViewer::addImportPath(const QString &path)
{
    engine()->addImportPath(QmlApplicationViewerPrivate::adjustPath(path));
}

void QmlApplicationViewer::setOrientation(ScreenOrientation orientation)
{
    enum { LockPortrait = 128, LockLandscape = 129, AutoOrientation = 130 };
    switch (static_cast<unsigned>(orientation)) {
    case OrientationLockPortrait:
        requestedOrientations.insert(LockPortrait);
        break;
    case OrientationLockLandscape:
        requestedOrientations.insert(LockLandscape);
        break;
    default:
        requestedOrientations.insert(AutoOrientation);
        break;
    }
}

void QmlApplicationViewer::showExpanded()
{
    setVisible(true);
}
