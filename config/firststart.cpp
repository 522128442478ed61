#include "firststart.h"

#include "config.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

void FirstStart::writeSettings(Config &config)
{
    const QFileInfo settings(Config::settingsFilePath());
    if (settings.exists() || settings.isSymLink())
        return;
    nameInstalledSets(config);
    config.save();
}

bool FirstStart::nameInstalledSets(Config &config)
{
    const QStringList listings = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                           "kevaro/soundsets/installed");
    for (const QString &listing : listings) {
        QFile file(listing);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        const QDir folder = QFileInfo(listing).absoluteDir();
        int found = 0;
        QTextStream in(&file);
        while (!in.atEnd() && found < Config::setCount) {
            const QStringList fields = in.readLine().split('\t');
            if (fields.size() != 2 || fields[1].isEmpty() || fields[1].contains('/') ||
                !folder.exists(fields[1]))
                continue;
            config.names[found] = fields[0];
            config.directories[found] = folder.filePath(fields[1]);
            ++found;
        }
        if (found > 0)
            return true;
    }
    return false;
}
