// What a key press costs the GUI thread: the time of sounder::dosound, debug lines included,
// with the settings file in $HOME pointing at the notes. Prints microseconds, one a line.
//   bench_dosound first           the first note of a fresh element, in a fresh process
//   bench_dosound repeated COUNT  notes on one element after its first, 5 ms apart
#include "sounder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QThread>

#include <cstdio>
#include <cstring>

namespace {

const char *const keys[] = {"keyg0", "keygis0", "keya0", "keyais0", "keyh0",   "keyc1", "keycis1",
                            "keyd1", "keydis1", "keye1", "keyf1",   "keyfis1", "keyg1", "keygis1",
                            "keya1", "keyais1", "keyh1", "keyc2",   "keycis2", "keyd2", "keydis2"};

double timedNote(sounder &element, const QString &key)
{
    QElapsedTimer timer;
    timer.start();
    element.dosound(key);
    return double(timer.nsecsElapsed()) / 1000;
}

// The event loop runs in between, as it would in the piano.
void idle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::msleep(1);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const bool first = argc == 2 && std::strcmp(argv[1], "first") == 0;
    const bool repeated = argc == 3 && std::strcmp(argv[1], "repeated") == 0;
    if (!first && !repeated) {
        std::fprintf(stderr, "usage: bench_dosound first | repeated COUNT\n");
        return 2;
    }
    sounder element;
    // The document is loaded some time before the first touch.
    idle(500);
    if (first) {
        std::printf("%.1f\n", timedNote(element, "keyc1"));
        idle(300);
        return 0;
    }
    element.dosound("keyc1");
    const int count = QString(argv[2]).toInt();
    for (int i = 0; i < count; ++i) {
        idle(5);
        std::printf("%.1f\n", timedNote(element, keys[i % std::size(keys)]));
    }
    idle(300);
    return 0;
}
