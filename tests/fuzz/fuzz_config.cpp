// Settings files of any content: loading never crashes, and what a save and load gives comes
// back unchanged from the next.
#include "config.h"

#include <QDir>
#include <QTemporaryDir>
#include <fstream>

// A home in memory where there is one: each input is written and saved twice.
static const QTemporaryDir home((QDir("/dev/shm").exists() ? "/dev/shm" : QDir::tempPath()) +
                                "/kevaro-fuzz-XXXXXX");
static const bool homeIsSet =
    qputenv("HOME", home.path().toUtf8()) && QDir(home.path()).mkdir(".kevaro");

// Loads the settings file and saves it: what loading the saved file gives.
static QStringList resaved()
{
    Config config, reloaded;
    if (!homeIsSet || !config.load() || !config.save() || !reloaded.load())
        abort();
    QStringList values;
    for (int i = 0; i < Config::setCount; ++i)
        values << reloaded.directories[i] << reloaded.names[i];
    return values;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, std::size_t size)
{
    std::ofstream(Config::settingsFilePath().toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char *>(data), std::streamsize(size));
    if (resaved() != resaved())
        abort();
    return 0;
}
