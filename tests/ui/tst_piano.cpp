#include "pianoview.h"
#include "sounder.h"

#include <QAccessible>
#include <QColor>
#include <QFile>

#include <cmath>
#include <memory>

using Strokes = QList<QList<QPoint>>;

static const QStringList notes = {"g0", "gis0", "a0", "ais0", "h0",   "c1", "cis1",
                                  "d1", "dis1", "e1", "f1",   "fis1", "g1", "gis1",
                                  "a1", "ais1", "h1", "c2",   "cis2", "d2", "dis2"};
// Screen places of keys and controls (their middles).
static const QPoint c1(390, 650), labelToggle(32, 32), loopToggle(89, 32), stopButton(166, 32);
static const QPoint infoToggle(865, 32), panelHeading(420, 195);
static const auto soundSetButton = [](int n) { return QPoint(270 + 120 * (n - 1), 32); };

// The mouse goes to the key areas, a finger to the keyboard's own touch area: both are tried.
// QTest sends a stationary point at the origin, so the tests repeat a held finger's position
// with move() where a real screen would report it stationary.
class PianoTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { PianoView::clear(); }
    void strokesPlayTheTopmostKey_data();
    void strokesPlayTheTopmostKey();
    void chordAndBarTapsByTouch();
    void barControlsAct();
    void labelsReadWhole();
    void keysAndButtonsAreNamedForAssistiveTools();
    void settingsPanelEditsAndSavesByMouseKeysAndTouch();
    void cancelledTouchLetsGoOfEverything();
    void pressesAreLouderNearerTheFront();
    void everyStrikeIsLiftedOnce();
    void keysAndSetsFollowAMidiKeyboard();
    void preferencesSwitchInThePanel();
    void sharpAndInPlaceAtEverySize();

private:
    QStringList heldKeys();
    // Past the end of a field's text, where the panel is now (it moves for the on-screen keyboard).
    QPoint fieldEnd(const QString &field)
    {
        return p->item(field)->mapToScene(QPointF(p->item(field)->width() - 5, 10)).toPoint();
    }
    void type(const char *text)
    {
        for (const char *c = text; *c; ++c)
            QTest::keyClick(p->window(), *c);
    }
    QByteArray settings()
    {
        QFile file(p->homePath() + "/.kevaro/kevaro.config");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void nextFrame() { QTest::qWait(20); }
    // Turns a toggle of the bar to the wanted side, whatever an earlier test left.
    void turn(QPoint toggle, const QString &shown, bool on)
    {
        if (p->item(shown)->isVisible() != on)
            p->click(toggle);
    }

    sounder *sound() { return qobject_cast<sounder *>(p->byId("rsound")); }
    qsizetype openPresses() { return sound()->openPresses().size(); }

    std::unique_ptr<PianoView> p;
};

// Made here, after the test framework has set its message handler.
void PianoTest::initTestCase()
{
    p = std::make_unique<PianoView>(
        "dir_01 = /kevaro-test\ndir_02 = /kevaro-test/two\ndir_03 = /kevaro-test/three\n"
        "dir_04 = /kevaro-test/four\ndir_05 = /kevaro-test/five\ndirname_01 = One\n"
        "dirname_02 = Two\ndirname_03 = Three\ndirname_04 = Four\ndirname_05 = Five\n");
    QVERIFY(p->isReady());
}

QStringList PianoTest::heldKeys()
{
    QStringList keys;
    for (QObject *key : p->byId("keyboard")->findChildren<QObject *>())
        if (key->property("held").toBool())
            keys << key->objectName();
    return keys;
}

// Each stroke: a press at its first point, moves through the others, a release at the last.
void PianoTest::strokesPlayTheTopmostKey_data()
{
    QTest::addColumn<bool>("byTouch");
    QTest::addColumn<Strokes>("strokes");
    QTest::addColumn<QStringList>("notes");
    const auto at = [](int x, int y) { return Strokes{{{x, y}}}; };
    for (const bool byTouch : {false, true}) {
        const auto row = [&](const QString &name) -> QTestData & {
            return QTest::addRow("%s %s", byTouch ? "touch" : "mouse", qPrintable(name)) << byTouch;
        };
        // Every key where it is drawn: a black key in its middle, a white one below the black
        // keys.
        for (const QString &note : notes) {
            const QQuickItem *key = p->item("key" + note);
            row(note) << (key ? at(key->x() + key->width() / 2, key->height() > 500 ? 650 : 300)
                              : Strokes())
                      << QStringList{"key" + note};
        }
        row("left sliver, label, black key edge and below it")
            << Strokes{{{8, 200}}, {{385, 705}}, {{440, 507}}, {{440, 508}}}
            << QStringList{"keyg0", "keyc1", "keycis1", "keyc1"};
        row("held press leaves its key and comes back")
            << Strokes{{{390, 600}, {500, 600}, {600, 600}, {390, 620}}}
            << QStringList{"keyc1", "keyc1"};
        row("press from a gap or the bar slides onto keys")
            << Strokes{{{109, 600}, {150, 600}, {300, 600}}, {{400, 30}, {400, 300}}}
            << QStringList{};
        row("quick second press is a second note")
            << Strokes{{{700, 600}}, {{700, 600}}} << QStringList{"keyf1", "keyf1"};
    }
}

void PianoTest::strokesPlayTheTopmostKey()
{
    QFETCH(bool, byTouch);
    QFETCH(Strokes, strokes);
    QFETCH(QStringList, notes);
    QQuickView *view = p->window();
    for (const QList<QPoint> &stroke : strokes) {
        byTouch ? void(p->touch().press(0, stroke.first()).commit())
                : QTest::mousePress(view, Qt::LeftButton, {}, stroke.first());
        for (const QPoint &point : stroke.mid(1)) {
            nextFrame();
            byTouch ? void(p->touch().move(0, point).commit()) : QTest::mouseMove(view, point);
        }
        nextFrame();
        byTouch ? void(p->touch().release(0, stroke.last()).commit())
                : QTest::mouseRelease(view, Qt::LeftButton, {}, stroke.last());
    }
    QCOMPARE(PianoView::played, notes);
    QCOMPARE(heldKeys(), QStringList());
}

// Ten fingers land at once and each sounds its key once. Half of them lift, in any order, while
// another finger taps the label toggle. It presses again, and another window takes over: that
// cancels the presses that it can, and the fingers lift.
void PianoTest::chordAndBarTapsByTouch()
{
    const QList<QPoint> keys = {{434, 300}, {160, 650}, {278, 650}, {613, 650}, {500, 650},
                                c1,         {700, 650}, {820, 650}, {950, 650}, {50, 650}};
    // Fingers first to lifted - 1 lift, the later ones stay where they are.
    const auto lift = [&](QTest::QTouchEventSequence &&touch, int first,
                          int lifted) -> QTest::QTouchEventSequence && {
        for (int finger = first; finger < keys.size(); ++finger)
            finger < lifted ? touch.release(finger, keys[finger])
                            : touch.move(finger, keys[finger]);
        return std::move(touch);
    };
    QTest::QTouchEventSequence landing = p->touch();
    for (int finger = 0; finger < keys.size(); ++finger)
        landing.press(finger, keys[finger]);
    landing.commit();
    QCOMPARE(QSet<QString>(PianoView::played.begin(), PianoView::played.end()).size(), 10);
    nextFrame();
    lift(p->touch(), 0, 5).press(10, labelToggle).commit();
    nextFrame();
    lift(p->touch(), 5, 5).release(10, labelToggle).commit();
    QCOMPARE(heldKeys(), (QStringList{"keyg0", "keyc1", "keyf1", "keyg1", "keya1"}));
    QVERIFY(p->item("tc1")->isVisible() && p->item("tcis1")->isVisible());
    nextFrame();
    lift(p->touch(), 5, 5).press(10, labelToggle).commit();
    QEvent windowChange(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(p->window(), &windowChange);
    QCOMPARE(heldKeys(), QStringList());
    lift(p->touch(), 5, 10).release(10, labelToggle).commit();
    QCOMPARE(heldKeys(), QStringList());
    QCOMPARE(PianoView::played.size(), 10);
    const bool shown = p->item("tc1")->isVisible();

    // Everything answers as usual; a quick double tap is two taps.
    p->tap(c1);
    QCOMPARE(PianoView::played.last(), QString("keyc1"));
    p->tap(labelToggle);
    QCOMPARE(p->item("tc1")->isVisible(), !shown);
    p->tap(labelToggle);
    QCOMPARE(p->item("tc1")->isVisible(), shown);
    if (shown)
        p->tap(labelToggle);
}

// Each control turned on and off again by mouse, then by touch, with a note played from the
// sound set chosen.
void PianoTest::barControlsAct()
{
    auto *rsound = qobject_cast<sounder *>(p->byId("rsound"));
    for (const bool byTouch : {false, true}) {
        const auto press = [&](QPoint at) { byTouch ? p->tap(at) : p->click(at); };
        press(soundSetButton(3));
        for (const bool on : {true, false}) {
            press(labelToggle);
            QCOMPARE(p->item("tc1")->isVisible(), on);
            // Readable: light lettering on a black key, dark on a white one.
            QVERIFY(p->byId("tcis1")->property("color").value<QColor>().lightnessF() > 0.8);
            QVERIFY(p->byId("tc1")->property("color").value<QColor>().lightnessF() < 0.2);
            press(loopToggle);
            QCOMPARE(rsound->playlooped(), on);
            press(infoToggle);
            QCOMPARE(p->item("configform")->isVisible(), on);
            // Stop drops the engine; the next note brings a new one.
            press(c1);
            QVERIFY2(rsound->hasEngine(), "needs an output device (the test sound server)");
            press(stopButton);
            QVERIFY(!rsound->hasEngine());
        }
        press(soundSetButton(1));
        QCOMPARE(PianoView::played, (QStringList{"three/keyc1", "three/keyc1"}));
        PianoView::clear();
    }
}

// Every key's note name lies centred on its key and fits on it, the black ones too; the volume
// reads as a percentage as the handle moves.
void PianoTest::labelsReadWhole()
{
    turn(labelToggle, "tc1", true);
    for (const QString &note : notes) {
        const QQuickItem *key = p->item("key" + note);
        const QQuickItem *label = p->item("t" + note);
        QVERIFY(label->isVisible());
        const qreal width = label->property("contentWidth").toReal();
        QVERIFY2(width > 0 && width <= key->width(), qPrintable(note));
        QVERIFY2(qAbs(label->x() + width / 2 - key->width() / 2) <= 1, qPrintable(note));
    }
    turn(labelToggle, "tc1", false);

    QQuickItem *handle = p->item("handle");
    QCOMPARE(p->text("slidertext1"), QString("100%"));
    handle->setX(125);
    QCOMPARE(p->text("slidertext1"), QString("50%"));
    handle->setX(250);
    QCOMPARE(p->text("slidertext1"), QString("100%"));
}

// A screen reader finds each key by the note on its label and each button by what it does,
// also those of the settings panel while it is open.
void PianoTest::keysAndButtonsAreNamedForAssistiveTools()
{
    QMap<QString, QString> names = {{"flipdesc", "Show note names"},
                                    {"fliploop", "Loop"},
                                    {"stop", "Stop all sound"},
                                    {"media1", "One"},
                                    {"media2", "Two"},
                                    {"media3", "Three"},
                                    {"media4", "Four"},
                                    {"media5", "Five"},
                                    {"flipi", "Settings"},
                                    {"close", "Close"},
                                    {"savebutton", "Save"},
                                    {"dynamicstoggle", "Loudness from where a key is touched"},
                                    {"stoponreleasetoggle", "Notes stop when a key is let go"}};
    for (const QString &note : notes)
        names["key" + note] = note.toUpper();
    for (int n = 1; n <= 5; ++n)
        names[QString("configpath%1folder").arg(n)] = "Choose folder";

    turn(infoToggle, "configform", true);
    QMap<QString, QString> found;
    QList<QAccessibleInterface *> pending = {QAccessible::queryAccessibleInterface(p->window())};
    QVERIFY(pending.first());
    while (!pending.isEmpty()) {
        QAccessibleInterface *node = pending.takeFirst();
        for (int i = 0; i < node->childCount(); ++i)
            pending << node->child(i);
        const QString id = node->object() ? node->object()->objectName() : QString();
        if (!names.contains(id))
            continue;
        QVERIFY2(node->role() == QAccessible::Button, qPrintable(id));
        found[id] = node->text(QAccessible::Name);
    }
    turn(infoToggle, "configform", false);
    QCOMPARE(found, names);
}

void PianoTest::settingsPanelEditsAndSavesByMouseKeysAndTouch()
{
    p->click(infoToggle);

    // The heading lets a press through to the key beneath; the bar stays usable over the panel.
    p->click(panelHeading);
    QCOMPARE(PianoView::played, QStringList{"keycis1"});
    PianoView::clear();
    p->click(soundSetButton(2));

    // Every field typed into on a hardware keyboard, with the on-screen one up; a Return in one.
    for (int n = 1; n <= 5; ++n)
        for (const char *kind : {"configname", "configpath"}) {
            p->click(fieldEnd(kind + QString::number(n)));
            type(n == 2 && kind[6] == 'p' ? "/edited" : "+");
        }
    QTest::keyClick(p->window(), Qt::Key_Return);
    type("b");

    // Save writes what the fields show, a line break as a blank.
    p->click(p->middleOf("savebutton"));
    QCOMPARE(settings(),
             QByteArray("dir_01 = /kevaro-test+\ndir_02 = /kevaro-test/two/edited\n"
                        "dir_03 = /kevaro-test/three+\ndir_04 = /kevaro-test/four+\n"
                        "dir_05 = /kevaro-test/five+ b\ndirname_01 = One+\ndirname_02 = Two+\n"
                        "dirname_03 = Three+\ndirname_04 = Four+\ndirname_05 = Five+\n"));
    QCOMPARE(p->text("media2text1"), QString("Two+"));

    // The black surround passes presses to the keys too, which now read the edited folder.
    p->click(QPoint(100, 600));
    QCOMPARE(PianoView::played, QStringList{"two/edited/keyg0"});
    PianoView::clear();

    // By touch alone: a finger on a folder field brings up the on-screen keyboard, and the
    // panel rises until Save, its lowest part, which the keyboard would cover, is above it.
    QQuickItem *keyboard = p->item("inputpanel");
    p->tap(fieldEnd("configpath1"));
    QTRY_COMPARE(keyboard->y() + keyboard->height(), 768.0);
    QQuickItem *save = p->item("savebutton");
    QVERIFY(save->mapToScene({0, save->height()}).y() <= keyboard->mapToScene({}).y());
    // Its key "a" types an "a" at the cursor.
    QQuickItem *keyA = nullptr;
    for (QQuickItem *key : keyboard->findChildren<QQuickItem *>())
        if (key->property("key").isValid() && key->property("text") == "a" && key->isVisible())
            keyA = key;
    QVERIFY(keyA);
    p->tap(keyA->mapToScene(keyA->boundingRect().center()).toPoint());
    QTRY_COMPARE(p->text("configpath1"), QString("/kevaro-test+a"));

    // The folder button's picker writes the chosen folder into the field, and Save keeps it.
    const QString folder = p->homePath() + "/my sounds";
    QObject *picker = p->byId("folderdialog");
    p->tap(p->middleOf("configpath1folder"));
    QTRY_VERIFY(picker->property("visible").toBool());
    picker->setProperty("selectedFolder", QUrl::fromLocalFile(folder));
    QMetaObject::invokeMethod(picker, "accept");
    QTRY_COMPARE(p->text("configpath1"), folder);
    p->tap(p->middleOf("savebutton"));
    QVERIFY(settings().startsWith("dir_01 = " + folder.toUtf8() + "\n"));
    QVERIFY(PianoView::played.isEmpty());

    // The keyboard leaves with the panel.
    p->tap(fieldEnd("configpath1"));
    QTRY_VERIFY(keyboard->property("active").toBool());
    p->tap(infoToggle);
    QVERIFY(!p->item("configform")->isVisible());
    QTRY_VERIFY(!keyboard->property("active").toBool());
}

// Fingers on two keys, a bar toggle, a bar button and the volume handle; the compositor takes
// the touches back. Every key and control lets go as if the fingers had lifted, without acting
// on the cancelled taps, and the next touches play and act.
void PianoTest::cancelledTouchLetsGoOfEverything()
{
    auto *rsound = qobject_cast<sounder *>(p->byId("rsound"));
    const bool looped = rsound->playlooped();
    QQuickItem *handle = p->item("handle");
    QObject *drag = p->byId("handledrag");
    const QPoint handleAt = p->middleOf("handle"), cis1(434, 300);
    const qreal handleX = handle->x();
    const QList<QPoint> fingers = {c1, cis1, loopToggle, handleAt, stopButton};
    QTest::QTouchEventSequence landing = p->touch();
    for (int finger = 0; finger < fingers.size(); ++finger)
        landing.press(finger, fingers[finger]);
    landing.commit();
    nextFrame();
    QTest::QTouchEventSequence holding = p->touch();
    for (int finger = 0; finger < fingers.size(); ++finger)
        holding.move(finger, fingers[finger]);
    holding.commit();
    QCOMPARE(heldKeys(), (QStringList{"keyc1", "keycis1"}));
    QVERIFY(drag && drag->property("pressed").toBool());
    p->cancelTouch();
    QCOMPARE(heldKeys(), QStringList());
    QVERIFY(!drag->property("pressed").toBool());
    QCOMPARE(handle->x(), handleX);
    QCOMPARE(rsound->playlooped(), looped);
    QCOMPARE(PianoView::played.size(), 2);

    p->tap(c1);
    QCOMPARE(PianoView::played.size(), 3);
    QVERIFY(PianoView::played.last().endsWith("keyc1"));
    QCOMPARE(heldKeys(), QStringList());

    // Touched and taken back once more, the toggle and the button answer the next touches,
    // numbered anew as an X11 screen numbers them: taps act, each of a quick double tap.
    int finger = 10;
    p->touch().press(finger, loopToggle).press(finger + 1, stopButton).commit();
    nextFrame();
    p->touch().move(finger, loopToggle).move(finger + 1, stopButton).commit();
    p->cancelTouch();
    finger += 2;
    QCOMPARE(rsound->playlooped(), looped);
    QVERIFY(rsound->hasEngine());
    p->tap(loopToggle, finger++);
    QCOMPARE(rsound->playlooped(), !looped);
    p->tap(loopToggle, finger++);
    QCOMPARE(rsound->playlooped(), looped);
    p->tap(stopButton, finger++);
    QVERIFY(!rsound->hasEngine());
}

// With dynamics a press is struck the harder the nearer the front edge of its key it lands, on
// a black key's shorter length as on a white key's; without, every press alike. By mouse and by
// finger, each press held while its velocity is read.
void PianoTest::pressesAreLouderNearerTheFront()
{
    QQuickView *view = p->window();
    // The back and front ends of C1 (y 64 to 757) and of CIS1 (y 64 to 507).
    const QList<QPoint> places = {{380, 68}, {380, 752}, {434, 68}, {434, 503}};
    for (const bool dynamics : {true, false}) {
        sound()->setDynamics(dynamics);
        for (const bool byTouch : {false, true}) {
            QList<int> numbers;
            QStringList velocities;
            for (const QPoint &at : places) {
                byTouch ? void(p->touch().press(0, at).commit())
                        : QTest::mousePress(view, Qt::LeftButton, {}, at);
                for (const sounder::OpenPress &press : sound()->openPresses()) {
                    numbers << press.number;
                    velocities << (press.velocity < 5     ? QString("soft")
                                   : press.velocity > 120 ? QString("loud")
                                                          : QString::number(press.velocity));
                }
                byTouch ? void(p->touch().release(0, at).commit())
                        : QTest::mouseRelease(view, Qt::LeftButton, {}, at);
            }
            QCOMPARE(numbers, (QList<int>{60, 60, 61, 61}));
            QCOMPARE(velocities, (dynamics ? QStringList{"soft", "loud", "soft", "loud"}
                                           : QStringList(4, "100")));
        }
    }
    QCOMPARE(PianoView::played.size(), 16);
}

// Every strike is lifted once, whatever ends it: a finger lifted (two fingers on one key are two
// strikes), a finger or the mouse sliding off its key and back (two strikes), a cancelled touch,
// the mouse's grab taken away, and Stop, after which those presses' lifts end no other.
void PianoTest::everyStrikeIsLiftedOnce()
{
    QQuickView *view = p->window();
    const QPoint cis1(434, 300), c1Low(400, 600), d1(500, 600);
    p->touch().press(0, c1).press(1, c1Low).press(2, cis1).commit();
    QCOMPARE(openPresses(), 3);
    nextFrame();
    p->touch().release(0, c1).move(1, c1Low).move(2, cis1).commit();
    QCOMPARE(openPresses(), 2);
    QCOMPARE(heldKeys(), (QStringList{"keyc1", "keycis1"}));
    nextFrame();
    p->touch().move(1, d1).move(2, cis1).commit();
    QCOMPARE(openPresses(), 1);
    nextFrame();
    p->touch().move(1, c1Low).move(2, cis1).commit();
    QCOMPARE(openPresses(), 2);
    p->cancelTouch();
    QCOMPARE(openPresses(), 0);
    QCOMPARE(PianoView::played.size(), 4);

    QTest::mousePress(view, Qt::LeftButton, {}, c1);
    QCOMPARE(openPresses(), 1);
    QTest::mouseMove(view, d1);
    QCOMPARE(openPresses(), 0);
    QTest::mouseMove(view, c1Low);
    QCOMPARE(openPresses(), 1);
    QQuickItem *grabber = view->mouseGrabberItem();
    QVERIFY(grabber);
    grabber->ungrabMouse();
    QCOMPARE(openPresses(), 0);
    QTest::mouseRelease(view, Qt::LeftButton, {}, c1Low);
    QCOMPARE(PianoView::played.size(), 6);

    p->touch().press(0, c1).commit();
    nextFrame();
    p->touch().move(0, c1).press(1, stopButton).commit();
    nextFrame();
    p->touch().move(0, c1).release(1, stopButton).commit();
    QVERIFY(!sound()->hasEngine());
    QCOMPARE(openPresses(), 0);
    QTest::mousePress(view, Qt::LeftButton, {}, d1);
    p->touch().release(0, c1).commit();
    QCOMPARE(openPresses(), 1);
    QTest::mouseRelease(view, Qt::LeftButton, {}, d1);
    QCOMPARE(openPresses(), 0);
    QCOMPARE(heldKeys(), QStringList());
}

// A MIDI keyboard's held keys show held, and its choice of a sound set is taken as a tap on that
// set's button.
void PianoTest::keysAndSetsFollowAMidiKeyboard()
{
    emit sound()->keyHeldElsewhere("e1", true);
    emit sound()->keyHeldElsewhere("gis1", true);
    emit sound()->keyHeldElsewhere("b7", true);
    QCOMPARE(heldKeys(), (QStringList{"keye1", "keygis1"}));
    emit sound()->keyHeldElsewhere("e1", false);
    QCOMPARE(heldKeys(), QStringList{"keygis1"});
    emit sound()->keyHeldElsewhere("gis1", false);
    QCOMPARE(heldKeys(), QStringList());

    const auto captionColour = [&](int n) {
        return p->byId(QString("media%1text1").arg(n))->property("color").value<QColor>();
    };
    const int chosen = sound()->getmedia();
    emit sound()->setChosenElsewhere(4);
    emit sound()->setChosenElsewhere(9);
    QCOMPARE(sound()->getmedia(), 4);
    QCOMPARE(captionColour(4), QColor(Qt::red));
    QVERIFY(captionColour(1) != QColor(Qt::red));
    p->click(c1);
    // From set 4's folder, as an earlier case may have left it.
    QCOMPARE(PianoView::played.size(), 1);
    QVERIFY(PianoView::played[0].startsWith(QString("four")));
    p->click(soundSetButton(chosen));
}

// The two preferences switch by mouse and by touch, at once and into the preferences file, and
// show what the sound element has; the sound sets' settings file stays as it was.
void PianoTest::preferencesSwitchInThePanel()
{
    const QByteArray settingsBefore = settings();
    const auto preferences = [&] {
        QFile file(p->homePath() + "/.config/kevaro/kevaro.conf");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    sound()->setDynamics(false);
    sound()->setStopOnRelease(true);
    turn(infoToggle, "configform", true);
    QVERIFY(!p->byId("dynamicstoggle")->property("on").toBool());
    QVERIFY(p->byId("stoponreleasetoggle")->property("on").toBool());

    p->click(p->middleOf("dynamicstoggle"));
    QVERIFY(sound()->dynamics());
    QTRY_VERIFY(preferences().contains("dynamics=true"));
    p->tap(p->middleOf("stoponreleasetoggle"));
    QVERIFY(!sound()->stopOnRelease());
    QTRY_VERIFY(preferences().contains("stopOnRelease=false"));
    p->tap(p->middleOf("dynamicstoggle"));
    QVERIFY(!sound()->dynamics());
    QTRY_VERIFY(preferences().contains("dynamics=false"));
    QVERIFY(!p->byId("dynamicstoggle")->property("on").toBool());
    QVERIFY(PianoView::played.isEmpty());
    QCOMPARE(settings(), settingsBefore);
    turn(infoToggle, "configform", false);
}

static void collectItems(QQuickItem *item, QList<QQuickItem *> &items)
{
    items << item;
    for (QQuickItem *child : item->childItems())
        collectItems(child, items);
}

// In windows of several sizes on this screen (its density, as the platform and QT_SCALE_FACTOR
// give it) each visible picture has at least as many pixels as it covers on the screen, and a
// press where a key is drawn (the 1366x768 scene fitted and centred) plays that key. A tiling
// compositor keeps the window at its tile: there, that size alone.
void PianoTest::sharpAndInPlaceAtEverySize()
{
    QQuickView *view = p->window();
    // The bar's cards at rest, not half turned.
    for (const QString &card : {"flipdesc", "fliploop", "flipi"})
        QTRY_COMPARE(std::fmod(p->byId(card + "rotation")->property("angle").toReal(), 180.0), 0.0);
    QList<QSize> sizes = {{1366, 768}};
    if (QGuiApplication::platformName() != "wayland")
        sizes << QSize(1024, 768) << QSize(1920, 1080);
    // 3840x2160 device pixels; the largest pictures are drawn at three times the size.
    if (QGuiApplication::platformName() != "wayland" && view->devicePixelRatio() == 1)
        sizes << QSize(3840, 2160);
    for (const QSize &size : sizes) {
        view->resize(size);
        QTRY_COMPARE(view->size(), size);
        QTRY_COMPARE(p->item("rectangle1")->size(), QSizeF(size));
        const qreal ratio = view->devicePixelRatio();
        const QString where = QString("%1x%2 at %3 device pixels per pixel: ")
                                  .arg(size.width())
                                  .arg(size.height())
                                  .arg(ratio);
        QList<QQuickItem *> items;
        collectItems(view->contentItem(), items);
        int pictures = 0;
        for (QQuickItem *item : items) {
            const QString source = item->property("source").toString();
            if (!item->inherits("QQuickImageBase") || !item->isVisible() ||
                !source.contains("/images/"))
                continue;
            ++pictures;
            QSizeF painted = item->size();
            if (item->property("paintedWidth").isValid())
                painted = {item->property("paintedWidth").toReal(),
                           item->property("paintedHeight").toReal()};
            const QSizeF covered = item->mapRectToScene(QRectF(QPointF(), painted)).size() * ratio;
            const QSize pixels = item->property("sourceSize").toSize();
            QVERIFY2(pixels.width() + 0.01 >= covered.width() &&
                         pixels.height() + 0.01 >= covered.height(),
                     qPrintable(where + source +
                                QString(" has %1x%2 pixels for %3x%4")
                                    .arg(pixels.width())
                                    .arg(pixels.height())
                                    .arg(covered.width())
                                    .arg(covered.height())));
        }
        // The keyboard, the bar's buttons, the slider and the cards' faces.
        QVERIFY2(pictures >= 16, qPrintable(where + QString::number(pictures) + " pictures"));

        const qreal scale = qMin(size.width() / 1366.0, size.height() / 768.0);
        const auto drawnAt = [&](int x, int y) {
            return QPointF((size.width() - 1366 * scale) / 2 + x * scale,
                           (size.height() - 768 * scale) / 2 + y * scale)
                .toPoint();
        };
        PianoView::clear();
        p->tap(drawnAt(50, 650));
        p->tap(drawnAt(434, 300));
        p->click(drawnAt(1290, 650));
        p->click(drawnAt(1345, 300));
        QCOMPARE(PianoView::played.size(), 4);
        for (const QString &key : {"keyg0", "keycis1", "keyd2", "keydis2"})
            QVERIFY2(PianoView::played.takeFirst().endsWith(key),
                     qPrintable(where + key + " did not play"));
    }
    view->resize(1366, 768);
    QTRY_COMPARE(view->size(), QSize(1366, 768));
}

// Each touch move reaches the keys as sent, however busy the machine: Qt Quick would merge the
// moves that come within one frame, and a slide off a key and back could then never leave it.
static const bool touchMovesOneByOne = qputenv("QML_NO_TOUCH_COMPRESSION", "1");

QTEST_MAIN(PianoTest)
#include "tst_piano.moc"
