// The ear of the latency benches: records a sink's monitor with the CLOCK_MONOTONIC time of
// every chunk, then finds each note's onset in the recording and matches it to the time its
// player asked for it (taken with the same clock).
//
//   bench_monitor record SOURCE RAW INDEX        until SIGINT/SIGTERM; "recording" once data flows
//   bench_monitor match RAW INDEX HZ NOTE_MS [--summary FILE] NAME=TIMES...
//
// --summary appends a tab-separated line per player for scripts: name, median, p90 and max
// (ms), dropouts, notes heard, presses.
//
// The recording is s16 mono at 48 kHz; INDEX holds "samples-so-far nanoseconds" per chunk
// read. A chunk can reach us late, never early, so the earliest (arrival - samples / rate)
// nearby anchors the sample timeline: a sample's time is when the server mixed it into the
// sink, ahead of a real speaker by the sink's own latency.
#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int rate = 48000;
constexpr int chunkFrames = 96; // 2 ms
constexpr int loudLevel = 1500;
// Quiet this long ends a note; notes are further apart than that.
constexpr int quietFrames = rate * 40 / 1000;
// A press stamped once its presser (xdotool) has ended can sound before the stamp: the X server
// had the press a little earlier. A note this much ahead of its stamp still belongs to it.
constexpr std::int64_t aheadOfStampNs = 5000000;

volatile std::sig_atomic_t stopRequested = 0;

std::int64_t monotonicNs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

int record(const char *source, const char *rawPath, const char *indexPath)
{
    std::signal(SIGINT, [](int) { stopRequested = 1; });
    std::signal(SIGTERM, [](int) { stopRequested = 1; });
    const pa_sample_spec format{PA_SAMPLE_S16LE, rate, 1};
    pa_buffer_attr attr;
    attr.maxlength = std::uint32_t(-1);
    attr.tlength = attr.prebuf = attr.minreq = std::uint32_t(-1);
    attr.fragsize = chunkFrames * sizeof(std::int16_t);
    int error = 0;
    pa_simple *stream = pa_simple_new(nullptr, "bench_monitor", PA_STREAM_RECORD, source, "onsets",
                                      &format, nullptr, &attr, &error);
    if (!stream) {
        std::fprintf(stderr, "cannot record %s: %s\n", source, pa_strerror(error));
        return 1;
    }
    std::FILE *raw = std::fopen(rawPath, "wb");
    std::FILE *index = std::fopen(indexPath, "w");
    if (!raw || !index) {
        std::fprintf(stderr, "cannot write %s or %s\n", rawPath, indexPath);
        return 1;
    }
    std::int16_t chunk[chunkFrames];
    long long frames = 0;
    while (!stopRequested) {
        if (pa_simple_read(stream, chunk, sizeof chunk, &error) < 0) {
            std::fprintf(stderr, "recording stopped: %s\n", pa_strerror(error));
            break;
        }
        const std::int64_t arrived = monotonicNs();
        // Only now is sound coming: a suspended sink gives its monitor nothing.
        if (frames == 0) {
            std::printf("recording\n");
            std::fflush(stdout);
        }
        frames += chunkFrames;
        std::fwrite(chunk, sizeof chunk, 1, raw);
        std::fprintf(index, "%lld %lld\n", frames, (long long)arrived);
    }
    pa_simple_free(stream);
    std::fclose(raw);
    std::fclose(index);
    return 0;
}

struct Chunk
{
    long long framesSoFar;
    std::int64_t arrivedNs;
};

struct Recording
{
    std::vector<std::int16_t> samples;
    std::vector<Chunk> chunks;

    // When sample `frame` was mixed: anchored on the chunks that arrived within a second of
    // the one holding it, so a stall or a lost chunk elsewhere does not shift it.
    std::int64_t timeOf(long long frame) const
    {
        auto first =
            std::upper_bound(chunks.begin(), chunks.end(), frame,
                             [](long long f, const Chunk &chunk) { return f < chunk.framesSoFar; });
        if (first == chunks.end())
            first = chunks.end() - 1;
        double offset = 1e30;
        for (auto chunk = first;
             chunk != chunks.end() && chunk->arrivedNs - first->arrivedNs < 1000000000; ++chunk)
            offset = std::min(offset, double(chunk->arrivedNs) - chunk->framesSoFar * 1e9 / rate);
        return std::int64_t(offset + frame * 1e9 / rate);
    }
};

bool load(const char *rawPath, const char *indexPath, Recording &recording)
{
    std::ifstream raw(rawPath, std::ios::binary);
    std::ifstream index(indexPath);
    if (!raw || !index)
        return false;
    raw.seekg(0, std::ios::end);
    recording.samples.resize(std::size_t(raw.tellg()) / sizeof(std::int16_t));
    raw.seekg(0);
    raw.read(reinterpret_cast<char *>(recording.samples.data()),
             std::streamsize(recording.samples.size() * sizeof(std::int16_t)));
    Chunk chunk;
    while (index >> chunk.framesSoFar >> chunk.arrivedNs)
        recording.chunks.push_back(chunk);
    return !recording.chunks.empty();
}

struct Note
{
    long long start;
    long long end; // one past its last loud sample
};

std::vector<Note> findNotes(const std::vector<std::int16_t> &samples)
{
    std::vector<Note> notes;
    long long lastLoud = -quietFrames - 1;
    for (long long i = 0; i < (long long)samples.size(); ++i) {
        if (std::abs(int(samples[std::size_t(i)])) < loudLevel)
            continue;
        if (i - lastLoud > quietFrames)
            notes.push_back({i, i + 1});
        notes.back().end = i + 1;
        lastLoud = i;
    }
    return notes;
}

// A dropout shows in the steady middle of the test tone as a stretch quieter than the tone or
// as a step no sine of that pitch and level can make, and it makes the note longer or shorter.
bool hasDropout(const std::vector<std::int16_t> &samples, const Note &note, double hz,
                double noteMs)
{
    const long long expected = std::llround(noteMs * rate / 1000);
    if (std::llabs((note.end - note.start) - expected) > rate * 5 / 1000)
        return true;
    // A millisecond always holds a peak of a tone above 500 Hz.
    const long long block = rate / 1000;
    const long long from = note.start + 5 * block;
    const long long to = note.start + expected - 15 * block;
    std::vector<int> peaks;
    for (long long b = from; b + block <= to; b += block) {
        int peak = 0;
        for (long long i = b; i < b + block; ++i)
            peak = std::max(peak, std::abs(int(samples[std::size_t(i)])));
        peaks.push_back(peak);
    }
    if (peaks.empty())
        return false;
    std::vector<int> sorted = peaks;
    std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
    const double level = sorted[sorted.size() / 2];
    if (*std::min_element(peaks.begin(), peaks.end()) < level / 2)
        return true;
    const double steepest = level * 2 * M_PI * hz / rate;
    for (long long i = from + 1; i < to; ++i) {
        if (std::abs(samples[std::size_t(i)] - samples[std::size_t(i - 1)]) > 2 * steepest)
            return true;
    }
    return false;
}

std::vector<std::int64_t> readTimes(const std::string &path)
{
    std::ifstream in(path);
    std::vector<std::int64_t> times;
    long long ns;
    while (in >> ns)
        times.push_back(ns);
    std::sort(times.begin(), times.end());
    return times;
}

double at(const std::vector<double> &sorted, double fraction)
{
    if (sorted.empty())
        return NAN;
    return sorted[std::size_t(std::lround(fraction * double(sorted.size() - 1)))];
}

int match(const char *rawPath, const char *indexPath, double hz, double noteMs, int playerCount,
          char **players)
{
    std::FILE *summary = nullptr;
    if (playerCount > 2 && std::strcmp(players[0], "--summary") == 0) {
        summary = std::fopen(players[1], "a");
        if (!summary) {
            std::fprintf(stderr, "cannot write %s\n", players[1]);
            return 1;
        }
        players += 2;
        playerCount -= 2;
    }
    Recording recording;
    if (!load(rawPath, indexPath, recording)) {
        std::fprintf(stderr, "cannot read the recording %s / %s\n", rawPath, indexPath);
        return 1;
    }
    const std::vector<Note> notes = findNotes(recording.samples);
    std::vector<std::int64_t> onsets;
    for (const Note &note : notes)
        onsets.push_back(recording.timeOf(note.start));

    const bool compare = playerCount > 1;
    std::printf("%-22s %9s %9s %9s %9s %7s %s\n", "", "median", "p90", "max", "dropouts", "heard",
                compare ? " vs first" : "");
    double firstMedian = NAN;
    for (int p = 0; p < playerCount; ++p) {
        const std::string arg = players[p];
        const auto equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const std::vector<std::int64_t> plays = readTimes(arg.substr(equals + 1));
        std::vector<double> latencies;
        int dropouts = 0;
        for (std::size_t i = 0; i < plays.size(); ++i) {
            // A note belongs to the last play before it; none comes more than a second late.
            const std::int64_t until = i + 1 < plays.size() ? plays[i + 1] : plays[i] + 1000000000;
            const auto onset =
                std::lower_bound(onsets.begin(), onsets.end(), plays[i] - aheadOfStampNs);
            if (onset == onsets.end() || *onset >= until) {
                ++dropouts; // never heard
                continue;
            }
            latencies.push_back(double(*onset - plays[i]) / 1e6);
            if (hasDropout(recording.samples, notes[std::size_t(onset - onsets.begin())], hz,
                           noteMs))
                ++dropouts;
        }
        std::sort(latencies.begin(), latencies.end());
        const double median = at(latencies, 0.5);
        if (p == 0)
            firstMedian = median;
        std::printf("%-22s %6.1f ms %6.1f ms %6.1f ms %9d %3zu/%-3zu", name.c_str(), median,
                    at(latencies, 0.9), latencies.empty() ? NAN : latencies.back(), dropouts,
                    latencies.size(), plays.size());
        if (compare)
            std::printf(" %8.1fx", median / firstMedian);
        std::printf("\n");
        if (summary)
            std::fprintf(summary, "%s\t%.1f\t%.1f\t%.1f\t%d\t%zu\t%zu\n", name.c_str(), median,
                         at(latencies, 0.9), latencies.empty() ? NAN : latencies.back(), dropouts,
                         latencies.size(), plays.size());
    }
    if (summary)
        std::fclose(summary);
    // How late the recorder itself got the sound: not in the figures above, which date each
    // sample on the anchored timeline.
    std::vector<double> delays;
    for (const Chunk &chunk : recording.chunks)
        delays.push_back(double(chunk.arrivedNs - recording.timeOf(chunk.framesSoFar - 1)) / 1e6);
    std::sort(delays.begin(), delays.end());
    std::printf("(the recorder got each chunk a median %.1f ms, p99 %.1f ms after its anchored "
                "time)\n",
                at(delays, 0.5), at(delays, 0.99));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && std::strcmp(argv[1], "record") == 0)
        return record(argv[2], argv[3], argv[4]);
    if (argc >= 7 && std::strcmp(argv[1], "match") == 0)
        return match(argv[2], argv[3], std::atof(argv[4]), std::atof(argv[5]), argc - 6, argv + 6);
    std::fprintf(stderr, "usage: bench_monitor record SOURCE RAW INDEX\n"
                         "       bench_monitor match RAW INDEX HZ NOTE_MS [--summary FILE] "
                         "NAME=TIMES...\n");
    return 2;
}
