#include "sounder.h"
#include "volumebus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

static const QString noBusLine = QStringLiteral("QDBusConnection::sessionBus() failed.");
static constexpr int timedCalls = 200;

static QStringList debugLines;
static QtMessageHandler usualHandler = nullptr;
static void collectDebug(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtDebugMsg)
        debugLines << text;
    else
        usualHandler(type, context, text);
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
    void init();
    void cleanupTestCase();
    void callCarriesTwoUint32();
    void callsDoNotWaitForTheService();
    void withoutBusOneLinePerCall();

private:
    void startBus();
    static double medianMicroseconds(sounder &element, int val);

    QTemporaryDir home;
    VolumeBus bus;
    QProcess owner;
};

void VolumeTest::initTestCase()
{
    // The element reads (and may write) its settings file under HOME.
    qputenv("HOME", home.path().toUtf8());
    usualHandler = qInstallMessageHandler(collectDebug);
}

void VolumeTest::init()
{
    debugLines.clear();
}

void VolumeTest::cleanupTestCase()
{
    qInstallMessageHandler(nullptr);
    owner.kill();
    owner.waitForFinished();
}

// A private session bus, made the one the element uses before anything asks for it. It looks
// for service files under the test's HOME, so no installed volume service starts behind the
// test's back.
void VolumeTest::startBus()
{
    if (bus.isRunning())
        return;
    QVERIFY2(bus.start(), "the private session bus did not start");
    QVERIFY(QDBusConnection::sessionBus().isConnected());
}

double VolumeTest::medianMicroseconds(sounder &element, int val)
{
    QList<qint64> times;
    QElapsedTimer timer;
    for (int i = 0; i < timedCalls; ++i) {
        timer.start();
        element.setVol(val);
        times << timer.nsecsElapsed();
    }
    std::sort(times.begin(), times.end());
    return times.at(timedCalls / 2) / 1000.0;
}

void VolumeTest::callCarriesTwoUint32()
{
    startBus();
    QDBusConnection service = bus.service();
    QVERIFY(service.registerService(volumeService));

    sounder element;
    element.setVolume(37);
    QSignalSpy volumeChanged(&element, &sounder::volumeChanged);
    element.setVol(0);
    element.setVol(100);
    element.setVol(-1);
    QTRY_COMPARE(bus.receiver.calls.size(), 3);
    QVERIFY(service.unregisterService(volumeService));
    QStringList described;
    for (const QDBusMessage &call : std::as_const(bus.receiver.calls)) {
        QCOMPARE(call.type(), QDBusMessage::MethodCallMessage);
        QCOMPARE(call.path(), volumePath);
        QCOMPARE(call.interface(), QString("com.tiitoo.SystemInfo.Volume"));
        described << describeCall(call);
    }
    QCOMPARE(described,
             (QStringList{"SetVolume uu 0 3", "SetVolume uu 100 3", "SetVolume uu 4294967295 3"}));
    QCOMPARE(element.volume(), 37);
    QCOMPARE(volumeChanged.count(), 0);
    QCOMPARE(debugLines, QStringList{});
}

// The element never waits for the service: not when nobody holds its name, not when it
// answers, and not when it holds the name and answers nothing. The times are printed only.
void VolumeTest::callsDoNotWaitForTheService()
{
    startBus();
    QDBusConnection service = bus.service();
    bus.receiver.calls.clear();
    sounder element;

    const double absent = medianMicroseconds(element, 10);
    // A round trip behind the calls: the bus has dealt with them all before the name is taken.
    QCOMPARE(QDBusConnection::sessionBus().interface()->isServiceRegistered(volumeService).value(),
             false);

    QVERIFY(service.registerService(volumeService));
    bus.receiver.answering = true;
    const double answering = medianMicroseconds(element, 20);
    QTRY_COMPARE(bus.receiver.calls.size(), timedCalls);
    bus.receiver.answering = false;
    QVERIFY(service.unregisterService(volumeService));

    owner.start(QCoreApplication::applicationFilePath(),
                {"--silent-owner", qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS")});
    QVERIFY(owner.waitForReadyRead(10000));
    QCOMPARE(owner.readLine(), QByteArray("owned\n"));
    QCOMPARE(QDBusConnection::sessionBus().interface()->servicePid(volumeService).value(),
             uint(owner.processId()));
    const double silent = medianMicroseconds(element, 42);

    // Only the volume calls reached it: nothing that the element would wait on an answer for.
    QByteArray received;
    auto receivedLines = [&] {
        received += owner.readAllStandardOutput();
        return received.count('\n');
    };
    QTRY_COMPARE_WITH_TIMEOUT(receivedLines(), timedCalls, 10000);
    QCOMPARE(received, QByteArray("SetVolume uu 42 3\n").repeated(timedCalls));
    QCOMPARE(bus.receiver.calls.size(), timedCalls);
    QCOMPARE(debugLines, QStringList{});

    qInfo("setVol on the GUI thread, median of %d calls: service absent %.1f us, "
          "answering %.1f us, holding the name without answering %.1f us",
          timedCalls, absent, answering, silent);
}

// Also run in processes of their own, without a session bus and with an unreachable one.
void VolumeTest::withoutBusOneLinePerCall()
{
    // After the cases above this process has a bus; take it away.
    if (bus.isRunning()) {
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        QVERIFY(QDir(home.path()).mkdir("runtime"));
        qputenv("XDG_RUNTIME_DIR", (home.path() + "/runtime").toUtf8());
    }
    sounder element;
    element.setVolume(37);
    QSignalSpy volumeChanged(&element, &sounder::volumeChanged);
    QStringList expected;
    for (int val : {0, 100, -1}) {
        element.setVol(val);
        expected << noBusLine;
        QCOMPARE(debugLines, expected);
    }
    QCOMPARE(element.volume(), 37);
    QCOMPARE(volumeChanged.count(), 0);

    debugLines.clear();
    const double median = medianMicroseconds(element, 50);
    QCOMPARE(debugLines, QStringList(timedCalls, noBusLine));
    qInfo("setVol on the GUI thread, median of %d calls: %s %.1f us", timedCalls,
          qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ? "no session bus"
                                                                  : "unreachable session bus",
          median);
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
