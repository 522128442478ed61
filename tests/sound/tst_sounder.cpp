#include "noteloader.h"
#include "pianoview.h"
#include "samplecache.h"
#include "soundengine.h"
#include "sounder.h"
#include "volumebus.h"

#include <QDir>
#include <QFile>
#include <QQuickItem>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <unistd.h>

class SounderTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        home = std::make_unique<QTemporaryDir>();
        qputenv("HOME", home->path().toUtf8());
    }
    // First: the session bus is chosen at its first use.
    void volumeCallsDoNotWaitForAHungService();
    void unreachableServicesAreSkipped();
    void setsInAnyFolderRoundTripAndPlayDecoded();
    void failedSaveIsShownInThePanel();
    void pressesEndOnceByLiftPedalOrStop();

private:
    std::unique_ptr<QTemporaryDir> home;
};

// The service takes the calls and answers none: an element that waited for an answer (or
// built a proxy, which asks the service to describe itself) would hit the ctest timeout.
void SounderTest::volumeCallsDoNotWaitForAHungService()
{
    VolumeBus bus;
    QVERIFY(bus.start() && bus.service().registerService(volumeService));
    sounder element;
    for (int i = 0; i < 200; ++i)
        element.setVol(42);
    QTRY_COMPARE(bus.receiver.calls.size(), 200);
}

// Runs as ctest cases of its own, with the sound server out of reach and without a session bus
// or with one that cannot be reached: neither a crash nor a wait (no D-Bus autolaunch).
void SounderTest::unreachableServicesAreSkipped()
{
    if (!qEnvironmentVariableIsSet("KEVARO_TEST_UNREACHABLE"))
        QSKIP("runs as its own ctest case");
    sounder element;
    for (int i = 0; i < 200; ++i) {
        QTest::ignoreMessage(QtDebugMsg, "QDBusConnection::sessionBus() failed.");
        element.setVol(i % 101);
    }
    // Each note tries again to get a device, and is skipped.
    QTRY_VERIFY(kevaro::SoundEngine::outputIsMissing());
    element.dosound("keyg0");
    element.dosound("keyg0");
    QVERIFY(!element.hasEngine());
}

// A folder made at path with every note file of a set: 0.1 s of 16-bit mono at 48 kHz.
static QString noteFolder(const QString &path)
{
    QDir().mkpath(path);
    const QByteArray wav = QByteArray::fromHex("52494646a425000057415645666d7420100000000100010080"
                                               "bb000000770100020010006461746180250000") +
                           QByteArray(9600, '\x10');
    for (const QString &name : Config().noteFiles) {
        QFile file(path + "/" + name);
        if (file.open(QIODevice::WriteOnly))
            file.write(wav);
    }
    return path;
}

// Sets in folders of any name, a German one with a note sign and one whose path is over 1,024
// characters long, are saved, read back and played from where they are.
void SounderTest::setsInAnyFolderRoundTripAndPlayDecoded()
{
    const QString first = noteFolder(home->filePath("Klänge/Flügel für Jürgen – ♪"));
    QString deep = home->filePath("edited");
    while (deep.size() <= 1100)
        deep += "/" + QString(120, QChar(0x00e9)); // 240 bytes, a name's limit is 255
    const QString edited = noteFolder(deep);
    const auto decoded = [](const QString &file) {
        kevaro::NoteLoader::waitUntilIdle();
        return kevaro::SampleCache::instance().contains(QFile::encodeName(file).toStdString());
    };

    sounder element;
    element.setconfigpath(1, first);
    element.setconfigpath(2, edited);
    element.saveconfig();
    QVERIFY(decoded(first + "/keyc1.wav"));
    element.setmedia(2);
    QVERIFY(decoded(edited + "/keyh1.wav"));
    // The press takes the note decoded ahead of it, so it opened the same path.
    const auto decodes = kevaro::SampleCache::instance().decodeCount();
    element.dosound("keyh1");
    QCOMPARE(kevaro::SampleCache::instance().decodeCount(), decodes);
    Config back;
    QVERIFY(back.load());
    QCOMPARE(back.directories[0], first);
    QCOMPARE(back.directories[1], edited);
}

// Runs as its own ctest case as an unprivileged user, since a read-only folder does not stop
// root.
void SounderTest::failedSaveIsShownInThePanel()
{
    if (geteuid() == 0)
        QSKIP("runs as its own ctest case as another user");
    PianoView piano;
    QVERIFY(piano.isReady());
    const QString folder = piano.homePath() + "/.kevaro";
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    const auto text = [&](const char *id) { return piano.byId(id)->property("text").toString(); };
    const auto errorText = qobject_cast<QQuickItem *>(piano.byId("saveerrortext"));
    piano.byId("configform")->setProperty("visible", true);
    piano.byId("configname1")->setProperty("text", "Neu");
    const auto pressSave = [&] {
        const auto button = qobject_cast<QQuickItem *>(piano.byId("savebutton"));
        QTest::mouseClick(piano.window(), Qt::LeftButton, {},
                          button->mapToScene(QPointF(75, 25)).toPoint());
    };

    pressSave();
    QCOMPARE(text("saveerrortext"),
             "Could not save the sound sets: " + folder + "/kevaro.config (permission denied)");
    QVERIFY(errorText->isVisible());
    QCOMPARE(text("media1text1"), QString("Test"));
    QCOMPARE(text("configname1"), QString("Neu"));
    QVERIFY(piano.byId("configform")->property("visible").toBool());

    // Writable again: the save goes through, the message goes, the caption follows.
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    pressSave();
    QVERIFY(!errorText->isVisible());
    QCOMPARE(text("media1text1"), QString("Neu"));
}

// Each press carries its key's MIDI number and ends once: at its lift; with the sustain pedal
// down, when the pedal comes up if the key is up by then (also a key held before the pedal went
// down); or at Stop, after which its lift and the pedal end nothing more. A name that is no
// note starts no press.
void SounderTest::pressesEndOnceByLiftPedalOrStop()
{
    sounder element;
    const auto open = [&] {
        QList<int> numbers;
        for (const sounder::OpenPress &press : element.openPresses())
            numbers << press.number;
        return numbers;
    };
    QCOMPARE(element.strike("b1", 0.5), 0);
    QCOMPARE(element.strike("c", 0.5), 0);
    const int g0 = element.strike("g0", 0);
    const int dis2 = element.strike("dis2", 1);
    QCOMPARE(open(), (QList<int>{55, 75}));
    element.setSustain(true);
    const int h0 = element.strike("h0", 0.5);
    element.lift(g0);
    element.lift(h0);
    element.lift(dis2);
    QCOMPARE(open(), (QList<int>{55, 75, 59}));
    const int c1 = element.strike("c1", 0.5);
    element.setSustain(false);
    QCOMPARE(open(), QList<int>{60});
    element.setSustain(true);
    element.lift(c1);
    element.dropit();
    QCOMPARE(open(), QList<int>());
    element.setSustain(false);
    const int gis0 = element.strike("gis0", 0.5);
    element.lift(c1);
    QCOMPARE(open(), QList<int>{56});
    element.lift(gis0);
    QCOMPARE(open(), QList<int>());
}

QTEST_MAIN(SounderTest)
#include "tst_sounder.moc"
