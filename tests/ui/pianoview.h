#pragma once

#include <QQuickItem>
#include <QQuickView>
#include <QTemporaryDir>
#include <QTest>

// The real piano document, from the compiled-in collection, shown in an active window, with a
// settings file under a fresh HOME (by default sound set 1 in /kevaro-test); records the notes
// that the sound element plays.
class PianoView
{
public:
    explicit PianoView(const QByteArray &settings = "dir_01 = /kevaro-test\ndirname_01 = Test\n");
    ~PianoView();

    bool isReady() const;
    QQuickView *window() { return &view; }
    // The document's element with this objectName (which is its id in the document).
    QObject *byId(const QString &id);
    QQuickItem *item(const QString &id) { return qobject_cast<QQuickItem *>(byId(id)); }
    QString text(const QString &id) { return byId(id)->property("text").toString(); }
    // The middle of an element, in window pixels.
    QPoint middleOf(const QString &id);
    QString homePath() const { return home.path(); }

    void click(QPoint at) { QTest::mouseClick(&view, Qt::LeftButton, {}, at); }
    QTest::QTouchEventSequence touch() { return QTest::touchEvent(&view, touchScreen()); }
    // A screen may number each new touch anew: `finger` is its number.
    void tap(QPoint at, int finger = 0)
    {
        touch().press(finger, at).commit();
        touch().release(finger, at).commit();
    }
    // The compositor takes every touch back, as for a gesture of its own.
    void cancelTouch();

    // Notes played since the last clear(), as their paths below /kevaro-test without ".wav".
    static QStringList played;
    static void clear() { played.clear(); }

private:
    QTemporaryDir home;
    QQuickView view;
    // One for the process: Qt keeps a registered device to the end, as a real screen's.
    static QPointingDevice *touchScreen()
    {
        static QPointingDevice *const device = QTest::createTouchDevice();
        return device;
    }
};
