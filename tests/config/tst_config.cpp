#include "config.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList values(const Config &c)
{
    QStringList v;
    for (int i = 0; i < Config::setCount; ++i)
        v << c.directories[i];
    for (int i = 0; i < Config::setCount; ++i)
        v << c.names[i];
    return v;
}

void setValues(Config &c, const QStringList &v)
{
    for (int i = 0; i < Config::setCount; ++i) {
        c.directories[i] = v[i];
        c.names[i] = v[i + Config::setCount];
    }
}

const QStringList preset = {"d1", "d2", "d3", "d4", "d5", "n1", "n2", "n3", "n4", "n5"};

} // namespace

class TestConfig : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void firstSaveWritesTheFileAsUsersDo();
    void handEditedForms_data();
    void handEditedForms();
    void lineBreaksNeverReachTheFile();
    void failedAndKilledSavesKeepTheEarlierFile();

private:
    std::unique_ptr<QTemporaryDir> home;
};

void TestConfig::init()
{
    home = std::make_unique<QTemporaryDir>();
    qputenv("HOME", QFile::encodeName(home->path()));
}

// The same form install-soundsets.sh writes and users edit, in a folder made on first start.
void TestConfig::firstSaveWritesTheFileAsUsersDo()
{
    Config c;
    QVERIFY(!c.load());
    c.directories[0] = "/media/card/sounds/grand";
    c.names[0] = "  Grand ";
    c.names[1] = "Orgel für Kirche";
    QVERIFY(c.save());
    QCOMPARE(readAll(home->path() + "/.kevaro/kevaro.config"),
             QByteArray("dir_01 = /media/card/sounds/grand\n"
                        "dir_02 = \ndir_03 = \ndir_04 = \ndir_05 = \n"
                        "dirname_01 =   Grand \n"
                        "dirname_02 = Orgel f\xc3\xbcr Kirche\n"
                        "dirname_03 = \ndirname_04 = \ndirname_05 = \n"));
    Config back;
    QVERIFY(back.load());
    QCOMPARE(back.names[0], QString("Grand"));
    QCOMPARE(back.names[1], c.names[1]);
}

void TestConfig::handEditedForms_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");
    auto with = [](const QList<QPair<int, QString>> &changes) {
        QStringList v = preset;
        for (const auto &change : changes)
            v[change.first] = change.second;
        return v;
    };
    QTest::newRow("no blanks") << QByteArray("dir_01=/a/b\n") << with({{0, "/a/b"}});
    QTest::newRow("blanks and tabs")
        << QByteArray(" \t dir_01 \t=\t /a/b \t\n") << with({{0, "/a/b"}});
    QTest::newRow("value holds =") << QByteArray("dirname_01 = a = b\n") << with({{5, "a = b"}});
    QTest::newRow("lines without =") << QByteArray("dir_01 /a\n\njust text\n") << preset;
    QTest::newRow("CRLF") << QByteArray("dir_01 = /a\r\ndirname_01 = A\r\n")
                          << with({{0, "/a"}, {5, "A"}});
    QTest::newRow("last line without LF")
        << QByteArray("dir_01 = /a\ndir_05 = /e") << with({{0, "/a"}, {4, "/e"}});
    const QByteArray fill(5000, 'x');
    QTest::newRow("line of 5000 characters sets its own key only")
        << "dirname_01 = " + fill + "dir_02 = /tail\n"
        << with({{5, fill + "dir_02 = /tail"}});
}

void TestConfig::handEditedForms()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    QVERIFY(QDir().mkdir(Config::settingsDirPath()));
    QFile f(Config::settingsFilePath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    Config c;
    setValues(c, preset);
    QVERIFY(c.load());
    QCOMPARE(values(c), expected);
}

// A name or folder typed with a line break must not start a line (a key) of its own.
void TestConfig::lineBreaksNeverReachTheFile()
{
    Config c;
    c.names[0] = "dos\r\nline";
    c.names[1] = QString("a\nb\rc\vd\fe") + QChar(0x85) + "f" + QChar(0x2028) + "g" + QChar(0x2029);
    c.directories[2] = "/x\ndir_01 = /evil";
    QVERIFY(c.save());
    QCOMPARE(readAll(Config::settingsFilePath()).count('\n'), 10);
    Config back;
    QVERIFY(back.load());
    QCOMPARE(back.names[0], QString("dos line"));
    QCOMPARE(back.names[1], QString("a b c d e f g"));
    QCOMPARE(back.directories[2], QString("/x dir_01 = /evil"));
    QCOMPARE(back.directories[0], QString(""));
}

void TestConfig::failedAndKilledSavesKeepTheEarlierFile()
{
    // A file where the settings folder belongs: the save fails, says why, and leaves it.
    {
        QFile blocker(Config::settingsDirPath());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.write("not a directory");
    }
    Config c;
    QString reason;
    QVERIFY(!c.save(&reason));
    QCOMPARE(reason, QString("a file named .kevaro is in the way"));
    QCOMPARE(readAll(Config::settingsDirPath()), QByteArray("not a directory"));
    QVERIFY(QFile::remove(Config::settingsDirPath()));

    const QString file = Config::settingsFilePath();
    const QStringList shorter(10, "short"), longer(10, QString(3000, QChar(0x00fc)));
    setValues(c, shorter);
    QVERIFY(c.save());
    const QByteArray shortForm = readAll(file);
    setValues(c, longer);
    QVERIFY(c.save());
    const QByteArray longForm = readAll(file);

    // A file size limit below the new content makes the write fail part-way.
    const pid_t limited = fork();
    if (limited == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {16, 16};
        setValues(c, shorter);
        _exit(setrlimit(RLIMIT_FSIZE, &limit) != 0 ? 3 : c.save() ? 1 : 0);
    }
    int status = -1;
    waitpid(limited, &status, 0);
    QCOMPARE(status, 0);
    QCOMPARE(readAll(file), longForm);

    // Saves killed by SIGKILL at random points while a child saves the two forms in turn.
    std::mt19937 random(11);
    int halfWritten = 0;
    for (int kill = 0; kill < 1000; ++kill) {
        const pid_t pid = fork();
        if (pid == 0)
            for (int n = 0;; ++n) {
                setValues(c, n % 2 ? shorter : longer);
                c.save();
            }
        usleep(std::uniform_int_distribution<useconds_t>(0, 4000)(random));
        ::kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        const QByteArray now = readAll(file);
        halfWritten += now != shortForm && now != longForm;
    }
    QCOMPARE(halfWritten, 0);
}

QTEST_GUILESS_MAIN(TestConfig)
#include "tst_config.moc"
