// Start-up seen from outside: starts the command on the X display in $DISPLAY, watches the
// screen until it shows what it will show at idle, and reads the process's resident memory.
// Prints "first-frame-ms start-sound-ms rss-kB": start of the process to the first frame with
// the final picture, to the "Start Sound" line on its standard error, and VmRSS at IDLE_MS.
//   bench_firstframe IDLE_MS COMMAND ARGS...
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

extern char **environ;

namespace {

double nowMs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1000 + double(now.tv_nsec) / 1e6;
}

// A few full-width rows stand for the screen: reading them is quick enough to look every few
// milliseconds without taking the processor from the program that is starting.
std::uint64_t screenPrint(Display *display)
{
    const Window root = DefaultRootWindow(display);
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    std::uint64_t hash = 1469598103934665603ull;
    for (int row = 1; row <= 7; ++row) {
        XImage *image =
            XGetImage(display, root, 0, height * row / 8, unsigned(width), 1, AllPlanes, ZPixmap);
        if (!image)
            continue;
        for (int x = 0; x < width; ++x) {
            hash ^= XGetPixel(image, x, 0);
            hash *= 1099511628211ull;
        }
        XDestroyImage(image);
    }
    return hash;
}

long residentKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    long value = -1;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            break;
        }
        status.ignore(1 << 16, '\n');
    }
    return value;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_firstframe IDLE_MS COMMAND ARGS...\n");
        return 2;
    }
    const double idleMs = std::atof(argv[1]);
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    const std::uint64_t before = screenPrint(display);

    int errors[2];
    if (pipe(errors) != 0)
        return 1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, errors[0]);
    const double start = nowMs();
    pid_t child;
    if (posix_spawnp(&child, argv[2], &actions, nullptr, argv + 2, environ) != 0) {
        std::perror(argv[2]);
        return 1;
    }
    close(errors[1]);

    struct Look
    {
        double atMs;
        std::uint64_t print;
    };
    std::vector<Look> looks;
    double startSound = -1;
    std::string errorText;
    while (nowMs() - start < idleMs) {
        pollfd readable{errors[0], POLLIN, 0};
        while (poll(&readable, 1, 0) > 0 && (readable.revents & POLLIN)) {
            char buffer[4096];
            const ssize_t got = read(errors[0], buffer, sizeof buffer);
            if (got <= 0)
                break;
            errorText.append(buffer, std::size_t(got));
            if (startSound < 0 && errorText.find("Start Sound") != std::string::npos)
                startSound = nowMs() - start;
        }
        looks.push_back({nowMs() - start, screenPrint(display)});
        usleep(3000);
    }
    const long rss = residentKb(child);
    const std::uint64_t idle = looks.back().print;
    double firstFrame = -1;
    for (const Look &look : looks) {
        if (idle != before && look.print == idle) {
            firstFrame = look.atMs;
            break;
        }
    }
    kill(child, SIGTERM);
    int status;
    waitpid(child, &status, 0);
    XCloseDisplay(display);
    std::printf("%.0f %.0f %ld\n", firstFrame, startSound, rss);
    return 0;
}
