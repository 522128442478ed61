#pragma once

#include <QQuickView>
#include <QSet>

class QmlApplicationViewerPrivate;

// The full-screen window that hosts the piano's document.
class QmlApplicationViewer : public QQuickView
{
    Q_OBJECT

public:
    enum ScreenOrientation { OrientationLockPortrait, OrientationLockLandscape, OrientationAuto };

    explicit QmlApplicationViewer(QWindow *parent = nullptr);
    ~QmlApplicationViewer() override;

    void setMainQmlFile(const QString &file);
    void addImportPath(const QString &path);
    // The platform has no orientation attributes; the requested locks are kept (never
    // cleared) for whoever asks: 128 portrait, 129 landscape, 130 automatic.
    void setOrientation(ScreenOrientation orientation);
    QSet<int> orientationLocks() const { return requestedOrientations; }
    void showExpanded();

private:
    QmlApplicationViewerPrivate *d;
    QSet<int> requestedOrientations;
};
