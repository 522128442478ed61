#include "pianoview.h"

#include <optional>

#include <QTest>

using Strokes = QList<QList<QPoint>>;

class KeyboardTest : public QObject
{
    Q_OBJECT

private slots:
    // Made here, after the test framework has set its message handler.
    void initTestCase() { QVERIFY(piano.emplace().isReady()); }
    void mouseGesturesPlayTheTopmostKey_data();
    void mouseGesturesPlayTheTopmostKey();

private:
    std::optional<PianoView> piano;
};

// Each stroke: a press at its first point, moves through the others, a release at the last.
void KeyboardTest::mouseGesturesPlayTheTopmostKey_data()
{
    QTest::addColumn<Strokes>("strokes");
    QTest::addColumn<QStringList>("notes");
    const auto at = [](int x, int y) { return Strokes{{{x, y}}}; };
    QTest::newRow("black over white") << at(100, 300) << QStringList{"keygis0"};
    QTest::newRow("white below the black keys") << at(100, 600) << QStringList{"keyg0"};
    QTest::newRow("left sliver is keyg0") << at(8, 200) << QStringList{"keyg0"};
    QTest::newRow("last black key") << at(1350, 300) << QStringList{"keydis2"};
    QTest::newRow("right sliver plays nothing") << at(1350, 600) << QStringList{};
    QTest::newRow("below the keys") << at(500, 760) << QStringList{};
    QTest::newRow("gap between white keys") << at(109, 600) << QStringList{};
    QTest::newRow("control bar") << at(900, 30) << QStringList{};
    QTest::newRow("label place") << at(385, 705) << QStringList{"keyc1"};
    QTest::newRow("black key edge") << at(440, 507) << QStringList{"keycis1"};
    QTest::newRow("just below the black key") << at(440, 508) << QStringList{"keyc1"};
    QTest::newRow("held press leaves its key and comes back")
        << Strokes{{{390, 600}, {500, 600}, {600, 600}, {390, 620}}}
        << QStringList{"keyc1", "keyc1"};
    QTest::newRow("press from a gap or the bar slides onto keys")
        << Strokes{{{109, 600}, {150, 600}, {300, 600}}, {{400, 30}, {400, 300}}} << QStringList{};
    QTest::newRow("double click is two notes")
        << Strokes{{{700, 600}}, {{700, 600}}} << QStringList{"keyf1", "keyf1"};
}

void KeyboardTest::mouseGesturesPlayTheTopmostKey()
{
    QFETCH(Strokes, strokes);
    QFETCH(QStringList, notes);
    PianoView::clear();
    for (const QList<QPoint> &stroke : strokes) {
        QTest::mousePress(piano->window(), Qt::LeftButton, {}, stroke.first());
        for (const QPoint &point : stroke.mid(1))
            QTest::mouseMove(piano->window(), point);
        QTest::mouseRelease(piano->window(), Qt::LeftButton, {}, stroke.last());
    }
    QCOMPARE(PianoView::played, notes);
    // No key stays shaded as held.
    for (QObject *key : piano->byId("keyboard")->findChildren<QObject *>())
        if (key->property("held").isValid())
            QVERIFY2(!key->property("held").toBool(), qPrintable(key->objectName()));
}

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
