// kevaro-systeminfo: serves com.tiitoo.SystemInfo on the session bus, so the piano's volume
// slider sets the volume of the default sound output on an ordinary Linux desktop.

#include "pulsevolume.h"
#include "volumeservice.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCritical("kevaro-systeminfo: no session bus: %s", qPrintable(bus.lastError().message()));
        return 1;
    }
    PulseVolume output;
    VolumeService service(output);
    if (!bus.registerObject("/com/tiitoo/SystemInfo", &service, QDBusConnection::ExportAllSlots)) {
        qCritical("kevaro-systeminfo: cannot serve /com/tiitoo/SystemInfo");
        return 1;
    }
    if (!bus.registerService("com.tiitoo.SystemInfo")) {
        qCritical("kevaro-systeminfo: com.tiitoo.SystemInfo: %s",
                  qPrintable(bus.lastError().message()));
        return 1;
    }
    // Ends with the session: a bus that goes away takes the service with it.
    bus.connect(QString(), "/org/freedesktop/DBus/Local", "org.freedesktop.DBus.Local",
                "Disconnected", &app, SLOT(quit()));
    return app.exec();
}
