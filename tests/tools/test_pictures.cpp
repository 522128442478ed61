// The keyboard picture, committed in qml/images and as the generator draws it: each drawn key
// lies under its touch area, so pressing the drawn F sharp plays F sharp.

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Area
{
    int x;
    int width;
};

// Touch areas on the 1366 pixel wide screen, which stretches the 1336 pixel picture.
const Area whiteAreas[] = {{0, 109},   {110, 112},  {223, 110},  {335, 110},
                           {446, 110}, {558, 110},  {671, 110},  {784, 109},
                           {895, 112}, {1008, 110}, {1120, 110}, {1233, 109}};
const Area blackAreas[] = {{74, 72},  {203, 72}, {398, 72},  {534, 72}, {729, 72},
                           {859, 72}, {988, 72}, {1184, 72}, {1317, 48}};
constexpr int whiteCentreY = 64 + 694 / 2, whiteLowY = 650, blackCentreY = 64 + 444 / 2;

} // namespace

class PicturesTest : public QObject
{
    Q_OBJECT

private slots:
    void keysLieUnderTheirTouchAreas_data();
    void keysLieUnderTheirTouchAreas();

private:
    QTemporaryDir output;
};

void PicturesTest::keysLieUnderTheirTouchAreas_data()
{
    QProcess generator;
    generator.start(QStringLiteral(PICTURE_GENERATOR), {output.path()});
    QVERIFY(generator.waitForFinished(60000) && generator.exitCode() == 0);
    QTest::addColumn<QString>("path");
    QTest::newRow("committed") << QStringLiteral(COMMITTED_PICTURES "/Tasten.png");
    QTest::newRow("generated") << output.filePath("Tasten.png");
}

void PicturesTest::keysLieUnderTheirTouchAreas()
{
    QFETCH(QString, path);
    const QImage picture(path);
    QCOMPARE(picture.size(), QSize(1336, 768));
    const auto grey = [&](double screenX, int y) {
        return qGray(picture.pixel(int(screenX * 1336 / 1366), y));
    };
    for (const Area &key : whiteAreas) {
        QVERIFY2(grey(key.x + key.width / 2.0, whiteCentreY) > 200,
                 qPrintable(QString::number(key.x)));
        QVERIFY2(grey(key.x + key.width / 2.0, whiteLowY) > 200,
                 qPrintable(QString::number(key.x)));
        // Up to the next white area the picture shows a groove, darker than the keys.
        int darkest = 255;
        for (int x = key.x + key.width; key.x < 1233 && x <= key.x + key.width + 2; ++x)
            darkest = qMin(darkest, grey(x, whiteLowY));
        QVERIFY2(key.x == 1233 || darkest < 180, qPrintable(QString::number(key.x)));
    }
    for (const Area &key : blackAreas)
        QVERIFY2(grey(key.x + key.width / 2.0, blackCentreY) < 60,
                 qPrintable(QString::number(key.x)));
    // The slivers at the edges: black at the far left, the 13th white key at the far right.
    QVERIFY(grey(3, blackCentreY) < 60 && grey(3, whiteLowY) > 200 && grey(1356, whiteLowY) > 200);
}

QTEST_GUILESS_MAIN(PicturesTest)
#include "test_pictures.moc"
