#pragma once

#include <QObject>

class PulseVolume;

// The object /com/tiitoo/SystemInfo as the piano calls it: SetVolume(volume, 3) on every
// move of its volume slider.
class VolumeService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.tiitoo.SystemInfo.Volume")

public:
    explicit VolumeService(PulseVolume &output, QObject *parent = nullptr);

public slots:
    // volume in percent, held to 100. The second value (the piano always sends 3) names a
    // channel of the tablet platform's mixer; here there is only the default output.
    void SetVolume(uint volume, uint channel);

private:
    PulseVolume &output;
};
