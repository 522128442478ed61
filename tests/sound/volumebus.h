#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QString>

extern const QString volumeService;
extern const QString volumePath;

// "member signature arguments…", the way the tests compare volume calls.
QString describeCall(const QDBusMessage &call);

// Holds every call that reaches the volume service's object; answers none.
class VolumeReceiver : public QDBusVirtualObject
{
public:
    QList<QDBusMessage> calls;
    // Prints each call on standard output instead of keeping it (for a second process).
    bool printing = false;

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;
    QString introspect(const QString &) const override { return {}; }
};

// A private dbus-daemon, made the session bus of this process before anything asks for it,
// with a receiver on the volume service's object path. The daemon looks for service files
// under HOME only, so no installed volume service starts behind a test's back.
class VolumeBus
{
public:
    ~VolumeBus();
    bool start();
    bool isRunning() const { return daemon.state() != QProcess::NotRunning; }
    // The receiver's own connection, which may take the service's name.
    QDBusConnection service() const { return QDBusConnection(connectionName); }

    QByteArray address;
    VolumeReceiver receiver;

private:
    static inline const QString connectionName = QStringLiteral("volume service");
    QProcess daemon;
};
