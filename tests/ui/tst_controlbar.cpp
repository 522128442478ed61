#include "sounder.h"
#include "volumebus.h"

#include <QColor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QPointingDevice>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtQml>
#include <QtQuickTest/quicktest.h>

static const QString volumeInterface = QStringLiteral("com.tiitoo.SystemInfo.Volume");

static const QStringList allNotes = {"g0",   "a0",   "h0",   "c1",   "d1",   "e1",   "f1",
                                     "g1",   "a1",   "h1",   "c2",   "d2",   "gis0", "ais0",
                                     "cis1", "dis1", "fis1", "gis1", "ais1", "cis2", "dis2"};

// Screen places of the controls (their middles) and of the settings panel's parts.
static const QPoint labelToggle(32, 32), loopToggle(89, 32), stopButton(166, 32);
static const QPoint infoToggle(865, 32), closeButton(1329, 32), handleMiddle(1209, 30);
static QPoint soundSetButton(int n)
{
    return QPoint(270 + 120 * (n - 1), 32);
}
static const QPoint panelHeading(420, 195);

// The note files dosound was asked for (from its path lines), and every debug line. Warnings
// go on to the usual output.
static QStringList playedNotes;
static QStringList debugLines;
static QtMessageHandler usualHandler = nullptr;
static void collectDebug(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    static const QRegularExpression pathLine(R"(^"/kevaro-test/(.*)\.wav"$)");
    if (type != QtDebugMsg) {
        usualHandler(type, context, text);
        return;
    }
    debugLines << text;
    const QRegularExpressionMatch match = pathLine.match(text);
    if (match.hasMatch())
        playedNotes << match.captured(1);
}

class ControlBarTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void sliderSetsTheSystemVolume();
    void labelToggleShowsAndHidesEveryLabel();
    void loopToggleSwitchesLooping();
    void stopDropsTheEngine();
    void soundSetButtonsMarkTheSelection();
    void settingsPanelEditsAndSavesByMouseKeysAndTouch();
    void closeAsksTheEngineToQuit();

private:
    QObject *byId(const QString &id) const;
    QQuickItem *item(const QString &id) const { return qobject_cast<QQuickItem *>(byId(id)); }
    QStringList volumeCalls();
    QStringList captionColours() const;
    // The far right of a field's line, past its text: a press there puts the cursor at the end.
    // The panel moves while the on-screen keyboard is up, so the place is looked up each time.
    QPoint fieldEnd(const char *field) const
    {
        return item(field)->mapToScene(QPointF(item(field)->width() - 5, 10)).toPoint();
    }
    QPoint middleOf(const char *id) const
    {
        return item(id)
            ->mapToScene(QPointF(item(id)->width() / 2, item(id)->height() / 2))
            .toPoint();
    }
    void tap(QPoint at)
    {
        QTest::touchEvent(view, finger).press(0, at).commit();
        QTest::touchEvent(view, finger).release(0, at).commit();
    }
    void drag(const QList<QPoint> &path);
    void type(const char *text);

    QTemporaryDir home;
    VolumeBus bus;
    QQuickView *view = nullptr;
    sounder *rsound = nullptr;
    QPointingDevice *finger = QTest::createTouchDevice();
};

void ControlBarTest::initTestCase()
{
    qputenv("HOME", home.path().toUtf8());
    QDir(home.path()).mkdir(".kevaro");
    QFile settings(home.path() + "/.kevaro/kevaro.config");
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("dir_01 = /kevaro-test/one\ndir_02 = /kevaro-test/two\n"
                   "dir_03 = /kevaro-test/three\ndir_04 = /kevaro-test/four\n"
                   "dir_05 = /kevaro-test/five\ndirname_01 = One\ndirname_02 = Two\n"
                   "dirname_03 = Three\ndirname_04 = Four\ndirname_05 = Five\n");
    settings.close();

    // The session bus is chosen at its first use, which the document's start-up makes. It
    // answers no call, as the piano expects no answer.
    QVERIFY2(bus.start(), "the private session bus did not start");
    QVERIFY(bus.service().registerService(volumeService));

    qmlRegisterType<sounder>("sounderbib", 1, 0, "SoundMethod");
    usualHandler = qInstallMessageHandler(collectDebug);
    view = new QQuickView;
    view->setSource(QUrl("qrc:qml/qml/kevaro/main.qml"));
    QCOMPARE(view->status(), QQuickView::Ready);
    view->show();
    view->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(view));
    rsound = qobject_cast<sounder *>(byId("rsound"));
    QVERIFY(rsound);
}

void ControlBarTest::init()
{
    playedNotes.clear();
    debugLines.clear();
}

void ControlBarTest::cleanupTestCase()
{
    delete view;
    qInstallMessageHandler(nullptr);
}

QObject *ControlBarTest::byId(const QString &id) const
{
    return view->rootObject()->findChild<QObject *>(id);
}

// The SetVolume calls that reached the service since the last look, as "value channel".
// A marker sent the same way after them arrives last, so none still on its way is missed.
QStringList ControlBarTest::volumeCalls()
{
    QDBusConnection::sessionBus().send(
        QDBusMessage::createMethodCall(volumeService, volumePath, volumeInterface, "Mark"));
    if (!QTest::qWaitFor([this] {
            return !bus.receiver.calls.isEmpty() && bus.receiver.calls.last().member() == "Mark";
        }))
        return {"marker not received"};
    QStringList seen;
    for (const QDBusMessage &call : std::as_const(bus.receiver.calls)) {
        if (call.member() == "Mark")
            continue;
        QStringList fields{call.member() + "(" + call.signature() + ")"};
        for (const QVariant &argument : call.arguments())
            fields << argument.toString();
        seen << (call.member() == "SetVolume" && call.signature() == "uu" ? fields.mid(1).join(' ')
                                                                          : fields.join(' '));
    }
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

void ControlBarTest::type(const char *text)
{
    for (const char *c = text; *c; ++c)
        QTest::keyClick(view, *c);
}

void ControlBarTest::sliderSetsTheSystemVolume()
{
    QQuickItem *handle = item("handle");
    QObject *slider = byId("slider");
    QObject *text = byId("slidertext1");
    auto handleAt = [handle] { return handle->mapToScene(QPointF(0, 0)); };

    // Start-up sets the system volume to full, once, before any touch.
    QCOMPARE(handleAt(), QPointF(1184, 5));
    QCOMPARE(slider->property("value").toInt(), 100);
    QCOMPARE(text->property("text").toString(), QString("100"));
    QCOMPARE(volumeCalls(), QStringList{"100 3"});

    // The handle stays until the finger has gone the drag distance and follows it from there:
    // two pixels more to the left leave it at 248.
    const QPoint from = handleMiddle - QPoint(30, 0);
    drag({handleMiddle, from, from - QPoint(2, 0)});
    QCOMPARE(handle->x(), 248.0);
    QCOMPARE(slider->property("value").toInt(), 99);
    QCOMPARE(text->property("text").toString(), QString("99"));
    QCOMPARE(volumeCalls(), QStringList{"99 3"});

    // One pixel more rounds to the same value: nothing is sent.
    drag({handleMiddle, from, from - QPoint(1, 0)});
    QCOMPARE(handle->x(), 247.0);
    QCOMPARE(volumeCalls(), QStringList{});

    // Far past the left end, and off the bar: the handle stops at the track's start.
    drag({handleMiddle, QPoint(1100, 30), QPoint(600, 200), QPoint(10, 400)});
    QCOMPARE(handleAt(), QPointF(934, 5));
    QCOMPARE(slider->property("value").toInt(), 0);
    QCOMPARE(text->property("text").toString(), QString("0"));
    QStringList calls = volumeCalls();
    QVERIFY(!calls.isEmpty());
    QCOMPARE(calls.last(), QString("0 3"));

    // A press on the track beside the handle moves nothing.
    drag({QPoint(1100, 30), QPoint(1150, 30), QPoint(1200, 30)});
    QCOMPARE(handleAt(), QPointF(934, 5));
    QCOMPARE(volumeCalls(), QStringList{});

    // Back past the right end: full volume again, with the handle inside the track.
    const QPoint left(959, 30);
    drag({left, left + QPoint(30, 0), QPoint(1300, 30), QPoint(1360, 0)});
    QCOMPARE(handleAt(), QPointF(1184, 5));
    QCOMPARE(slider->property("value").toInt(), 100);
    QCOMPARE(text->property("text").toString(), QString("100"));
    calls = volumeCalls();
    QVERIFY(!calls.isEmpty());
    QCOMPARE(calls.last(), QString("100 3"));
    QVERIFY(playedNotes.isEmpty());
    QCOMPARE(rsound->volume(), 0);
}

void ControlBarTest::labelToggleShowsAndHidesEveryLabel()
{
    QObject *toggle = byId("flipdesc");
    QObject *rotation = byId("flipdescrotation");
    for (const bool shown : {true, false}) {
        QTest::mouseClick(view, Qt::LeftButton, {}, labelToggle);
        QCOMPARE(toggle->property("flipped").toBool(), shown);
        for (const QString &note : allNotes)
            QVERIFY2(item("t" + note)->isVisible() == shown, qPrintable(note));
        // The face follows once the card has turned.
        QTRY_COMPARE(rotation->property("angle").toReal(), shown ? 180.0 : 0.0);
        QVERIFY(QQuickTest::qWaitForPolish(view));
        QCOMPARE(toggle->property("side").toInt(), shown ? 1 : 0);
    }
    QVERIFY(playedNotes.isEmpty());
}

void ControlBarTest::loopToggleSwitchesLooping()
{
    QObject *toggle = byId("fliploop");
    QCOMPARE(rsound->playlooped(), false);
    for (const bool looped : {true, false}) {
        QTest::mouseClick(view, Qt::LeftButton, {}, loopToggle);
        QCOMPARE(rsound->playlooped(), looped);
        QCOMPARE(toggle->property("flipped").toBool(), looped);
    }

    // Two quick clicks are two clicks: looping ends as it was.
    QTest::mouseDClick(view, Qt::LeftButton, {}, loopToggle);
    QCOMPARE(rsound->playlooped(), false);
    QCOMPARE(toggle->property("flipped").toBool(), false);
}

void ControlBarTest::stopDropsTheEngine()
{
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(380, 650));
    QVERIFY2(rsound->hasEngine(), "needs an output device (the test sound server)");
    QTest::mouseClick(view, Qt::LeftButton, {}, stopButton);
    QVERIFY(!rsound->hasEngine());
    // Stopping twice is harmless; the next note brings a new engine.
    QTest::mouseClick(view, Qt::LeftButton, {}, stopButton);
    debugLines.clear();
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(380, 650));
    QVERIFY(rsound->hasEngine());
    QCOMPARE(debugLines.count("engine wird neu erzeugt"), 1);
    QCOMPARE(playedNotes, (QStringList{"one/keyc1", "one/keyc1"}));
}

void ControlBarTest::soundSetButtonsMarkTheSelection()
{
    const QString red = "#ff0000", pale = "#eeedad";
    for (int n = 1; n <= 5; ++n) {
        const QString caption = byId(QString("media%1text1").arg(n))->property("text").toString();
        QCOMPARE(caption, QStringList({"One", "Two", "Three", "Four", "Five"}).at(n - 1));
    }
    QCOMPARE(rsound->getmedia(), 1);
    QCOMPARE(captionColours(), (QStringList{red, pale, pale, pale, pale}));

    for (int n : {3, 3, 5, 1, 2}) {
        QTest::mouseClick(view, Qt::LeftButton, {}, soundSetButton(n));
        QCOMPARE(rsound->getmedia(), n);
        QStringList colours(5, pale);
        colours[n - 1] = red;
        QCOMPARE(captionColours(), colours);
    }

    // Pressed on one button, released on another or between two: no click on either.
    drag({soundSetButton(4), soundSetButton(4) + QPoint(0, 10), soundSetButton(3)});
    drag({soundSetButton(5), soundSetButton(5) + QPoint(-55, 0), QPoint(330, 32)});
    QCOMPARE(rsound->getmedia(), 2);
    QCOMPARE(captionColours(), (QStringList{pale, red, pale, pale, pale}));

    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(700, 600));
    QCOMPARE(playedNotes, QStringList{"two/keyf1"});
    QTest::mouseClick(view, Qt::LeftButton, {}, soundSetButton(1));
}

void ControlBarTest::settingsPanelEditsAndSavesByMouseKeysAndTouch()
{
    QQuickItem *panel = item("configform");
    QVERIFY(!panel->isVisible());
    QTest::mouseClick(view, Qt::LeftButton, {}, infoToggle);
    QVERIFY(panel->isVisible());
    QCOMPARE(byId("configname3")->property("text").toString(), QString("Three"));
    QCOMPARE(byId("configpath5")->property("text").toString(), QString("/kevaro-test/five"));

    // The heading lets a press through to the key beneath; a field keeps it.
    QTest::mouseClick(view, Qt::LeftButton, {}, panelHeading);
    QCOMPARE(playedNotes, QStringList{"one/keycis1"});
    playedNotes.clear();
    QTest::mouseClick(view, Qt::LeftButton, {}, fieldEnd("configname1"));
    QCOMPARE(playedNotes, QStringList{});
    QVERIFY(item("configname1")->hasActiveFocus());

    // The bar stays usable over the open panel.
    QTest::mouseClick(view, Qt::LeftButton, {}, soundSetButton(2));
    QCOMPARE(rsound->getmedia(), 2);

    // Typed on a hardware keyboard, with the on-screen one up.
    QTest::mouseClick(view, Qt::LeftButton, {}, fieldEnd("configpath2"));
    type("/edited");
    QTest::mouseClick(view, Qt::LeftButton, {}, fieldEnd("configname2"));
    type("x");
    QTest::mouseClick(view, Qt::LeftButton, {}, fieldEnd("configname3"));
    QTest::keyClick(view, Qt::Key_Return);
    type("b");
    QCOMPARE(byId("configpath2")->property("text").toString(), QString("/kevaro-test/two/edited"));
    QCOMPARE(byId("configname3")->property("text").toString(), QString("Three\nb"));
    // Typing alone hands nothing to the sound element.
    QCOMPARE(rsound->getconfigpath(2), QString("/kevaro-test/two"));
    QCOMPARE(byId("media2text1")->property("text").toString(), QString("Two"));
    QCOMPARE(playedNotes, QStringList{});

    // Save acts as the press lands, not at its release.
    const QStringList coloursBefore = captionColours();
    const QPoint saveButton = middleOf("savebutton");
    QTest::mousePress(view, Qt::LeftButton, {}, saveButton);
    QFile settings(home.path() + "/.kevaro/kevaro.config");
    QVERIFY(settings.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString(settings.readAll()).split('\n');
    settings.close();
    QCOMPARE(lines,
             (QStringList{"dir_01 = /kevaro-test/one", "dir_02 = /kevaro-test/two/edited",
                          "dir_03 = /kevaro-test/three", "dir_04 = /kevaro-test/four",
                          "dir_05 = /kevaro-test/five", "dirname_01 = One", "dirname_02 = Twox",
                          "dirname_03 = Three b", "dirname_04 = Four", "dirname_05 = Five", ""}));
    QTest::mouseRelease(view, Qt::LeftButton, {}, saveButton);
    const QStringList captions = {"One", "Twox", "Three\nb", "Four", "Five"};
    for (int n = 1; n <= 5; ++n)
        QCOMPARE(byId(QString("media%1text1").arg(n))->property("text").toString(),
                 captions.at(n - 1));
    QCOMPARE(captionColours(), coloursBefore);
    QCOMPARE(rsound->getmedia(), 2);
    QVERIFY(panel->isVisible());

    // The black surround passes presses to the keys too, which now read the edited directory.
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(100, 600));
    QCOMPARE(playedNotes, QStringList{"two/edited/keyg0"});
    QTest::mouseClick(view, Qt::LeftButton, {}, soundSetButton(1));
    playedNotes.clear();

    // By touch alone: a finger on a directory field brings up the on-screen keyboard, below it.
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
    tap(keyA->mapToScene(QPointF(keyA->width() / 2, keyA->height() / 2)).toPoint());
    QTRY_COMPARE(field->property("text").toString(), QString("/kevaro-test/onea"));

    // The folder button's picker writes the chosen folder into the field, and Save keeps it.
    const QString folder = home.path() + "/my sounds";
    QVERIFY(QDir().mkpath(folder));
    QObject *picker = byId("folderdialog");
    tap(middleOf("configpath1folder"));
    QTRY_VERIFY(picker->property("visible").toBool());
    picker->setProperty("currentFolder", QUrl::fromLocalFile(folder));
    picker->setProperty("selectedFolder", QUrl::fromLocalFile(folder));
    QMetaObject::invokeMethod(picker, "accept");
    QTRY_VERIFY(!picker->property("visible").toBool());
    QCOMPARE(field->property("text").toString(), folder);
    tap(middleOf("savebutton"));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(settings.readAll().contains("dir_01 = " + folder.toUtf8() + "\n"));
    QCOMPARE(playedNotes, QStringList{});

    // The keyboard leaves with the panel.
    tap(fieldEnd("configpath1"));
    QTRY_VERIFY(keyboard->property("active").toBool());
    tap(infoToggle);
    QVERIFY(!panel->isVisible());
    QTRY_VERIFY(!keyboard->property("active").toBool());
}

void ControlBarTest::closeAsksTheEngineToQuit()
{
    QSignalSpy quit(view->engine(), &QQmlEngine::quit);
    QTest::mousePress(view, Qt::LeftButton, {}, closeButton);
    QCOMPARE(quit.count(), 0);
    QTest::mouseRelease(view, Qt::LeftButton, {}, closeButton);
    QCOMPARE(quit.count(), 1);
}

QTEST_MAIN(ControlBarTest)
#include "tst_controlbar.moc"
