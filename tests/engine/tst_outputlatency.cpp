// Which buffer sizes the engine asks OpenAL for: its own unless the user tuned OpenAL's, and
// KEVARO_AUDIO_PERIOD above both.
#include "notefolder.h"
#include "outputlatency.h"

#include <gtest/gtest.h>

using kevaro::OutputLatency;

TEST(OutputLatency, ChoosesPeriodsUnlessTheUserDid)
{
    std::ifstream system("/etc/openal/alsoft.conf");
    for (std::string line; std::getline(system, line);) {
        if (line.find("period") != std::string::npos && line.find('#') == std::string::npos)
            GTEST_SKIP() << "/etc/openal/alsoft.conf sets the buffer sizes of this machine";
    }
    NoteFolder home;
    setenv("HOME", home.pathOf("").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", home.pathOf("system").c_str(), 1);
    for (const char *name : {"XDG_CONFIG_HOME", "ALSOFT_CONF", "KEVARO_AUDIO_PERIOD"})
        unsetenv(name);
    // Short periods need a real-time mixer: as root, or with an RLIMIT_RTPRIO.
    const bool realtime = OutputLatency::mixerCanRunRealtime();
    const int ours = realtime ? 256 : 1024;
    const std::string mixer = realtime ? "rt-prio = 1\n" : "";
    EXPECT_EQ(OutputLatency::chosenPeriodFrames(), ours);
    EXPECT_EQ(OutputLatency::configuration(ours),
              "[general]\nperiod_size = " + std::to_string(ours) + "\nperiods = 3\n" + mixer);

    // Other settings, and buffer sizes commented out, leave the choice to the engine; a user
    // file, wherever OpenAL reads one, that sets them, does not.
    home.writeBytes(".alsoftrc", "[general]\n#period_size = 2048\n  # periods=8\nhrtf = false\n");
    EXPECT_EQ(OutputLatency::chosenPeriodFrames(), ours);
    std::filesystem::create_directory(home.pathOf(".config"));
    home.writeBytes(".config/alsoft.conf", "[general]\n  periods=4\n");
    EXPECT_EQ(OutputLatency::chosenPeriodFrames(), 0);
    setenv("XDG_CONFIG_HOME", home.pathOf("elsewhere").c_str(), 1);
    EXPECT_EQ(OutputLatency::chosenPeriodFrames(), ours);
    setenv("ALSOFT_CONF", home.writeBytes("user.conf", "[pulse]\nperiod_size = 2048").c_str(), 1);
    EXPECT_EQ(OutputLatency::chosenPeriodFrames(), 0);

    // KEVARO_AUDIO_PERIOD wins when valid, and the user's other settings still apply.
    setenv("KEVARO_AUDIO_PERIOD", "256", 1);
    EXPECT_EQ(OutputLatency::chosenPeriodFrames(), 256);
    EXPECT_EQ(OutputLatency::configuration(256),
              "[pulse]\nperiod_size = 2048\n[general]\nperiod_size = 256\nperiods = 3\n" + mixer);
    for (const char *invalid : {"abc", "256 frames", "32", "100000", ""}) {
        setenv("KEVARO_AUDIO_PERIOD", invalid, 1);
        EXPECT_EQ(OutputLatency::chosenPeriodFrames(), 0) << invalid;
    }

    // A user who chose the mixer's priority keeps that choice.
    home.writeBytes("user.conf", "[general]\nrt-prio = 0\n");
    EXPECT_EQ(OutputLatency::configuration(256),
              "[general]\nrt-prio = 0\n\n[general]\nperiod_size = 256\nperiods = 3\n");
}
