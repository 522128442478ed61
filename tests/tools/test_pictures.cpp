// The keyboard picture, committed in qml/images and as the generator draws it: each key area
// of the real document (Keyboard.qml) lies on its drawn key, so pressing the drawn F sharp
// plays F sharp.

#include <QImage>
#include <QProcess>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include <memory>

// The document's module, linked in.
Q_IMPORT_QML_PLUGIN(kevaroPlugin)

class PicturesTest : public QObject
{
    Q_OBJECT

private slots:
    void keysLieUnderTheirTouchAreas();
};

void PicturesTest::keysLieUnderTheirTouchAreas()
{
    // The key areas where the document places them, in the 1366x768 scene the picture fills.
    QQmlEngine engine;
    QQmlComponent component(&engine, QUrl("qrc:/qml/qml/kevaro/Keyboard.qml"));
    std::unique_ptr<QObject> keyboard(component.createWithInitialProperties(
        {{"sound", QVariant::fromValue<QObject *>(nullptr)}}));
    QVERIFY2(keyboard, qPrintable(component.errorString()));
    QList<QRectF> white, black;
    for (const QQuickItem *key :
         keyboard->findChildren<QQuickItem *>(QRegularExpression("^key[a-z]+[0-9]$")))
        (key->height() > 500 ? white : black) << QRectF(key->position(), key->size());
    QCOMPARE(white.size(), 12);
    QCOMPARE(black.size(), 9);
    std::sort(white.begin(), white.end(), [](auto a, auto b) { return a.x() < b.x(); });
    // Below the black keys.
    const double lowY = (black.first().bottom() + white.first().bottom()) / 2;

    QTemporaryDir output;
    QCOMPARE(QProcess::execute(PICTURE_GENERATOR, {output.path()}), 0);
    for (const QString &path :
         {QStringLiteral(COMMITTED_PICTURES "/Tasten.png"),
          QStringLiteral(COMMITTED_PICTURES "/Tasten@3x.png"), output.filePath("Tasten.png")}) {
        const QImage picture(path);
        QVERIFY2(!picture.isNull(), qPrintable(path));
        const auto grey = [&](double x, double y) {
            return qGray(
                picture.pixel(int(x * picture.width() / 1366), int(y * picture.height() / 768)));
        };
        // Light at the middle and low on every white key; up to the next white area a groove,
        // darker than the keys.
        for (const QRectF &key : white) {
            const double middle = key.center().x(), end = key.right();
            QVERIFY2(grey(middle, key.center().y()) > 200 && grey(middle, lowY) > 200 &&
                         (key == white.last() || std::min({grey(end, lowY), grey(end + 1, lowY),
                                                           grey(end + 2, lowY)}) < 180),
                     qPrintable(path + " at " + QString::number(key.x())));
        }
        for (const QRectF &key : black)
            QVERIFY2(grey(key.center().x(), key.center().y()) < 60,
                     qPrintable(path + " at " + QString::number(key.x())));
    }
}

QTEST_MAIN(PicturesTest)
#include "test_pictures.moc"
