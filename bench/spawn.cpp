// Runs a command and prints the CLOCK_MONOTONIC time (ns) of its start, or with --after of
// its end; with --count/--every it starts it that many times that far apart without waiting,
// as a shell-script piano starts a player per note.
//   bench_spawn [--after] [--count N --every MS] COMMAND ARGS...
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

extern char **environ;

namespace {

long long nowNs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (long long)now.tv_sec * 1000000000 + now.tv_nsec;
}

} // namespace

int main(int argc, char **argv)
{
    bool stampEnd = false;
    int count = 1;
    long every = 0;
    int arg = 1;
    for (; arg < argc && std::strncmp(argv[arg], "--", 2) == 0; ++arg) {
        if (std::strcmp(argv[arg], "--after") == 0)
            stampEnd = true;
        else if (std::strcmp(argv[arg], "--count") == 0 && arg + 1 < argc)
            count = std::atoi(argv[++arg]);
        else if (std::strcmp(argv[arg], "--every") == 0 && arg + 1 < argc)
            every = std::atol(argv[++arg]);
    }
    if (arg == argc) {
        std::fprintf(stderr, "usage: bench_spawn [--after] [--count N --every MS] COMMAND...\n");
        return 2;
    }
    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        const long long started = nowNs();
        pid_t child;
        if (posix_spawnp(&child, argv[arg], nullptr, nullptr, argv + arg, environ) != 0) {
            std::perror(argv[arg]);
            return 1;
        }
        if (stampEnd) {
            int status;
            waitpid(child, &status, 0);
            failures += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        std::printf("%lld\n", stampEnd ? nowNs() : started);
        next.tv_nsec += every * 1000000;
        next.tv_sec += next.tv_nsec / 1000000000;
        next.tv_nsec %= 1000000000;
    }
    int status;
    while (wait(&status) > 0)
        failures += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return failures == 0 ? 0 : 1;
}
