#include "sounder.h"
#include "volumebus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

static constexpr int calls = 200;
static QStringList debugLines;
static void collectDebug(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtDebugMsg)
        debugLines << text;
}

// The test's second process: takes the service's name on the bus at `address`, prints the calls
// that reach it and answers none, not even a request to describe itself, like a hung service.
static int silentOwner(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromLocal8Bit(argv[2]), "owner");
    VolumeReceiver receiver;
    receiver.printing = true;
    if (!bus.registerVirtualObject(volumePath, &receiver) || !bus.registerService(volumeService))
        return 1;
    std::printf("owned\n");
    std::fflush(stdout);
    return app.exec();
}

class VolumeTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void callsDoNotWaitForAHungService();
    void withoutBusOneLinePerCall();

private:
    QTemporaryDir home;
};

void VolumeTest::initTestCase()
{
    qputenv("HOME", home.path().toUtf8());
    qInstallMessageHandler(collectDebug);
}

// A slider that waited for an answer would take 25 s a call: the ctest timeout catches it.
void VolumeTest::callsDoNotWaitForAHungService()
{
    if (qEnvironmentVariableIsSet("KEVARO_TEST_NO_BUS"))
        QSKIP("runs without a bus");
    VolumeBus bus;
    QVERIFY2(bus.start(), "the private session bus did not start");
    QProcess owner;
    owner.start(QCoreApplication::applicationFilePath(), {"--silent-owner", bus.address});
    QVERIFY(owner.waitForReadyRead(10000));
    QCOMPARE(owner.readLine(), QByteArray("owned\n"));
    sounder element;
    for (int i = 0; i < calls; ++i)
        element.setVol(42);
    // Only the volume calls reached it: nothing that the element would wait on an answer for.
    QByteArray received;
    QTRY_VERIFY_WITH_TIMEOUT((received += owner.readAllStandardOutput()).count('\n') >= calls,
                             10000);
    QCOMPARE(received, QByteArray("SetVolume uu 42 3\n").repeated(calls));
    QCOMPARE(debugLines, QStringList{});
    owner.kill();
    owner.waitForFinished();
}

// Run as ctest cases of their own, without a session bus and with an unreachable one: no
// D-Bus autolaunch, no wait, no crash; one line per call.
void VolumeTest::withoutBusOneLinePerCall()
{
    if (!qEnvironmentVariableIsSet("KEVARO_TEST_NO_BUS"))
        QSKIP("runs as its own ctest case");
    sounder element;
    for (int i = 0; i < calls; ++i)
        element.setVol(i % 101);
    QCOMPARE(debugLines, QStringList(calls, "QDBusConnection::sessionBus() failed."));
}

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--silent-owner") == 0)
        return silentOwner(argc, argv);
    QGuiApplication app(argc, argv);
    VolumeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_volume.moc"
