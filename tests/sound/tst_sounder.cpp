#include "notepreloader.h"
#include "pianoview.h"
#include "samplecache.h"
#include "sounder.h"
#include "soundengine.h"

#include <QDir>
#include <QFile>
#include <QQuickItem>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class SounderTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void noOutputDeviceSkipsTheNote();
    void setsInAnyFolderRoundTripAndPlayDecoded();
    void failedSaveIsShownInThePanel();

private:
    void writeSettings(const QByteArray &content);
    QTemporaryDir *home = nullptr;
};

void SounderTest::init()
{
    home = new QTemporaryDir;
    qputenv("HOME", home->path().toUtf8());
}

void SounderTest::cleanup()
{
    delete home;
}

void SounderTest::writeSettings(const QByteArray &content)
{
    QDir(home->path()).mkdir(".kevaro");
    QFile file(home->path() + "/.kevaro/kevaro.config");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

void SounderTest::noOutputDeviceSkipsTheNote()
{
    if (!qEnvironmentVariableIsSet("KEVARO_TEST_NO_DEVICE"))
        QSKIP("runs as its own ctest case, with the sound server out of reach");
    // Neither a crash nor a wait: each note tries again to get a device, and is skipped.
    sounder element;
    QTRY_VERIFY(kevaro::SoundEngine::outputIsMissing());
    element.dosound("keyg0");
    element.dosound("keyg0");
    QVERIFY(!element.hasEngine());
}

// A folder with the 22 note files of a set: short 16-bit mono WAV files.
static QString noteFolder(const QString &path, const QStringList &noteFiles)
{
    QDir().mkpath(path);
    const QByteArray samples(4800 * 2, '\x10');
    const auto u32 = [](quint32 v) { return QByteArray(reinterpret_cast<const char *>(&v), 4); };
    const QByteArray header = "RIFF" + u32(36 + samples.size()) + "WAVEfmt " + u32(16) +
                              QByteArray("\1\0\1\0", 4) + u32(48000) + u32(96000) +
                              QByteArray("\2\0\x10\0", 4) + "data" + u32(samples.size());
    for (const QString &name : noteFiles) {
        QFile file(path + "/" + name);
        if (file.open(QIODevice::WriteOnly))
            file.write(header + samples);
    }
    return path;
}

// Sets in folders of any name: a German one with a note sign, and one whose path is over
// 1,024 characters long.
void SounderTest::setsInAnyFolderRoundTripAndPlayDecoded()
{
    const Config names;
    const QString first =
        noteFolder(home->filePath("Klänge/Flügel für Jürgen – ♪"), names.noteFiles);
    QString deep = home->filePath("edited");
    while (deep.size() <= 1100)
        deep += "/" + QString(120, QChar(0x00e9)); // 240 bytes, a name's limit is 255
    const QString edited = noteFolder(deep, names.noteFiles);
    writeSettings(("dir_01 = " + first + "\n").toUtf8());
    const auto decodes = [] {
        kevaro::NotePreloader::waitUntilIdle();
        return kevaro::SampleCache::instance().decodeCount();
    };
    const auto decoded = [](const QString &file) {
        const std::string path = QFile::encodeName(file).toStdString();
        for (const auto &note : kevaro::SampleCache::instance().decodedNotes())
            if (note.first == path)
                return true;
        return false;
    };

    auto before = decodes();
    sounder element;
    QCOMPARE(decodes() - before, 22u);
    QVERIFY(decoded(first + "/keyc1.wav"));
    before = decodes();
    element.dosound("keyc1");
    // Saving preloads the selected set again: its files are unchanged, so nothing is decoded.
    element.setconfigpath(2, edited);
    element.saveconfig();
    QCOMPARE(element.saveerror(), QString());
    QCOMPARE(decodes(), before);

    element.setmedia(2);
    QCOMPARE(decodes() - before, 22u);
    QVERIFY(decoded(edited + "/keyh1.wav"));
    before = decodes();
    element.dosound("keyh1");
    QCOMPARE(decodes(), before);
    Config back;
    QVERIFY(back.load());
    QCOMPARE(back.directories[0], first);
    QCOMPARE(back.directories[1], edited);
}

// Runs as its own ctest case as an unprivileged user, since a read-only folder does not stop
// root.
void SounderTest::failedSaveIsShownInThePanel()
{
    PianoView piano;
    QVERIFY(piano.isReady());
    const QString folder = piano.homePath() + "/.kevaro";
    const auto settings = [&] {
        QFile file(folder + "/kevaro.config");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = settings();
    const auto writable = [&](bool yes) {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner |
                                          (yes ? QFile::WriteOwner : QFile::Permissions()));
    };
    writable(false);
    if (access(QFile::encodeName(folder).constData(), W_OK) == 0)
        QSKIP("the folder stays writable (root): runs as its own ctest case as another user");
    const auto text = [&](const char *id) { return piano.byId(id)->property("text").toString(); };
    const auto pressSave = [&] {
        const auto button = qobject_cast<QQuickItem *>(piano.byId("savebutton"));
        QTest::mouseClick(piano.window(), Qt::LeftButton, {},
                          button->mapToScene(QPointF(75, 25)).toPoint());
    };
    piano.byId("configform")->setProperty("visible", true);
    piano.byId("configname1")->setProperty("text", "Neu");
    const auto errorText = qobject_cast<QQuickItem *>(piano.byId("saveerrortext"));
    QVERIFY(!errorText->isVisible());

    pressSave();
    QCOMPARE(text("saveerrortext"),
             "Could not save the sound sets: " + folder + "/kevaro.config (permission denied)");
    QVERIFY(errorText->isVisible());
    QCOMPARE(settings(), before);
    QCOMPARE(text("media1text1"), QString("Test"));
    QCOMPARE(text("configname1"), QString("Neu"));
    QVERIFY(piano.byId("configform")->property("visible").toBool());

    // Writable again: the save goes through, the message goes, the caption follows.
    writable(true);
    pressSave();
    QVERIFY(!errorText->isVisible());
    QCOMPARE(text("media1text1"), QString("Neu"));
    QVERIFY(settings().contains("dirname_01 = Neu\n"));
}

QTEST_MAIN(SounderTest)
#include "tst_sounder.moc"
