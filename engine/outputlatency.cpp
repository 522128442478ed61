#include "outputlatency.h"

#include "realtimekit.h"

#include <AL/alext.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <mutex>
#include <pthread.h>
#include <sched.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kevaro {

namespace {

// The periods the first device was opened with; 0 when the user's configuration decided.
std::atomic<int> appliedPeriodFrames{0};

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

bool setsAnyOf(const std::string &configFile, std::initializer_list<const char *> keys)
{
    std::ifstream in(configFile);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        std::getline(words >> std::ws, key, '=');
        key.erase(key.find_last_not_of(" \t\r") + 1);
        for (const char *wanted : keys) {
            if (key == wanted)
                return true;
        }
    }
    return false;
}

// The files OpenAL Soft reads its configuration from, in its order.
std::vector<std::string> openalConfigFiles()
{
    std::vector<std::string> files = {"/etc/openal/alsoft.conf"};
    std::string systemDirs = environment("XDG_CONFIG_DIRS");
    if (systemDirs.empty())
        systemDirs = "/etc/xdg";
    std::istringstream dirs(systemDirs);
    for (std::string dir; std::getline(dirs, dir, ':');)
        files.push_back(dir + "/alsoft.conf");
    const std::string home = environment("HOME");
    if (!home.empty())
        files.push_back(home + "/.alsoftrc");
    const std::string userDir = environment("XDG_CONFIG_HOME");
    if (!userDir.empty())
        files.push_back(userDir + "/alsoft.conf");
    else if (!home.empty())
        files.push_back(home + "/.config/alsoft.conf");
    const std::string named = environment("ALSOFT_CONF");
    if (!named.empty())
        files.push_back(named);
    return files;
}

int requestedPeriodFrames()
{
    const std::string requested = environment("KEVARO_AUDIO_PERIOD");
    if (requested.empty())
        return 0;
    char *end = nullptr;
    const long frames = std::strtol(requested.c_str(), &end, 10);
    if (*end == '\0' && frames >= 64 && frames <= 8192)
        return int(frames);
    std::fprintf(stderr,
                 "kevaro: ignoring KEVARO_AUDIO_PERIOD=%s (frames per period, 64 to 8192)\n",
                 requested.c_str());
    return 0;
}

// The priority asked of RealtimeKit; PulseAudio's own threads take the same.
constexpr int realtimeKitPriority = 5;

pid_t currentThreadId()
{
    return pid_t(syscall(SYS_gettid));
}

bool isRealtime(pid_t thread)
{
    const int policy = sched_getscheduler(thread);
    return policy == SCHED_RR || policy == SCHED_FIFO;
}

// Asks RealtimeKit for every thread that is not real-time yet; whether all of them are then.
bool raiseThroughRealtimeKit(const std::vector<pid_t> &threads)
{
    if (!OutputLatency::realtimeKitGrants())
        return false;
    bool all = true;
    for (pid_t thread : threads) {
        std::string whyNot;
        if (!isRealtime(thread) &&
            !RealtimeKit::makeRealtime(thread, realtimeKitPriority, whyNot)) {
            std::fprintf(stderr, "kevaro: RealtimeKit: %s\n", whyNot.c_str());
            all = false;
        }
    }
    return all;
}

std::string threadName(pid_t thread)
{
    std::ifstream in("/proc/self/task/" + std::to_string(thread) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// The configuration file written for OpenAL, removed once a device has read it.
std::string &writtenConfiguration()
{
    static std::string path;
    return path;
}

// The file ALSOFT_CONF named before it named ours.
std::string &usersNamedConfiguration()
{
    static std::string path;
    return path;
}

bool userConfigurationSets(std::initializer_list<const char *> keys)
{
    for (const std::string &file : openalConfigFiles()) {
        if (setsAnyOf(file, keys))
            return true;
    }
    return false;
}

// The user's named file, then the periods, and a real-time mixer where the process may have
// one and the user's configuration does not say otherwise.
std::string configurationAfter(const std::string &userFile, int periodFrames)
{
    std::string text;
    if (!userFile.empty()) {
        std::ifstream in(userFile);
        std::ostringstream contents;
        contents << in.rdbuf();
        text = contents.str() + "\n";
    }
    text += "[general]\nperiod_size = " + std::to_string(periodFrames) +
            "\nperiods = " + std::to_string(OutputLatency::periods) + "\n";
    if (OutputLatency::mixerCanRunRealtime() && !userConfigurationSets({"rt-prio"}) &&
        !setsAnyOf(userFile, {"rt-prio"}))
        text += "rt-prio = 1\n";
    return text;
}

} // namespace

bool OutputLatency::mixerCanRunRealtime()
{
    static const bool allowed = [] {
        bool granted = false;
        std::thread probe([&granted] {
            sched_param priority{};
            priority.sched_priority = 1;
            granted = pthread_setschedparam(pthread_self(), SCHED_RR, &priority) == 0;
        });
        probe.join();
        return granted;
    }();
    return allowed;
}

bool OutputLatency::realtimeKitGrants()
{
    static const bool granted = [] {
        // A throwaway thread, so that a grant changes nothing but what is learnt.
        bool yes = false;
        std::string whyNot;
        std::thread probe([&] {
            yes = RealtimeKit::makeRealtime(currentThreadId(), realtimeKitPriority, whyNot);
        });
        probe.join();
        if (!yes)
            std::fprintf(stderr, "kevaro: no real-time mixer (%s); using longer periods\n",
                         whyNot.c_str());
        return yes;
    }();
    return granted;
}

int OutputLatency::defaultPeriodFrames()
{
    return mixerCanRunRealtime() || realtimeKitGrants() ? realtimePeriodFrames
                                                        : ordinaryPeriodFrames;
}

int OutputLatency::chosenPeriodFrames()
{
    if (const int requested = requestedPeriodFrames())
        return requested;
    if (userConfigurationSets({"period_size", "periods"}))
        return 0;
    return defaultPeriodFrames();
}

std::string OutputLatency::configuration(int periodFrames)
{
    return configurationAfter(environment("ALSOFT_CONF"), periodFrames);
}

void OutputLatency::applyConfiguration()
{
    static std::once_flag applied;
    std::call_once(applied, [] {
        if (!requestedPeriodFrames() && userConfigurationSets({"period_size", "periods"}))
            return;
        const std::string runtimeDir = environment("XDG_RUNTIME_DIR");
        const std::filesystem::path dir = std::filesystem::is_directory(runtimeDir)
                                              ? std::filesystem::path(runtimeDir)
                                              : std::filesystem::temp_directory_path();
        const std::string file =
            (dir / ("kevaro-alsoft-" + std::to_string(getpid()) + ".conf")).string();
        usersNamedConfiguration() = environment("ALSOFT_CONF");
        // OpenAL reads ALSOFT_CONF when its first device opens. The variable stays set: changing
        // the environment again later would race with other threads reading it.
        setenv("ALSOFT_CONF", file.c_str(), 1);
        writtenConfiguration() = file;
    });
}

bool OutputLatency::soundServerAwaited()
{
    std::string socketPath;
    const std::string server = environment("PULSE_SERVER");
    if (!server.empty()) {
        if (server.rfind("unix:", 0) != 0)
            return false;
        socketPath = server.substr(5);
    } else {
        const std::string runtimeDir = environment("XDG_RUNTIME_DIR");
        if (runtimeDir.empty() || !(std::filesystem::exists("/usr/bin/pulseaudio") ||
                                    std::filesystem::exists("/usr/bin/pipewire-pulse")))
            return false;
        socketPath = runtimeDir + "/pulse/native";
    }
    sockaddr_un address{};
    if (socketPath.size() >= sizeof(address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, socketPath.size());
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (probe < 0)
        return false;
    const bool answers =
        connect(probe, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
    ::close(probe);
    return !answers;
}

ALCdevice *OutputLatency::openDefaultDevice()
{
    if (soundServerAwaited())
        return nullptr;
    // Written here, on the engine's thread, as the choice may ask RealtimeKit.
    static std::once_flag written;
    std::call_once(written, [] {
        if (writtenConfiguration().empty())
            return;
        const int periodFrames = chosenPeriodFrames();
        if (std::ofstream(writtenConfiguration())
            << configurationAfter(usersNamedConfiguration(), periodFrames))
            appliedPeriodFrames = periodFrames;
    });
    ALCdevice *device = alcOpenDevice(nullptr);
    if (!writtenConfiguration().empty())
        std::remove(writtenConfiguration().c_str());
    return device;
}

OutputLatency::MixerPriority OutputLatency::raiseMixer(const std::vector<pid_t> &newThreads)
{
    std::vector<pid_t> mixers;
    for (pid_t thread : newThreads) {
        if (threadName(thread) == "alsoft-mixer")
            mixers.push_back(thread);
    }
    // An OpenAL that leaves its threads unnamed: those, which carry the name of the thread that
    // opened the device, and libpulse's loop, which carries the sound server's requests to the
    // mixer and the mixed sound to the server. Other threads that happened to start meanwhile
    // must not run real-time, even while they still carry the process's name.
    if (mixers.empty()) {
        const std::string openerName = threadName(currentThreadId());
        for (pid_t thread : newThreads) {
            const std::string name = threadName(thread);
            if (name == openerName || name == "threaded-ml")
                mixers.push_back(thread);
        }
    }
    if (mixers.empty())
        return MixerPriority::None;
    // Among all new threads only the mixer asks for it.
    if (std::any_of(mixers.begin(), mixers.end(), isRealtime))
        return MixerPriority::Own;
    return !mixerCanRunRealtime() && raiseThroughRealtimeKit(mixers) ? MixerPriority::RealtimeKit
                                                                     : MixerPriority::None;
}

OutputLatency::MixerPriority OutputLatency::raiseRenderThread(pid_t thread)
{
    if (thread == 0)
        return MixerPriority::None;
    if (mixerCanRunRealtime()) {
        sched_param priority{};
        priority.sched_priority = realtimeKitPriority;
        return isRealtime(thread) ||
                       sched_setscheduler(thread, SCHED_RR | SCHED_RESET_ON_FORK, &priority) == 0
                   ? MixerPriority::Own
                   : MixerPriority::None;
    }
    // PipeWire may have raised it already.
    return isRealtime(thread) || raiseThroughRealtimeKit({thread}) ? MixerPriority::RealtimeKit
                                                                   : MixerPriority::None;
}

namespace {

const char *describe(OutputLatency::MixerPriority priority)
{
    using MixerPriority = OutputLatency::MixerPriority;
    return priority == MixerPriority::Own           ? "its own"
           : priority == MixerPriority::RealtimeKit ? "RealtimeKit"
                                                    : "none";
}

} // namespace

void OutputLatency::reportCycles(int cycleFrames, int rate, MixerPriority priority)
{
    std::fprintf(stderr,
                 "kevaro: audio output latency %.1f ms (%d frames a cycle at %d Hz through "
                 "PipeWire; real-time mixer: %s)\n",
                 1000.0 * cycleFrames / rate, cycleFrames, rate, describe(priority));
}

void OutputLatency::report(ALCdevice *device, MixerPriority priority)
{
    const char *mixer = describe(priority);
    ALCint rate = 0;
    ALCint refresh = 0;
    alcGetIntegerv(device, ALC_FREQUENCY, 1, &rate);
    alcGetIntegerv(device, ALC_REFRESH, 1, &refresh);
    ALCint64SOFT latency = 0;
    if (alcIsExtensionPresent(device, "ALC_SOFT_device_clock"))
        alcGetInteger64vSOFT(device, ALC_DEVICE_LATENCY_SOFT, 1, &latency);
    const double milliseconds = double(latency) / 1e6;
    // Right after opening, the server has little queued yet and reports next to nothing; the
    // mixer's own buffer is what a press waits for at most.
    if (const int periodFrames = appliedPeriodFrames)
        std::fprintf(stderr,
                     "kevaro: audio output latency %.1f ms (%d x %d frames at %d Hz, up to %.1f "
                     "ms buffered; real-time mixer: %s)\n",
                     milliseconds, periodFrames, periods, rate,
                     rate > 0 ? 1000.0 * periodFrames * periods / rate : 0.0, mixer);
    else
        std::fprintf(stderr,
                     "kevaro: audio output latency %.1f ms (periods of %d frames at %d Hz, as "
                     "OpenAL is configured; real-time mixer: %s)\n",
                     milliseconds, refresh > 0 ? rate / refresh : 0, rate, mixer);
}

} // namespace kevaro
