#include "config.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
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

QTEST_GUILESS_MAIN(TestConfig)
#include "tst_config.moc"
