#include "config.h"
#include "firststart.h"
#include "pianostartup.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("HOME", scratch.path().toUtf8()); }
    void exitStatusFollowsTheEventLoop();
    void firstStartNamesTheInstalledSets();

private:
    QTemporaryDir scratch;
};

void StartupTest::exitStatusFollowsTheEventLoop()
{
    QFile document(scratch.filePath("quit.qml"));
    QVERIFY(document.open(QIODevice::WriteOnly));
    document.write("import QtQuick\nRectangle { Timer { interval: 20; running: true; "
                   "onTriggered: Qt.quit() } }\n");
    document.close();
    QCOMPARE(runPiano(*qApp, QUrl::fromLocalFile(document.fileName())), 0);

    QTimer::singleShot(20, qApp, [] { QCoreApplication::exit(2); });
    QCOMPARE(runPiano(*qApp, QUrl()), 1);
}

void StartupTest::firstStartNamesTheInstalledSets()
{
    const auto contents = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    };
    const QString settings = Config::settingsFilePath();
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.filePath("nothing").toUtf8());
    qputenv("XDG_DATA_DIRS", (data.filePath("empty") + ":" + data.path()).toUtf8());

    // Nothing installed: the ten empty values.
    Config empty;
    FirstStart::writeSettings(empty);
    QCOMPARE(contents(settings),
             QByteArray("dir_01 = \ndir_02 = \ndir_03 = \ndir_04 = \ndir_05 = \n"
                        "dirname_01 = \ndirname_02 = \ndirname_03 = \n"
                        "dirname_04 = \ndirname_05 = \n"));

    // The listed sets whose folders exist, in order; a file the user has stays as it is.
    const QString sets = data.filePath("kevaro/soundsets");
    QVERIFY(QDir().mkpath(sets + "/grand") && QDir().mkpath(sets + "/organ"));
    QFile listing(sets + "/installed");
    QVERIFY(listing.open(QIODevice::WriteOnly));
    listing.write("kevaro-soundsets 2\nGrand\tgrand\nGone\tgone\nUp\t../grand\nOrgan\torgan\n");
    listing.close();
    Config kept;
    FirstStart::writeSettings(kept);
    QCOMPARE(kept.directories[0], QString());
    QVERIFY(QFile::remove(settings));
    Config named;
    FirstStart::writeSettings(named);
    QCOMPARE(contents(settings), ("dir_01 = " + sets + "/grand\ndir_02 = " + sets +
                                  "/organ\ndir_03 = \ndir_04 = \ndir_05 = \ndirname_01 = Grand\n"
                                  "dirname_02 = Organ\ndirname_03 = \ndirname_04 = \n"
                                  "dirname_05 = \n")
                                     .toUtf8());
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
