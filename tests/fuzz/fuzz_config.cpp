// Settings files of any content: loading never crashes, and a value that went through one
// save and load comes back exactly from the next.
#include "config.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

QStringList values(const Config &config)
{
    QStringList all;
    for (int i = 0; i < Config::setCount; ++i)
        all << config.directories[i] << config.names[i];
    return all;
}

QStringList loaded()
{
    Config config;
    if (!config.load())
        abort();
    return values(config);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // A home in memory where there is one: each input is written and saved twice.
    static QTemporaryDir home(QDir("/dev/shm").exists() ? "/dev/shm/kevaro-fuzz-XXXXXX"
                                                        : QDir::tempPath() + "/kevaro-fuzz-XXXXXX");
    qputenv("HOME", QFile::encodeName(home.path()));
    QDir(home.path()).mkdir(".kevaro");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    {
        QFile file(Config::settingsFilePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            abort();
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    Config config;
    if (!config.load() || !config.save())
        abort();
    const QStringList once = loaded();
    Config again;
    again.load();
    if (!again.save() || loaded() != once)
        abort();
    return 0;
}
