#include "config.h"
#include "firststart.h"
#include "pianostartup.h"
#include "qmlapplicationviewer.h"
#include "qmlapplicationviewerprivate.h"

#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exitStatusFollowsTheEventLoop();
    void adjustPathOnlyForExistingOptBinInstalls();
    void orientationLocksAccumulate();
    void collectionCarriesTheDocumentAndItsPictures();
    void firstStartNamesTheInstalledSets();

private:
    QString adjustedBy(const QString &executableDir, const QString &path);
    QTemporaryDir scratch;
    QUrl plainDocument;
};

void StartupTest::initTestCase()
{
    qputenv("HOME", scratch.path().toUtf8());
    QFile document(scratch.filePath("plain.qml"));
    QVERIFY(document.open(QIODevice::WriteOnly));
    document.write("import QtQuick\nRectangle { width: 10; height: 10 }\n");
    plainDocument = QUrl::fromLocalFile(document.fileName());
}

void StartupTest::exitStatusFollowsTheEventLoop()
{
    QFile quitting(scratch.filePath("quit.qml"));
    QVERIFY(quitting.open(QIODevice::WriteOnly));
    quitting.write("import QtQuick\nRectangle { Timer { interval: 20; running: true; "
                   "onTriggered: Qt.quit() } }\n");
    quitting.close();
    QCOMPARE(runPiano(*qApp, QUrl::fromLocalFile(quitting.fileName())), 0);

    QTimer::singleShot(20, qApp, [] { QCoreApplication::exit(2); });
    QCOMPARE(runPiano(*qApp, plainDocument), 1);
}

// Runs a copy of this test program from executableDir, which answers with adjustPath(path).
QString StartupTest::adjustedBy(const QString &executableDir, const QString &path)
{
    QDir().mkpath(executableDir);
    const QString copy = executableDir + "/tst_startup";
    QFile::remove(copy);
    if (!QFile::copy(QCoreApplication::applicationFilePath(), copy))
        return "copy failed";
    QProcess child;
    child.start(copy, {"--adjust-path", path});
    child.waitForFinished();
    return QString::fromUtf8(child.readAllStandardOutput()).trimmed();
}

void StartupTest::adjustPathOnlyForExistingOptBinInstalls()
{
    const QString root = scratch.path();
    QDir().mkpath(root + "/opt/app/qml");
    QFile(root + "/opt/app/qml/main.qml").open(QIODevice::WriteOnly);
    QCOMPARE(adjustedBy(root + "/opt/app/bin", "qml/main.qml"),
             root + "/opt/app/bin/../qml/main.qml");
    QCOMPARE(adjustedBy(root + "/opt/app/bin", "qml/missing.qml"), QString("qml/missing.qml"));

    QDir().mkpath(root + "/OPT/app/qml");
    QFile(root + "/OPT/app/qml/main.qml").open(QIODevice::WriteOnly);
    QCOMPARE(adjustedBy(root + "/OPT/app/BIN", "qml/main.qml"), QString("qml/main.qml"));

    // "opt" may come from the path itself.
    QDir().mkpath(root + "/home/user/opt");
    QFile(root + "/home/user/opt/main.qml").open(QIODevice::WriteOnly);
    QCOMPARE(adjustedBy(root + "/home/user/bin", "opt/main.qml"),
             root + "/home/user/bin/../opt/main.qml");
}

void StartupTest::orientationLocksAccumulate()
{
    QmlApplicationViewer automatic;
    automatic.setOrientation(QmlApplicationViewer::OrientationAuto);
    automatic.setOrientation(static_cast<QmlApplicationViewer::ScreenOrientation>(7));
    QCOMPARE(automatic.orientationLocks(), QSet<int>{130});

    QmlApplicationViewer locked;
    locked.setOrientation(QmlApplicationViewer::OrientationLockPortrait);
    locked.setOrientation(QmlApplicationViewer::OrientationLockLandscape);
    QCOMPARE(locked.orientationLocks(), (QSet<int>{128, 129}));
}

void StartupTest::collectionCarriesTheDocumentAndItsPictures()
{
    QFile compiled(":/qml/qml/kevaro/main.qml");
    QFile source(KEVARO_SOURCE_DIR "/qml/qml/kevaro/main.qml");
    QVERIFY(compiled.open(QIODevice::ReadOnly) && source.open(QIODevice::ReadOnly));
    const QByteArray document = compiled.readAll();
    QCOMPARE(document, source.readAll());

    const QRegularExpression reference(R"re("(\.\./\.\./images/[^"]+)")re");
    int references = 0;
    for (const QRegularExpressionMatch &match : reference.globalMatch(document)) {
        const QUrl resolved = QUrl("qrc:/qml/qml/kevaro/main.qml").resolved(match.captured(1));
        QVERIFY2(QFile::exists(":" + resolved.path()), qPrintable(resolved.toString()));
        ++references;
    }
    QVERIFY(references >= 1);
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

int main(int argc, char **argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--adjust-path") {
        QCoreApplication app(argc, argv);
        printf("%s\n", qPrintable(QmlApplicationViewerPrivate::adjustPath(argv[2])));
        return 0;
    }
    QGuiApplication app(argc, argv);
    StartupTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup.moc"
