#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>

inline const QString volumeService = QStringLiteral("com.tiitoo.SystemInfo");
inline const QString volumePath = QStringLiteral("/com/tiitoo/SystemInfo");

// "member signature arguments…", the way the tests compare volume calls.
inline QString describeCall(const QDBusMessage &call)
{
    QStringList fields{call.member(), call.signature()};
    for (const QVariant &argument : call.arguments())
        fields << argument.toString();
    return fields.join(' ');
}

// Keeps every call to the volume service's object and answers none, not even Introspect.
class VolumeReceiver : public QDBusVirtualObject
{
public:
    QList<QDBusMessage> calls;

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &) override
    {
        calls << message;
        return true;
    }
    QString introspect(const QString &) const override { return {}; }
};

// A private dbus-daemon, made the session bus of this process before anything asks for it,
// with a receiver on the volume service's object path.
class VolumeBus
{
public:
    bool start()
    {
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (!daemon.waitForReadyRead(10000))
            return false;
        const QByteArray address = daemon.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        return QDBusConnection::connectToBus(QString(address), connectionName)
            .registerVirtualObject(volumePath, &receiver);
    }
    ~VolumeBus()
    {
        QDBusConnection::disconnectFromBus(connectionName);
        daemon.kill();
        daemon.waitForFinished();
    }
    // The receiver's own connection, which may take the service's name.
    QDBusConnection service() const { return QDBusConnection(connectionName); }

    VolumeReceiver receiver;

private:
    static inline const QString connectionName = QStringLiteral("volume service");
    QProcess daemon;
};
