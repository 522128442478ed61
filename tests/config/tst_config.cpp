#include "config.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>
#include <grp.h>
#include <memory>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Permissions do not bind root, so as root the permission cases run as "nobody".
constexpr uid_t nobody = 65534;

struct ChildRun
{
    int status = -1; // as waitpid() reports it
    QByteArray out;
};

// Runs body in a forked child with its standard output captured; body's result is the
// child's exit code. With unprivileged set, a child of root first drops to nobody.
ChildRun runInChild(const std::function<int()> &body, bool unprivileged = false)
{
    ChildRun run;
    int fds[2];
    if (pipe(fds) != 0)
        return run;
    fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], STDOUT_FILENO);
        if (unprivileged && geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0))
            _exit(120);
        const int code = body();
        fflush(stdout);
        _exit(code);
    }
    close(fds[1]);
    char buf[512];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        run.out.append(buf, n);
    close(fds[0]);
    waitpid(pid, &run.status, 0);
    return run;
}

void handToNobody(const QString &path)
{
    if (geteuid() == 0)
        QVERIFY(chown(QFile::encodeName(path).constData(), nobody, nobody) == 0);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(content), content.size());
}

QStringList values(const Config &c)
{
    QStringList v;
    for (const QString &d : c.directories)
        v << d;
    for (const QString &n : c.names)
        v << n;
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

QByteArray failureMessage()
{
    return "Kann Configdatei nicht speichern " + Config::settingsFilePath().toUtf8() + "\n";
}

} // namespace

class TestConfig : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void writtenForm();
    void acceptedForms_data();
    void acceptedForms();
    void firstStart();
    void failures();
    void lineBreaksInValues();
    void interruptedSave();

private:
    std::unique_ptr<QTemporaryDir> home;
};

void TestConfig::init()
{
    home = std::make_unique<QTemporaryDir>();
    QVERIFY(home->isValid());
    qputenv("HOME", QFile::encodeName(home->path()));
}

void TestConfig::writtenForm()
{
    Config c;
    c.directories[0] = "/media/card/sounds/grand";
    c.directories[1] = "/media/card/sounds/organ";
    c.names[0] = "  Grand ";
    c.names[1] = "Orgel für Kirche";
    QVERIFY(c.save());
    QCOMPARE(readAll(home->path() + "/.kevaro/kevaro.config"),
             QByteArray("dir_01 = /media/card/sounds/grand\n"
                        "dir_02 = /media/card/sounds/organ\n"
                        "dir_03 = \ndir_04 = \ndir_05 = \n"
                        "dirname_01 =   Grand \n"
                        "dirname_02 = Orgel f\xc3\xbcr Kirche\n"
                        "dirname_03 = \ndirname_04 = \ndirname_05 = \n"));

    Config back;
    QVERIFY(back.load());
    QCOMPARE(back.names[0], QString("Grand"));
    QCOMPARE(back.names[1], c.names[1]);
}

void TestConfig::acceptedForms_data()
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
    QTest::newRow("empty value replaces") << QByteArray("dir_02 =\n") << with({{1, ""}});
    QTest::newRow("only dirname_03") << QByteArray("dirname_03 = Harfe\n") << with({{7, "Harfe"}});
    QTest::newRow("later duplicate wins")
        << QByteArray("dir_04 = /first\ndir_04 = /second\n") << with({{3, "/second"}});
    QTest::newRow("empty file") << QByteArray() << preset;
    QTest::newRow("lines without =") << QByteArray("dir_01 /a\n\njust text\n") << preset;
    QTest::newRow("CRLF") << QByteArray("dir_01 = /a\r\ndirname_01 = A\r\n")
                          << with({{0, "/a"}, {5, "A"}});
    QTest::newRow("last line without LF")
        << QByteArray("dir_01 = /a\ndir_05 = /e") << with({{0, "/a"}, {4, "/e"}});
    QTest::newRow("other keys ignored")
        << QByteArray("DIR_01 = /x\ndir_1 = /y\nDirname_01 = Z\n = empty key\n") << preset;
    const QByteArray fill(5000, 'x');
    QTest::newRow("line of 5000 characters sets its own key only")
        << "dirname_01 = " + fill + "dir_02 = /tail\n"
        << with({{5, fill + "dir_02 = /tail"}});
}

void TestConfig::acceptedForms()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    QVERIFY(QDir().mkdir(Config::settingsDirPath()));
    writeFile(Config::settingsFilePath(), content);

    Config c;
    setValues(c, preset);
    QVERIFY(c.load());
    QCOMPARE(values(c), expected);
}

void TestConfig::firstStart()
{
    Config c;
    QVERIFY(!c.load());
    QCOMPARE(values(c), QStringList(10, QString()));
    QVERIFY(c.save());
    QVERIFY(QFileInfo(home->path() + "/.kevaro").isDir());
    QCOMPARE(readAll(Config::settingsFilePath()),
             QByteArray("dir_01 = \ndir_02 = \ndir_03 = \ndir_04 = \ndir_05 = \n"
                        "dirname_01 = \ndirname_02 = \ndirname_03 = \ndirname_04 = \n"
                        "dirname_05 = \n"));
}

void TestConfig::failures()
{
    const QString file = Config::settingsFilePath();
    const QByteArray fileName = QFile::encodeName(file);

    // A regular file where the settings directory belongs.
    writeFile(Config::settingsDirPath(), "not a directory");
    ChildRun run = runInChild([] {
        Config c;
        QString reason;
        return c.save(&reason) ? 1 : reason == "a file named .kevaro is in the way" ? 0 : 4;
    });
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, failureMessage());
    QCOMPARE(readAll(Config::settingsDirPath()), QByteArray("not a directory"));

    // A write-protected settings file is left as it was, and still loads.
    QVERIFY(QFile::remove(Config::settingsDirPath()));
    Config old;
    setValues(old, preset);
    QVERIFY(old.save());
    const QByteArray before = readAll(file);
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    handToNobody(home->path());
    handToNobody(Config::settingsDirPath());
    handToNobody(file);
    run = runInChild(
        [&] {
            if (access(fileName.constData(), W_OK) == 0)
                return 3; // the file would be writable: the case proves nothing
            Config c;
            setValues(c, QStringList(10, "new"));
            QString reason;
            if (c.save(&reason))
                return 1;
            if (reason != "permission denied")
                return 4;
            Config back;
            return back.load() && values(back) == preset ? 0 : 2;
        },
        true);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, failureMessage());
    QCOMPARE(readAll(file), before);

    // An unreadable settings file does not load and changes nothing.
    QVERIFY(QFile::setPermissions(file, {}));
    run = runInChild(
        [&] {
            if (access(fileName.constData(), R_OK) == 0)
                return 3;
            Config c;
            setValues(c, QStringList(10, "kept"));
            return !c.load() && values(c) == QStringList(10, "kept") ? 0 : 1;
        },
        true);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray());
}

void TestConfig::lineBreaksInValues()
{
    Config c;
    c.names[0] = "two\nlines";
    c.names[1] = "dos\r\nline";
    c.names[2] = QString("a\rb\vc\fd") + QChar(0x85) + "e" + QChar(0x2028) + "f" + QChar(0x2029);
    c.directories[2] = "/x\ndir_01 = /evil";
    const QStringList held = values(c);
    QVERIFY(c.save());
    QCOMPARE(values(c), held);
    QCOMPARE(readAll(Config::settingsFilePath()).count('\n'), 10);

    Config back;
    QVERIFY(back.load());
    QCOMPARE(back.names[0], QString("two lines"));
    QCOMPARE(back.names[1], QString("dos line"));
    QCOMPARE(back.names[2], QString("a b c d e f"));
    QCOMPARE(back.directories[2], QString("/x dir_01 = /evil"));
    QCOMPARE(back.directories[0], QString(""));
}

void TestConfig::interruptedSave()
{
    const QString file = Config::settingsFilePath();
    Config c;
    const auto savedForm = [&](const QStringList &values) {
        setValues(c, values);
        return c.save() ? readAll(file) : QByteArray();
    };
    const QStringList shorter(10, "short"), longer(10, QString(3000, QChar(0x00fc)));
    const QByteArray shortForm = savedForm(shorter), longForm = savedForm(longer);
    QVERIFY(!shortForm.isEmpty() && !longForm.isEmpty());

    // A file size limit below the new content makes a write fail part-way: reported, and the
    // earlier file stays whole.
    ChildRun run = runInChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {16, 16};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 3;
        setValues(c, shorter);
        return c.save() ? 1 : 0;
    });
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, failureMessage());
    QCOMPARE(readAll(file), longForm);

    // Saves killed at random points, each by SIGKILL while a child saves the two forms in
    // turn, as fast as it can.
    std::mt19937 random(11);
    int whole = 0, halfWritten = 0;
    for (int kill = 0; kill < 1000; ++kill) {
        const pid_t pid = fork();
        if (pid == 0) {
            for (int n = 0;; ++n) {
                setValues(c, n % 2 ? shorter : longer);
                c.save();
            }
        }
        usleep(std::uniform_int_distribution<useconds_t>(0, 4000)(random));
        ::kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        const QByteArray now = readAll(file);
        (now == shortForm || now == longForm ? whole : halfWritten) += 1;
    }
    const int leftovers = QDir(Config::settingsDirPath()).entryList(QDir::Files).size() - 1;
    qInfo("1000 saves killed by SIGKILL: %d left a whole file, %d a half-written one; %d "
          "temporary files left beside it",
          whole, halfWritten, leftovers);
    QCOMPARE(halfWritten, 0);
}

QTEST_GUILESS_MAIN(TestConfig)
#include "tst_config.moc"
