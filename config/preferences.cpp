#include "preferences.h"

#include <QSettings>
#include <QStandardPaths>

#include <cstdio>
#include <pthread.h>

namespace {

const char *const dynamicsKey = "touch/dynamics";
const char *const stopOnReleaseKey = "touch/stopOnRelease";
const char *const autoconnectKey = "midi/autoconnect";

// A switch as people write it by hand; nothing when it is no switch at all.
std::optional<bool> switchValue(const QVariant &value)
{
    // As written by this process: QSettings keeps what it wrote.
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    // A list ("true, false") or anything else QSettings made of it is no switch.
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    const QString text = value.toString().trimmed().toLower();
    for (const char *on : {"true", "yes", "on", "1"})
        if (text == QLatin1String(on))
            return true;
    for (const char *off : {"false", "no", "off", "0"})
        if (text == QLatin1String(off))
            return false;
    return std::nullopt;
}

} // namespace

Preferences::Preferences() : values(read()) {}

Preferences::~Preferences()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        closing = true;
    }
    wake.notify_one();
    // The last change reaches the disk before the piano ends.
    if (writer.joinable())
        writer.join();
}

QString Preferences::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/kevaro/kevaro.conf";
}

Preferences::Values Preferences::read()
{
    QSettings file(filePath(), QSettings::IniFormat);
    QString problem;
    if (file.status() == QSettings::AccessError)
        problem = QStringLiteral("it cannot be read");
    else if (file.status() == QSettings::FormatError)
        problem = QStringLiteral("it is not in the form \"[group]\" and \"name = value\" lines");
    Values found;
    const struct
    {
        const char *key;
        bool Values::*member;
    } switches[] = {{dynamicsKey, &Values::dynamics},
                    {stopOnReleaseKey, &Values::stopOnRelease},
                    {autoconnectKey, &Values::midiAutoconnect}};
    for (const auto &each : switches) {
        if (!problem.isEmpty() || !file.contains(each.key))
            continue;
        const QVariant value = file.value(each.key);
        if (const std::optional<bool> on = switchValue(value)) {
            found.*each.member = *on;
            continue;
        }
        const QString key = each.key;
        problem =
            QStringLiteral("%1 in [%2] is \"%3\", which is neither true nor false")
                .arg(key.section('/', 1), key.section('/', 0, 0), value.toStringList().join(", "));
    }
    if (problem.isEmpty())
        return found;
    std::fprintf(stderr, "kevaro: ignoring the preferences in %s: %s; using the defaults\n",
                 qPrintable(filePath()), qPrintable(problem));
    return {};
}

void Preferences::write(const Values &written)
{
    QSettings file(filePath(), QSettings::IniFormat);
    // Every value, so that a file ignored as broken becomes whole again.
    file.setValue(dynamicsKey, written.dynamics);
    file.setValue(stopOnReleaseKey, written.stopOnRelease);
    file.setValue(autoconnectKey, written.midiAutoconnect);
    file.sync();
    if (file.status() == QSettings::AccessError)
        std::fprintf(stderr, "kevaro: could not save the preferences in %s\n",
                     qPrintable(filePath()));
}

void Preferences::setDynamics(bool on)
{
    if (values.dynamics == on)
        return;
    values.dynamics = on;
    changed();
}

void Preferences::setStopOnRelease(bool on)
{
    if (values.stopOnRelease == on)
        return;
    values.stopOnRelease = on;
    changed();
}

void Preferences::changed()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        pending = values;
    }
    if (!writer.joinable())
        writer = std::thread(&Preferences::writeInTurn, this);
    wake.notify_one();
}

void Preferences::writeInTurn()
{
    pthread_setname_np(pthread_self(), "kevaro-prefs");
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return pending || closing; });
        if (!pending)
            return;
        const Values next = *pending;
        pending.reset();
        // Changes made meanwhile wait as the next pending values, not for the disk.
        lock.unlock();
        write(next);
        lock.lock();
    }
}
