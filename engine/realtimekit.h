#pragma once

#include <string>
#include <sys/types.h>

namespace kevaro {

// Asks RealtimeKit (org.freedesktop.RealtimeKit1 on the system bus), the way a desktop grants
// a plain user's audio thread real-time priority. Every call blocks its thread for at most a
// fraction of a second, so it belongs on the engine's own threads, never the GUI thread.
class RealtimeKit
{
public:
    // Makes the thread (a kernel thread id of this process) SCHED_RR at up to `priority`,
    // within the daemon's MaxRealtimePriority, after lowering RLIMIT_RTTIME to its
    // RTTimeUSecMax as it demands. False, with the reason in words, when there is no system
    // bus, no daemon, or it refuses.
    static bool makeRealtime(pid_t thread, int priority, std::string &whyNot);
};

} // namespace kevaro
