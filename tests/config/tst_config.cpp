#include "config.h"
#include "preferences.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray settingsFile()
{
    QFile f(Config::settingsFilePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList values(const Config &c)
{
    return QStringList(std::begin(c.directories), std::end(c.directories)) +
           QStringList(std::begin(c.names), std::end(c.names));
}

} // namespace

class TestConfig : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        home = std::make_unique<QTemporaryDir>();
        qputenv("HOME", QFile::encodeName(home->path()));
    }
    void savedFormHoldsOneLineAKey();
    void handEditedFormReadsWholeLines();
    void failedAndKilledSavesKeepTheEarlierFile();
    void preferencesRoundTripBesideTheSettings();
    void brokenPreferencesAreIgnoredWithOneLine_data();
    void brokenPreferencesAreIgnoredWithOneLine();

private:
    std::unique_ptr<QTemporaryDir> home;
};

// The form install-soundsets.sh writes and users edit, in a folder made on first start. A line
// break typed into a name or folder must not start a line (a key) of its own.
void TestConfig::savedFormHoldsOneLineAKey()
{
    Config c;
    QVERIFY(!c.load());
    c.directories[0] = "/media/card/Klänge";
    c.directories[2] = "/x\ndir_01 = /evil";
    c.names[0] = "  dos\r\nline ";
    c.names[1] = QString("a\nb\rc\vd\fe") + QChar(0x85) + "f" + QChar(0x2028) + "g" + QChar(0x2029);
    QVERIFY(c.save());
    QCOMPARE(
        settingsFile(),
        QByteArray("dir_01 = /media/card/Kl\xc3\xa4nge\ndir_02 = \ndir_03 = /x dir_01 = /evil\n"
                   "dir_04 = \ndir_05 = \ndirname_01 =   dos line \n"
                   "dirname_02 = a b c d e f g \ndirname_03 = \ndirname_04 = \ndirname_05 = \n"));
    Config back;
    QVERIFY(back.load());
    QCOMPARE(values(back), QStringList({"/media/card/Klänge", "", "/x dir_01 = /evil", "", "",
                                        "dos line", "a b c d e f g", "", "", ""}));
}

// Blanks and tabs anywhere, "=" in a value, lines without "=", CRLF, a last line without LF, and
// a line of 5000 characters, which sets its own key only.
void TestConfig::handEditedFormReadsWholeLines()
{
    QVERIFY(QDir().mkdir(Config::settingsDirPath()));
    QFile f(Config::settingsFilePath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    const QByteArray fill(5000, 'x');
    f.write("dir_01=/a\n \t dir_02 \t=\t /b \t\ndirname_01 = a = b\ndir_03 /c\n\njust text\n"
            "dir_04 = /d\r\ndirname_02 = B\r\ndirname_03 = " +
            fill + "dir_05 = /tail\ndirname_04 = /e");
    f.close();
    Config c;
    QVERIFY(c.load());
    QCOMPARE(values(c), QStringList({"/a", "/b", "", "/d", "", "a = b", "B",
                                     fill + "dir_05 = /tail", "/e", ""}));
}

void TestConfig::failedAndKilledSavesKeepTheEarlierFile()
{
    // A file where the settings folder belongs: the save fails, says why, and leaves it.
    QVERIFY(QFile(Config::settingsDirPath()).open(QIODevice::WriteOnly));
    Config c;
    QString reason;
    QVERIFY(!c.save(&reason));
    QCOMPARE(reason, QString("a file named .kevaro is in the way"));
    QVERIFY(QFile::remove(Config::settingsDirPath()));

    const auto saveShortOrLong = [&c](int n) {
        c.names[0] = n % 2 ? QString("short") : QString(30000, QChar(0x00fc));
        return c.save();
    };
    QVERIFY(saveShortOrLong(1));
    const QByteArray shortForm = settingsFile();
    QVERIFY(saveShortOrLong(0));
    const QByteArray longForm = settingsFile();

    // A file size limit below the new content makes the write fail part-way.
    const pid_t limited = fork();
    if (limited == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {16, 16};
        _exit(setrlimit(RLIMIT_FSIZE, &limit) != 0 ? 3 : saveShortOrLong(1) ? 1 : 0);
    }
    int status = -1;
    waitpid(limited, &status, 0);
    QCOMPARE(status, 0);
    QCOMPARE(settingsFile(), longForm);

    // Saves killed by SIGKILL at points spread over a few saves, while a child saves the two
    // forms in turn, back to back. The kill waits for the child's first whole save (a byte on a
    // pipe), so that it lands inside a later one rather than before the child writes at all.
    int halfWritten = 0;
    for (int kill = 0; kill < 1000; ++kill) {
        int saved[2];
        QVERIFY(pipe(saved) == 0);
        const pid_t pid = fork();
        if (pid == 0) {
            close(saved[0]);
            for (int n = 0;; ++n)
                if (saveShortOrLong(n))
                    (void)!write(saved[1], "", 1);
        }
        close(saved[1]);
        char byte;
        const bool savedOnce = read(saved[0], &byte, 1) == 1;
        usleep(useconds_t(kill * 37 % 1500));
        ::kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        close(saved[0]);
        QVERIFY(savedOnce);
        halfWritten += !QList<QByteArray>{shortForm, longForm}.contains(settingsFile());
    }
    QCOMPARE(halfWritten, 0);
}

// What fn writes on standard error, where the preferences report a broken file.
static QByteArray standardErrorOf(const std::function<void()> &fn)
{
    QTemporaryFile capture;
    if (!capture.open())
        return "<no capture>";
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(capture.handle(), STDERR_FILENO);
    fn();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    capture.seek(0);
    return capture.readAll();
}

static QByteArray preferencesFile()
{
    QFile f(Preferences::filePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Defaults without a file; changes, the last one made just before the object goes, are in the
// file afterwards and read back, in ~/.config or XDG_CONFIG_HOME. The sound sets' settings
// file is neither made nor changed.
void TestConfig::preferencesRoundTripBesideTheSettings()
{
    qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(Preferences::filePath(), home->path() + "/.config/kevaro/kevaro.conf");
    {
        Preferences fresh;
        QVERIFY(!fresh.dynamics() && !fresh.stopOnRelease() && fresh.midiAutoconnect());
    }
    QVERIFY(!QFile::exists(Preferences::filePath()));
    QVERIFY(!QFile::exists(Config::settingsDirPath()));

    const QByteArray settings = "dir_01 = /a\ndirname_01 = A\n";
    QVERIFY(QDir().mkdir(Config::settingsDirPath()));
    QFile f(Config::settingsFilePath());
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(settings) == settings.size());
    f.close();
    for (const char *configHome : {"", "/elsewhere"}) {
        if (*configHome)
            qputenv("XDG_CONFIG_HOME", QFile::encodeName(home->path() + configHome));
        {
            Preferences changed;
            for (int n = 0; n < 50; ++n) {
                changed.setDynamics(n % 2 == 0);
                changed.setStopOnRelease(n % 3 == 0);
            }
        }
        QVERIFY(Preferences::filePath().startsWith(home->path() + configHome + "/"));
        QCOMPARE(preferencesFile(), QByteArray("[midi]\nautoconnect=true\n\n"
                                               "[touch]\ndynamics=false\nstopOnRelease=false\n"));
        QFile::remove(Preferences::filePath());
        {
            Preferences changed;
            changed.setStopOnRelease(true);
        }
        const Preferences back;
        QVERIFY(!back.dynamics() && back.stopOnRelease() && back.midiAutoconnect());
    }
    QCOMPARE(settingsFile(), settings);
}

void TestConfig::brokenPreferencesAreIgnoredWithOneLine_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("problem");
    QTest::newRow("no switch") << QByteArray("[touch]\ndynamics = maybe\n")
                               << QByteArray("dynamics in [touch] is \"maybe\", which is neither "
                                             "true nor false");
    QTest::newRow("list") << QByteArray("[touch]\nstopOnRelease=true, false\n[midi]\n")
                          << QByteArray("stopOnRelease in [touch] is \"true, false\"");
    QTest::newRow("unreadable form")
        << QByteArray("[touch\ndynamics=true\n") << QByteArray("it is not in the form");
    QTest::newRow("a folder in its place") << QByteArray() << QByteArray("it cannot be read");
}

// A broken file gives the defaults and one line that names the file and what is wrong; the
// next change makes it whole. Switches written by hand in other words read as meant.
void TestConfig::brokenPreferencesAreIgnoredWithOneLine()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, problem);
    qunsetenv("XDG_CONFIG_HOME");
    QVERIFY(QDir().mkpath(QFileInfo(Preferences::filePath()).path()));
    const auto writeFile = [](const QByteArray &text) {
        QFile f(Preferences::filePath());
        return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
    };
    QVERIFY(content.isEmpty() ? QDir().mkdir(Preferences::filePath()) : writeFile(content));
    const QByteArray said = standardErrorOf([] {
        Preferences broken;
        QVERIFY(!broken.dynamics() && !broken.stopOnRelease() && broken.midiAutoconnect());
        broken.setDynamics(true);
    });
    const QByteArray path = QFile::encodeName(Preferences::filePath());
    const QList<QByteArray> lines = said.split('\n');
    QVERIFY2(lines[0].startsWith("kevaro: ignoring the preferences in " + path + ": " + problem) &&
                 lines[0].endsWith("; using the defaults"),
             said.constData());
    // A folder in the way cannot be written either, and the change says so.
    if (content.isEmpty()) {
        QCOMPARE(lines.mid(1),
                 (QList<QByteArray>{"kevaro: could not save the preferences in " + path, ""}));
        return;
    }
    QCOMPARE(lines.size(), 2);

    QVERIFY(writeFile(preferencesFile().replace("true", " Yes ").replace("false", "0")));
    const QByteArray mended = preferencesFile();
    QVERIFY2(standardErrorOf([] {
                 const Preferences back;
                 QVERIFY(back.dynamics() && !back.stopOnRelease() && back.midiAutoconnect());
             }).isEmpty(),
             mended.constData());
}

QTEST_GUILESS_MAIN(TestConfig)
#include "tst_config.moc"
