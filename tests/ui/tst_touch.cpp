#include "pianoview.h"

#include <optional>

#include <QPointingDevice>
#include <QQuickItem>
#include <QTest>

// Points on the keys and the bar (screen pixels).
static const QPoint c1(390, 650), cis1(434, 300), d1(500, 650), e1(613, 650), g1(820, 650);
static const QPoint labelToggle(32, 32);

// QTest sends a stationary point at the origin, so the tests repeat a held finger's position
// with move() where a real screen would report it stationary.
class TouchTest : public QObject
{
    Q_OBJECT

private slots:
    // Made here, after the test framework has set its message handler.
    void initTestCase() { QVERIFY(piano.emplace().isReady()); }
    void init() { PianoView::clear(); }
    void chordsSoundEachFingerOnce();
    void fingerSlidingOffItsKeyAndBack();
    void barTapsCountWhileAFingerHoldsAKey();
    void cancelledPressesLeaveNothingHalfDone();
    void labelsAreReadableOnEveryKey();

private:
    QTest::QTouchEventSequence touch() { return QTest::touchEvent(piano->window(), device); }
    void tap(QPoint at)
    {
        touch().press(0, at).commit();
        touch().release(0, at).commit();
    }
    bool held(const char *key) { return piano->byId(key)->property("held").toBool(); }
    bool shown(const char *id) { return piano->byId(id)->property("visible").toBool(); }
    void nextFrame() { QTest::qWait(20); }
    std::optional<PianoView> piano;
    QPointingDevice *device = QTest::createTouchDevice();
};

// Ten fingers land at once; they lift in two groups, the first group's keys in any order.
void TouchTest::chordsSoundEachFingerOnce()
{
    const QList<QPoint> keys = {cis1, {160, 650}, {278, 650}, e1,         d1,
                                c1,   {700, 650}, g1,         {950, 650}, {50, 650}};
    QTest::QTouchEventSequence landing = touch();
    for (int finger = 0; finger < keys.size(); ++finger)
        landing.press(finger, keys[finger]);
    landing.commit();
    QCOMPARE(PianoView::played.size(), 10);
    QCOMPARE(QSet<QString>(PianoView::played.begin(), PianoView::played.end()).size(), 10);
    QVERIFY(held("keyc1") && held("keycis1") && held("keye1") && !held("keyh1"));
    for (const int lastLifted : {5, 10}) {
        nextFrame();
        QTest::QTouchEventSequence lifting = touch();
        for (int finger = 0; finger < keys.size(); ++finger)
            finger < lastLifted ? lifting.release(finger, keys[finger])
                                : lifting.move(finger, keys[finger]);
        lifting.commit();
        QCOMPARE(held("keycis1"), false);
        QCOMPARE(held("keyc1"), lastLifted == 5);
    }
    QCOMPARE(PianoView::played.size(), 10);
}

void TouchTest::fingerSlidingOffItsKeyAndBack()
{
    touch().press(0, c1).press(1, g1).commit();
    nextFrame();
    touch().move(0, d1).move(1, g1).commit();
    nextFrame();
    touch().move(0, e1).move(1, g1).commit();
    nextFrame();
    QVERIFY(!held("keyc1") && !held("keyd1") && !held("keye1") && held("keyg1"));
    touch().move(0, c1 + QPoint(5, 20)).move(1, g1).commit();
    nextFrame();
    QVERIFY(held("keyc1"));
    touch().release(0, c1).release(1, g1).commit();
    QStringList played = PianoView::played;
    played.sort();
    QCOMPARE(played, (QStringList{"keyc1", "keyc1", "keyg1"}));
}

void TouchTest::barTapsCountWhileAFingerHoldsAKey()
{
    QVERIFY(!shown("tc1"));
    touch().press(0, c1).commit();
    nextFrame();
    touch().move(0, c1).press(1, labelToggle).commit();
    nextFrame();
    touch().move(0, c1).release(1, labelToggle).commit();
    nextFrame();
    QVERIFY(shown("tc1") && shown("tcis1"));
    touch().release(0, c1).commit();
    QCOMPARE(PianoView::played, QStringList{"keyc1"});

    // A quick double tap is two taps: the labels go and come back.
    tap(labelToggle);
    QVERIFY(!shown("tc1"));
    tap(labelToggle);
    QVERIFY(shown("tc1"));
    tap(labelToggle);
    QVERIFY(!shown("tc1") && !piano->byId("flipdesc")->property("flipped").toBool());
}

// Another window taking over cancels the presses that it can; the fingers then lift.
void TouchTest::cancelledPressesLeaveNothingHalfDone()
{
    touch().press(0, c1).press(1, labelToggle).commit();
    QVERIFY(held("keyc1"));
    QEvent windowChange(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(piano->window(), &windowChange);
    QVERIFY(!held("keyc1"));
    touch().release(0, c1).release(1, labelToggle).commit();
    QVERIFY(!held("keyc1"));
    const bool flipped = piano->byId("flipdesc")->property("flipped").toBool();
    QCOMPARE(shown("tc1"), flipped);

    // Everything answers the next touches as usual.
    tap(c1);
    tap(labelToggle);
    QCOMPARE(shown("tc1"), !flipped);
    if (!flipped)
        tap(labelToggle);
    QVERIFY(!shown("tc1"));
    QCOMPARE(PianoView::played, (QStringList{"keyc1", "keyc1"}));
}

void TouchTest::labelsAreReadableOnEveryKey()
{
    tap(labelToggle);
    const QImage screen = piano->window()->grabWindow();
    // The lightest pixel of a label on its black key, the darkest of one on its white key.
    auto extreme = [&](const char *id, bool lightest) {
        auto *label = qobject_cast<QQuickItem *>(piano->byId(id));
        const QRect area = label->mapRectToScene(label->boundingRect()).toRect();
        int found = lightest ? 0 : 255;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const int grey = qGray(screen.pixel(x, y));
                found = lightest ? qMax(found, grey) : qMin(found, grey);
            }
        return found;
    };
    for (const char *label : {"tgis0", "tcis1", "tais1"})
        QVERIFY2(extreme(label, true) > 180, label);
    for (const char *label : {"tg0", "tc1", "td2"})
        QVERIFY2(extreme(label, false) < 80, label);
    tap(labelToggle);
}

QTEST_MAIN(TouchTest)
#include "tst_touch.moc"
