#include "volumeservice.h"

#include "pulsevolume.h"

#include <algorithm>

VolumeService::VolumeService(PulseVolume &output, QObject *parent) : QObject(parent), output(output)
{
}

void VolumeService::SetVolume(uint volume, uint channel)
{
    Q_UNUSED(channel);
    output.setPercent(std::min(volume, 100u));
}
