#include "pianoview.h"
#include "sounder.h"
#include "volumebus.h"

#include <QColor>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QQuickItem>
#include <QTest>

#include <memory>

// Screen places of the controls (their middles).
static const QPoint labelToggle(32, 32), loopToggle(89, 32), stopButton(166, 32);
static const QPoint infoToggle(865, 32), handleMiddle(1209, 30), panelHeading(420, 195);
static QPoint soundSetButton(int n)
{
    return QPoint(270 + 120 * (n - 1), 32);
}

class ControlBarTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { PianoView::clear(); }
    void sliderSetsTheSystemVolume();
    void labelToggleShowsEveryLabel();
    void loopToggleSwitchesLooping();
    void stopDropsTheEngine();
    void soundSetButtonsMarkTheSelection();
    void settingsPanelEditsAndSavesByMouseKeysAndTouch();

private:
    QObject *byId(const QString &id) const { return piano->byId(id); }
    QQuickItem *item(const QString &id) const { return qobject_cast<QQuickItem *>(byId(id)); }
    QString text(const QString &id) const { return byId(id)->property("text").toString(); }
    QStringList volumeCalls();
    QStringList captionColours() const;
    // The far right of a field's line, past its text: a press there puts the cursor at the end.
    // The panel moves while the on-screen keyboard is up, so the place is looked up each time.
    QPoint fieldEnd(const QString &field) const
    {
        return item(field)->mapToScene(QPointF(item(field)->width() - 5, 10)).toPoint();
    }
    QPoint middleOf(const char *id) const
    {
        return item(id)->mapToScene(item(id)->boundingRect().center()).toPoint();
    }
    void click(QPoint at) { QTest::mouseClick(view, Qt::LeftButton, {}, at); }
    void tap(QPoint at)
    {
        QTest::touchEvent(view, finger).press(0, at).commit();
        QTest::touchEvent(view, finger).release(0, at).commit();
    }
    void drag(const QList<QPoint> &path);
    void type(const char *text)
    {
        for (const char *c = text; *c; ++c)
            QTest::keyClick(view, *c);
    }
    QByteArray settings() const
    {
        QFile file(piano->homePath() + "/.kevaro/kevaro.config");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    VolumeBus bus;
    std::unique_ptr<PianoView> piano;
    QQuickView *view = nullptr;
    sounder *rsound = nullptr;
    QPointingDevice *finger = QTest::createTouchDevice();
};

void ControlBarTest::initTestCase()
{
    // The session bus is chosen at its first use, which the document's start-up makes. It
    // answers no call, as the piano expects no answer.
    QVERIFY2(bus.start(), "the private session bus did not start");
    QVERIFY(bus.service().registerService(volumeService));
    QByteArray sets;
    const QStringList names = {"One", "Two", "Three", "Four", "Five"};
    for (int n = 1; n <= 5; ++n)
        sets += QString("dir_0%1 = /kevaro-test/%2\n").arg(n).arg(names[n - 1].toLower()).toUtf8();
    for (int n = 1; n <= 5; ++n)
        sets += QString("dirname_0%1 = %2\n").arg(n).arg(names[n - 1]).toUtf8();
    piano = std::make_unique<PianoView>(sets);
    QVERIFY(piano->isReady());
    view = piano->window();
    rsound = qobject_cast<sounder *>(byId("rsound"));
    QVERIFY(rsound);
}

// The SetVolume calls that reached the service since the last look, as "value channel".
// A marker sent the same way after them arrives last, so none still on its way is missed.
QStringList ControlBarTest::volumeCalls()
{
    QDBusConnection::sessionBus().send(QDBusMessage::createMethodCall(
        volumeService, volumePath, "com.tiitoo.SystemInfo.Volume", "Mark"));
    if (!QTest::qWaitFor([this] {
            return !bus.receiver.calls.isEmpty() && bus.receiver.calls.last().member() == "Mark";
        }))
        return {"marker not received"};
    QStringList seen;
    for (const QDBusMessage &call : std::as_const(bus.receiver.calls))
        if (call.member() != "Mark")
            seen << describeCall(call).remove("SetVolume uu ");
    bus.receiver.calls.clear();
    return seen;
}

QStringList ControlBarTest::captionColours() const
{
    QStringList colours;
    for (int n = 1; n <= 5; ++n)
        colours << byId(QString("media%1text1").arg(n))->property("color").value<QColor>().name();
    return colours;
}

// A press at the first point, moves through the others and a release at the last.
void ControlBarTest::drag(const QList<QPoint> &path)
{
    QTest::mousePress(view, Qt::LeftButton, {}, path.first());
    for (const QPoint &at : path.mid(1))
        QTest::mouseMove(view, at);
    QTest::mouseRelease(view, Qt::LeftButton, {}, path.last());
}

void ControlBarTest::sliderSetsTheSystemVolume()
{
    // Start-up sets the system volume to full, once, before any touch.
    QCOMPARE(text("slidertext1"), QString("100"));
    QCOMPARE(volumeCalls(), QStringList{"100 3"});
    // Far past either end, and off the bar: the volume stops at 0 and 100.
    for (const int end : {0, 100}) {
        const QPoint grip = end ? QPoint(959, 30) : handleMiddle;
        drag({grip, grip + QPoint(end ? 30 : -30, 0), QPoint(end ? 1300 : 600, 200),
              QPoint(end ? 1360 : 10, 400)});
        QCOMPARE(byId("slider")->property("value").toInt(), end);
        QCOMPARE(text("slidertext1"), QString::number(end));
        const QStringList calls = volumeCalls();
        QVERIFY(!calls.isEmpty());
        QCOMPARE(calls.last(), QString("%1 3").arg(end));
    }
    QVERIFY(PianoView::played.isEmpty());
}

void ControlBarTest::labelToggleShowsEveryLabel()
{
    const QStringList notes = {"g0",   "a0",   "h0",   "c1",   "d1",   "e1",   "f1",
                               "g1",   "a1",   "h1",   "c2",   "d2",   "gis0", "ais0",
                               "cis1", "dis1", "fis1", "gis1", "ais1", "cis2", "dis2"};
    for (const bool shown : {true, false}) {
        click(labelToggle);
        for (const QString &note : notes) {
            QVERIFY2(item("t" + note) && item("t" + note)->isVisible() == shown, qPrintable(note));
            QCOMPARE(text("t" + note), note.toUpper());
        }
    }
    QVERIFY(PianoView::played.isEmpty());
}

void ControlBarTest::loopToggleSwitchesLooping()
{
    for (const bool looped : {true, false}) {
        click(loopToggle);
        QCOMPARE(rsound->playlooped(), looped);
        QCOMPARE(byId("fliploop")->property("flipped").toBool(), looped);
    }
    // Two quick clicks are two clicks: looping ends as it was.
    QTest::mouseDClick(view, Qt::LeftButton, {}, loopToggle);
    QCOMPARE(rsound->playlooped(), false);
}

void ControlBarTest::stopDropsTheEngine()
{
    click(QPoint(380, 650));
    QVERIFY2(rsound->hasEngine(), "needs an output device (the test sound server)");
    click(stopButton);
    QVERIFY(!rsound->hasEngine());
    // Stopping twice is harmless; the next note brings a new engine.
    click(stopButton);
    click(QPoint(380, 650));
    QVERIFY(rsound->hasEngine());
    QCOMPARE(PianoView::played, (QStringList{"one/keyc1", "one/keyc1"}));
}

void ControlBarTest::soundSetButtonsMarkTheSelection()
{
    const QString red = "#ff0000", pale = "#eeedad";
    for (int n = 1; n <= 5; ++n)
        QCOMPARE(text(QString("media%1text1").arg(n)),
                 QStringList({"One", "Two", "Three", "Four", "Five"}).at(n - 1));
    QCOMPARE(captionColours(), (QStringList{red, pale, pale, pale, pale}));
    for (int n : {3, 3, 5, 1, 2}) {
        click(soundSetButton(n));
        QCOMPARE(rsound->getmedia(), n);
        QStringList colours(5, pale);
        colours[n - 1] = red;
        QCOMPARE(captionColours(), colours);
    }
    // Pressed on one button, released on another: no click on either.
    drag({soundSetButton(4), soundSetButton(4) + QPoint(0, 10), soundSetButton(3)});
    QCOMPARE(rsound->getmedia(), 2);
    click(QPoint(700, 600));
    QCOMPARE(PianoView::played, QStringList{"two/keyf1"});
    click(soundSetButton(1));
}

void ControlBarTest::settingsPanelEditsAndSavesByMouseKeysAndTouch()
{
    QQuickItem *panel = item("configform");
    click(infoToggle);
    QVERIFY(panel->isVisible());
    QCOMPARE(text("configpath5"), QString("/kevaro-test/five"));

    // The heading lets a press through to the key beneath; a field keeps it.
    click(panelHeading);
    QCOMPARE(PianoView::played, QStringList{"one/keycis1"});
    PianoView::clear();
    // The bar stays usable over the open panel.
    click(soundSetButton(2));
    QCOMPARE(rsound->getmedia(), 2);

    // Every field typed into on a hardware keyboard, with the on-screen one up; a Return in one.
    for (int n = 1; n <= 5; ++n)
        for (const char *kind : {"configname", "configpath"}) {
            click(fieldEnd(kind + QString::number(n)));
            type(n == 2 && kind[6] == 'p' ? "/edited" : "+");
        }
    QTest::keyClick(view, Qt::Key_Return);
    type("b");
    QCOMPARE(text("configpath5"), QString("/kevaro-test/five+\nb"));
    // Typing alone hands nothing to the sound element.
    QCOMPARE(text("media2text1"), QString("Two"));
    QVERIFY(PianoView::played.isEmpty());

    // Save acts as the press lands and writes what every field shows, line breaks as blanks.
    const QStringList coloursBefore = captionColours();
    QStringList expected;
    for (const char *kind : {"path", "name"})
        for (int n = 1; n <= 5; ++n)
            expected << QString(kind[0] == 'p' ? "dir_0%1 = %2" : "dirname_0%1 = %2")
                            .arg(n)
                            .arg(text(QString("config%1%2").arg(kind).arg(n)).replace('\n', ' '));
    QTest::mousePress(view, Qt::LeftButton, {}, middleOf("savebutton"));
    QCOMPARE(QString(settings()).split('\n'), expected << "");
    QTest::mouseRelease(view, Qt::LeftButton, {}, middleOf("savebutton"));
    QCOMPARE(text("media2text1"), QString("Two+"));
    QCOMPARE(captionColours(), coloursBefore);
    QVERIFY(panel->isVisible());

    // The black surround passes presses to the keys too, which now read the edited folder.
    click(QPoint(100, 600));
    QCOMPARE(PianoView::played, QStringList{"two/edited/keyg0"});
    click(soundSetButton(1));
    PianoView::clear();

    // By touch alone: a finger on a folder field brings up the on-screen keyboard, below it.
    QQuickItem *keyboard = item("inputpanel");
    QQuickItem *field = item("configpath1");
    tap(fieldEnd("configpath1"));
    QVERIFY(field->hasActiveFocus());
    QTRY_COMPARE(keyboard->y() + keyboard->height(), 768.0);
    QVERIFY(keyboard->property("active").toBool());
    QVERIFY(field->mapToScene(QPointF(0, field->height())).y() < keyboard->mapToScene({}).y());
    // Its key "a" types an "a" at the cursor.
    QQuickItem *keyA = nullptr;
    for (QQuickItem *key : keyboard->findChildren<QQuickItem *>())
        if (key->property("key").isValid() && key->property("text") == "a" && key->isVisible())
            keyA = key;
    QVERIFY(keyA);
    tap(keyA->mapToScene(keyA->boundingRect().center()).toPoint());
    QTRY_COMPARE(text("configpath1"), QString("/kevaro-test/one+a"));

    // The folder button's picker writes the chosen folder into the field, and Save keeps it.
    const QString folder = piano->homePath() + "/my sounds";
    QVERIFY(QDir().mkpath(folder));
    QObject *picker = byId("folderdialog");
    tap(middleOf("configpath1folder"));
    QTRY_VERIFY(picker->property("visible").toBool());
    picker->setProperty("currentFolder", QUrl::fromLocalFile(folder));
    picker->setProperty("selectedFolder", QUrl::fromLocalFile(folder));
    QMetaObject::invokeMethod(picker, "accept");
    QTRY_VERIFY(!picker->property("visible").toBool());
    QCOMPARE(text("configpath1"), folder);
    tap(middleOf("savebutton"));
    QVERIFY(settings().startsWith("dir_01 = " + folder.toUtf8() + "\n"));
    QVERIFY(PianoView::played.isEmpty());

    // The keyboard leaves with the panel.
    tap(fieldEnd("configpath1"));
    QTRY_VERIFY(keyboard->property("active").toBool());
    tap(infoToggle);
    QVERIFY(!panel->isVisible());
    QTRY_VERIFY(!keyboard->property("active").toBool());
}

QTEST_MAIN(ControlBarTest)
#include "tst_controlbar.moc"
