// The keyboard picture, committed in qml/images and as the generator draws it: each drawn key
// lies under its touch area, so pressing the drawn F sharp plays F sharp.

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Touch areas (x, width) on the 1366 pixel wide screen, as wide as the picture.
const std::pair<int, int> whiteAreas[] = {{0, 109},   {110, 112},  {223, 110},  {335, 110},
                                          {446, 110}, {558, 110},  {671, 110},  {784, 109},
                                          {895, 112}, {1008, 110}, {1120, 110}, {1233, 109}};
const std::pair<int, int> blackAreas[] = {{74, 72},  {203, 72}, {398, 72},  {534, 72}, {729, 72},
                                          {859, 72}, {988, 72}, {1184, 72}, {1317, 48}};
constexpr int whiteCentreY = 64 + 694 / 2, whiteLowY = 650, blackCentreY = 64 + 444 / 2;

} // namespace

class PicturesTest : public QObject
{
    Q_OBJECT

private slots:
    void keysLieUnderTheirTouchAreas();
};

void PicturesTest::keysLieUnderTheirTouchAreas()
{
    QTemporaryDir output;
    QCOMPARE(QProcess::execute(PICTURE_GENERATOR, {output.path()}), 0);
    for (const QString &path :
         {QStringLiteral(COMMITTED_PICTURES "/Tasten.png"),
          QStringLiteral(COMMITTED_PICTURES "/Tasten@3x.png"), output.filePath("Tasten.png")}) {
        const QImage picture(path);
        const double scale = picture.width() / 1366.0;
        const auto grey = [&](double screenX, int y) {
            return qGray(picture.pixel(int(screenX * scale), int(y * scale)));
        };
        // Light at the middle and low on every white key; up to the next white area a groove,
        // darker than the keys.
        for (const auto &[x, width] : whiteAreas) {
            const int end = x + width;
            QVERIFY2(grey(x + width / 2.0, whiteCentreY) > 200 &&
                         grey(x + width / 2.0, whiteLowY) > 200 &&
                         (x == 1233 || std::min({grey(end, whiteLowY), grey(end + 1, whiteLowY),
                                                 grey(end + 2, whiteLowY)}) < 180),
                     qPrintable(path + " at " + QString::number(x)));
        }
        for (const auto &[x, width] : blackAreas)
            QVERIFY2(grey(x + width / 2.0, blackCentreY) < 60,
                     qPrintable(path + " at " + QString::number(x)));
    }
}

QTEST_GUILESS_MAIN(PicturesTest)
#include "test_pictures.moc"
