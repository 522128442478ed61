#include "sounder.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Collects the debug lines written while a test runs.
static QStringList debugLines;
static void collectDebug(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtDebugMsg)
        debugLines << text;
}

class SounderTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void propertiesSignalOnlyOnChange_data();
    void propertiesSignalOnlyOnChange();
    void setNumbersOutsideOneToFive();
    void noteLinesNameEverySetThenThePath();
    void engineLifeAcrossNotesStopAndCreate();
    void noOutputDeviceSkipsTheNote();

private:
    void writeSettings(const QByteArray &content);
    QStringList notesFrom(int first);
    QTemporaryDir *home = nullptr;
};

void SounderTest::init()
{
    home = new QTemporaryDir;
    qputenv("HOME", home->path().toUtf8());
    debugLines.clear();
    qInstallMessageHandler(collectDebug);
}

void SounderTest::cleanup()
{
    qInstallMessageHandler(nullptr);
    delete home;
}

void SounderTest::writeSettings(const QByteArray &content)
{
    QDir(home->path()).mkdir(".kevaro");
    QFile file(home->path() + "/.kevaro/kevaro.config");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

void SounderTest::propertiesSignalOnlyOnChange_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("other");
    QTest::newRow("volume") << QByteArray("volume") << QVariant(7);
    QTest::newRow("vecx") << QByteArray("vecx") << QVariant(3);
    QTest::newRow("vecy") << QByteArray("vecy") << QVariant(-2);
    QTest::newRow("vecz") << QByteArray("vecz") << QVariant(9);
    QTest::newRow("playlooped") << QByteArray("playlooped") << QVariant(true);
    QTest::newRow("play3d") << QByteArray("play3d") << QVariant(true);
}

void SounderTest::propertiesSignalOnlyOnChange()
{
    QFETCH(QByteArray, property);
    QFETCH(QVariant, other);
    sounder element;
    const QMetaProperty meta =
        element.metaObject()->property(element.metaObject()->indexOfProperty(property));
    QSignalSpy changed(&element, meta.notifySignal());
    const QVariant start = element.property(property);
    QCOMPARE(start, QVariant(start.typeId() == QMetaType::Bool ? QVariant(false) : QVariant(0)));

    element.setProperty(property, start);
    QCOMPARE(changed.count(), 0);
    element.setProperty(property, other);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(element.property(property), other);
    element.setProperty(property, other);
    QCOMPARE(changed.count(), 1);
}

void SounderTest::setNumbersOutsideOneToFive()
{
    writeSettings("dir_01 = /one\ndir_03 = /three\ndirname_01 = Grand\ndirname_02 = Organ\n");
    sounder element;
    QCOMPARE(element.getmedia(), 1);
    for (int outside : {0, 6, -3}) {
        element.setmedia(outside);
        QCOMPARE(element.getmedia(), outside);
        QCOMPARE(element.getmedianame(outside), QString("Grand"));
    }
    QCOMPARE(element.getmedianame(2), QString("Organ"));
    QCOMPARE(element.getconfigname(0), QString());
    QCOMPARE(element.getconfigpath(6), QString());

    element.setconfigname(6, "x");
    element.setconfigpath(0, "/x");
    for (int nr = 1; nr <= 5; ++nr) {
        QVERIFY(element.getconfigname(nr) != "x");
        QVERIFY(element.getconfigpath(nr) != "/x");
    }

    // Notes of an unknown set come from set 1; a changed directory counts before any save.
    element.setmedia(-1);
    element.dosound("keyg0");
    QCOMPARE(debugLines.at(5), QString("\"/one/keyg0.wav\""));
    element.setconfigpath(1, "/edited");
    element.dosound("keyg0");
    QVERIFY(debugLines.contains("\"/edited/keyg0.wav\""));
    QFile file(home->path() + "/.kevaro/kevaro.config");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("dir_01 = /one"));
}

void SounderTest::noteLinesNameEverySetThenThePath()
{
    writeSettings("dir_01 = /a\ndir_02 = /b/\ndir_03 = /c\ndir_04 = /d\ndir_05 = /ä€\n");
    sounder element;
    element.setmedia(3);
    element.dosound("keycis1");
    const QStringList first = {"\"/a\"",
                               "\"/b/\"",
                               "\"/c\"",
                               "\"/d\"",
                               "\"/ä€\"",
                               "\"/c/keycis1.wav\"",
                               "engine wird neu erzeugt"};
    QCOMPARE(debugLines.mid(0, 7), first);

    element.setmedia(2);
    element.dosound("");
    QCOMPARE(debugLines.mid(7),
             (QStringList{"\"/a\"", "\"/b/\"", "\"/c\"", "\"/d\"", "\"/ä€\"", "\"/b//.wav\""}));
}

void SounderTest::engineLifeAcrossNotesStopAndCreate()
{
    sounder element;
    QVERIFY(!element.hasEngine());
    element.dosound("keyg0");
    QVERIFY2(element.hasEngine(), "needs an output device (the test sound server)");
    element.dosound("keya0");
    QCOMPARE(debugLines.count("engine wird neu erzeugt"), 1);

    element.dropit();
    QVERIFY(!element.hasEngine());
    element.dropit();
    QVERIFY(!element.hasEngine());
    element.dosound("keyg0");
    QCOMPARE(debugLines.count("engine wird neu erzeugt"), 2);

    element.createit();
    QVERIFY(element.hasEngine());
    element.createit();
    QVERIFY(element.hasEngine());
    element.dosound("keyg0");
    QCOMPARE(debugLines.count("engine wird neu erzeugt"), 2);
}

void SounderTest::noOutputDeviceSkipsTheNote()
{
    if (!qEnvironmentVariableIsSet("KEVARO_TEST_NO_DEVICE"))
        QSKIP("runs as its own ctest case, with the sound server out of reach");
    sounder element;
    element.dosound("keyg0");
    element.dosound("keyg0");
    QVERIFY(!element.hasEngine());
    // Each note tries again to get a device.
    QCOMPARE(debugLines.count("engine wird neu erzeugt"), 2);
    element.createit();
    QVERIFY(!element.hasEngine());
}

QTEST_MAIN(SounderTest)
#include "tst_sounder.moc"
