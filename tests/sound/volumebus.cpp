#include "volumebus.h"

#include <QProcessEnvironment>

#include <cstdio>

const QString volumeService = QStringLiteral("com.tiitoo.SystemInfo");
const QString volumePath = QStringLiteral("/com/tiitoo/SystemInfo");

QString describeCall(const QDBusMessage &call)
{
    QStringList fields{call.member(), call.signature()};
    for (const QVariant &argument : call.arguments())
        fields << argument.toString();
    return fields.join(' ');
}

bool VolumeReceiver::handleMessage(const QDBusMessage &message, const QDBusConnection &)
{
    if (printing) {
        std::printf("%s\n", qPrintable(describeCall(message)));
        std::fflush(stdout);
    } else {
        calls << message;
    }
    return true;
}

bool VolumeBus::start()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("XDG_DATA_HOME");
    daemon.setProcessEnvironment(environment);
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    if (!daemon.waitForReadyRead(10000))
        return false;
    address = daemon.readLine().trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    return QDBusConnection::connectToBus(QString(address), connectionName)
        .registerVirtualObject(volumePath, &receiver);
}

VolumeBus::~VolumeBus()
{
    QDBusConnection::disconnectFromBus(connectionName);
    daemon.kill();
    daemon.waitForFinished();
}
