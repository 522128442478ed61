// Runs the picture generator and checks its output and the pictures committed in qml/images.

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <iterator>

namespace {

struct Expected
{
    const char *file;
    int width;
    int height;
};

const Expected expectedPictures[] = {
    {"Tasten.png", 1336, 768},
    {"button_100_blank.png", 100, 50},
    {"button_100_disabled.png", 100, 50},
    {"button_100_enabled.png", 100, 50},
    {"button_150_blank.png", 150, 50},
    {"button_150_disabled.png", 150, 50},
    {"button_150_enabled.png", 150, 50},
    {"button_3d_state0.png", 50, 50},
    {"button_3d_state1.png", 50, 50},
    {"button_3d_state2.png", 50, 50},
    {"button_3d_state3.png", 50, 50},
    {"button_50_blank.png", 50, 50},
    {"button_50_disabled.png", 50, 50},
    {"button_50_enabled.png", 50, 50},
    {"button_close.png", 50, 50},
    {"button_label_disabled.png", 50, 50},
    {"button_label_enabled.png", 50, 50},
    {"button_loop_disabled.png", 50, 50},
    {"button_loop_enabled.png", 50, 50},
    {"button_pause.png", 50, 50},
    {"button_pause_disabled.png", 50, 50},
    {"button_pause_enabled.png", 50, 50},
    {"button_play.png", 50, 50},
    {"button_play_disabled.png", 50, 50},
    {"button_play_enabled.png", 50, 50},
    {"button_stop.png", 50, 50},
    {"button_stop_disabled.png", 50, 50},
    {"button_stop_enabled.png", 50, 50},
    {"dummy.png", 42, 40},
    {"dummy2.png", 50, 48},
    {"slider_50.png", 50, 50},
    {"slider_bg_300.png", 300, 10},
};

struct Area
{
    int x;
    int width;
};

// Touch areas on the 1366 pixel wide screen.
const Area whiteAreas[] = {{0, 109},   {110, 112},  {223, 110},  {335, 110},
                           {446, 110}, {558, 110},  {671, 110},  {784, 109},
                           {895, 112}, {1008, 110}, {1120, 110}, {1233, 109}};
const Area blackAreas[] = {{74, 72},  {203, 72}, {398, 72},  {534, 72}, {729, 72},
                           {859, 72}, {988, 72}, {1184, 72}, {1317, 48}};
constexpr int whiteCentreY = 64 + 694 / 2;
constexpr int whiteLowY = 650; // below the black keys
constexpr int blackCentreY = 64 + 444 / 2;

// The screen stretches the keyboard picture from 1336 to 1366 pixels.
int pictureX(double screenX)
{
    return int(screenX * 1336 / 1366);
}

// Colour type from the PNG header: 2 is RGB, 6 is RGB with alpha.
int pngColourType(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray head = file.read(26);
    return head.size() == 26 && head.startsWith("\x89PNG") ? quint8(head[25]) : -1;
}

int grey(const QImage &image, int x, int y)
{
    return qGray(image.pixel(x, y));
}

} // namespace

class PicturesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void generatedPictureHasItsSizeAndFormat_data() { addPictureRows(); }
    void generatedPictureHasItsSizeAndFormat();
    void committedPictureMatchesGenerated_data() { addPictureRows(); }
    void committedPictureMatchesGenerated();
    void keysLieUnderTheirTouchAreas();
    void topBandIsDarkWithTheCloseMark();

private:
    static void addPictureRows();

    QTemporaryDir output;
    QImage keyboard;
};

void PicturesTest::initTestCase()
{
    QVERIFY(output.isValid());
    QProcess generator;
    generator.start(QStringLiteral(PICTURE_GENERATOR), {output.path()});
    QVERIFY(generator.waitForFinished(60000));
    QCOMPARE(generator.exitStatus(), QProcess::NormalExit);
    QVERIFY2(generator.exitCode() == 0, generator.readAllStandardError().constData());
    QVERIFY(keyboard.load(output.filePath("Tasten.png")));
}

void PicturesTest::addPictureRows()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size");
    // Each picture also comes at twice the size, for enlarged and high-density screens.
    for (const Expected &picture : expectedPictures) {
        const QString file = QString::fromLatin1(picture.file);
        const QSize size(picture.width, picture.height);
        QTest::newRow(picture.file) << file << size;
        const QString doubled = QString(file).replace(".png", "@2x.png");
        QTest::newRow(qPrintable(doubled)) << doubled << size * 2;
    }
}

void PicturesTest::generatedPictureHasItsSizeAndFormat()
{
    QFETCH(QString, file);
    QFETCH(QSize, size);
    const QString path = output.filePath(file);
    QImage image;
    QVERIFY2(image.load(path), qPrintable(path));
    QCOMPARE(image.size(), size);

    if (file.startsWith("Tasten")) {
        QCOMPARE(pngColourType(path), 2);
        QVERIFY(!image.hasAlphaChannel());
        return;
    }
    QCOMPARE(pngColourType(path), 6);
    QVERIFY(image.hasAlphaChannel());
    const int right = size.width() - 1, bottom = size.height() - 1;
    for (const QPoint corner :
         {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom)})
        QCOMPARE(qAlpha(image.pixel(corner)), 0);
    QCOMPARE(qAlpha(image.pixel(size.width() / 2, size.height() / 2)), 255);
}

void PicturesTest::committedPictureMatchesGenerated()
{
    QFETCH(QString, file);
    QFETCH(QSize, size);
    const QString committedPath = QStringLiteral(COMMITTED_PICTURES "/") + file;
    QImage committed;
    QVERIFY2(committed.load(committedPath), qPrintable(committedPath));
    QCOMPARE(committed.size(), size);
    QCOMPARE(pngColourType(committedPath), pngColourType(output.filePath(file)));

    // A stale commit shows as a real difference; rasteriser rounding does not.
    const QImage generated = QImage(output.filePath(file)).convertToFormat(QImage::Format_ARGB32);
    committed = committed.convertToFormat(QImage::Format_ARGB32);
    int worst = 0;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QRgb a = generated.pixel(x, y), b = committed.pixel(x, y);
            worst = std::max({worst, qAbs(qRed(a) - qRed(b)), qAbs(qGreen(a) - qGreen(b)),
                              qAbs(qBlue(a) - qBlue(b)), qAbs(qAlpha(a) - qAlpha(b))});
        }
    }
    QVERIFY2(worst <= 8,
             qPrintable(QStringLiteral("differs by up to %1; regenerate qml/images").arg(worst)));
}

void PicturesTest::keysLieUnderTheirTouchAreas()
{
    for (const Area &key : whiteAreas) {
        const int x = pictureX(key.x + key.width / 2.0);
        QVERIFY2(grey(keyboard, x, whiteCentreY) > 200, qPrintable(QString::number(key.x)));
        QVERIFY2(grey(keyboard, x, whiteLowY) > 200, qPrintable(QString::number(key.x)));
    }
    for (const Area &key : blackAreas) {
        const int x = pictureX(key.x + key.width / 2.0);
        QVERIFY2(grey(keyboard, x, blackCentreY) < 60, qPrintable(QString::number(key.x)));
    }

    // Between neighbouring white areas the picture shows a groove, darker than the keys.
    for (size_t i = 0; i + 1 < std::size(whiteAreas); ++i) {
        const int stripLeft = whiteAreas[i].x + whiteAreas[i].width;
        const int stripRight = whiteAreas[i + 1].x;
        int darkest = 255;
        for (int x = pictureX(stripLeft); x <= pictureX(stripRight); ++x)
            darkest = qMin(darkest, grey(keyboard, x, whiteLowY));
        QVERIFY2(darkest < 180, qPrintable(QString::number(stripLeft)));
    }

    // The slivers at the edges: black at the far left, the 13th white key at the far right.
    QVERIFY(grey(keyboard, pictureX(3), blackCentreY) < 60);
    QVERIFY(grey(keyboard, pictureX(3), whiteLowY) > 200);
    QVERIFY(grey(keyboard, pictureX(1356), whiteLowY) > 200);
}

void PicturesTest::topBandIsDarkWithTheCloseMark()
{
    for (int screenX : {5, 300, 700, 1100, 1290, 1362})
        QVERIFY2(grey(keyboard, pictureX(screenX), 32) < 40, qPrintable(QString::number(screenX)));
    // The cross's centre lies under the close button's centre.
    QVERIFY(grey(keyboard, pictureX(1304 + 25), 7 + 25) > 200);
}

QTEST_GUILESS_MAIN(PicturesTest)
#include "test_pictures.moc"
