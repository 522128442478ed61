#include "pianoview.h"

#include <QQuickItem>
#include <QTest>
#include <QtQml>

static QStringList &playedNotes = PianoView::played;

class KeyboardTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void pressPlaysTheTopmostKey_data();
    void pressPlaysTheTopmostKey();
    void heldPressStaysWithItsKey();
    void pressFromOutsideAKeyPlaysNothing();
    void everyPressPlaysAgain();
    void documentMatchesTheKeyboard();

private:
    PianoView *piano = nullptr;
    QQuickView *view = nullptr;
};

void KeyboardTest::initTestCase()
{
    piano = new PianoView;
    QVERIFY(piano->isReady());
    view = piano->window();
}

void KeyboardTest::init()
{
    PianoView::clear();
}

void KeyboardTest::cleanupTestCase()
{
    delete piano;
}

void KeyboardTest::pressPlaysTheTopmostKey_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QStringList>("notes");
    QTest::newRow("black over white") << QPoint(100, 300) << QStringList{"keygis0"};
    QTest::newRow("white below the black keys") << QPoint(100, 600) << QStringList{"keyg0"};
    QTest::newRow("left sliver is keyg0") << QPoint(8, 200) << QStringList{"keyg0"};
    QTest::newRow("last black key") << QPoint(1350, 300) << QStringList{"keydis2"};
    QTest::newRow("right sliver plays nothing") << QPoint(1350, 600) << QStringList{};
    QTest::newRow("below the keys") << QPoint(500, 760) << QStringList{};
    QTest::newRow("gap between white keys") << QPoint(109, 600) << QStringList{};
    QTest::newRow("control bar") << QPoint(900, 30) << QStringList{};
    QTest::newRow("label place") << QPoint(385, 705) << QStringList{"keyc1"};
    QTest::newRow("black key edge") << QPoint(440, 507) << QStringList{"keycis1"};
    QTest::newRow("just below the black key") << QPoint(440, 508) << QStringList{"keyc1"};
}

void KeyboardTest::pressPlaysTheTopmostKey()
{
    QFETCH(QPoint, at);
    QFETCH(QStringList, notes);
    QTest::mousePress(view, Qt::LeftButton, {}, at);
    QCOMPARE(playedNotes, notes);
    QTest::mouseRelease(view, Qt::LeftButton, {}, at);
    QCOMPARE(playedNotes, notes);
}

// The key that took the press is shaded as held while the pointer is on it.
void KeyboardTest::heldPressStaysWithItsKey()
{
    auto held = [this](const char *key) { return piano->byId(key)->property("held").toBool(); };
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(390, 600));
    QVERIFY(held("keyc1"));
    QTest::mouseMove(view, QPoint(500, 600));
    QTest::mouseMove(view, QPoint(600, 600));
    QVERIFY(!held("keyc1") && !held("keyd1") && !held("keye1"));
    QCOMPARE(playedNotes, QStringList{"keyc1"});
    QTest::mouseMove(view, QPoint(390, 620));
    QVERIFY(held("keyc1"));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(390, 620));
    QVERIFY(!held("keyc1"));
    QCOMPARE(playedNotes, (QStringList{"keyc1", "keyc1"}));
}

void KeyboardTest::pressFromOutsideAKeyPlaysNothing()
{
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(109, 600));
    QTest::mouseMove(view, QPoint(150, 600));
    QTest::mouseMove(view, QPoint(300, 600));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(300, 600));
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(400, 30));
    QTest::mouseMove(view, QPoint(400, 300));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(400, 300));
    QCOMPARE(playedNotes, QStringList{});
}

void KeyboardTest::everyPressPlaysAgain()
{
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(700, 600));
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(700, 600), 10);
    QCOMPARE(playedNotes, (QStringList{"keyf1", "keyf1"}));
}

void KeyboardTest::documentMatchesTheKeyboard()
{
    const QStringList white = {"g0", "a0", "h0", "c1", "d1", "e1",
                               "f1", "g1", "a1", "h1", "c2", "d2"};
    const QStringList black = {"gis0", "ais0", "cis1", "dis1", "fis1",
                               "gis1", "ais1", "cis2", "dis2"};
    for (const QString &note : white + black) {
        auto *area = qobject_cast<QQuickItem *>(piano->byId("key" + note));
        auto *label = qobject_cast<QQuickItem *>(piano->byId("t" + note));
        QVERIFY2(area && label, qPrintable(note));
        QCOMPARE(label->parentItem(), area);
        QCOMPARE(label->property("text").toString(), note.toUpper());
        QVERIFY(!label->isVisible());

        // A press in the middle of the key's own part plays its note.
        const bool isBlack = black.contains(note);
        const QPoint middle(int(area->x() + area->width() / 2), isBlack ? 300 : 650);
        playedNotes.clear();
        QTest::mouseClick(view, Qt::LeftButton, {}, middle);
        QCOMPARE(playedNotes, QStringList{"key" + note});
    }
}

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
