// Plays a note file with Qt Multimedia's QSoundEffect COUNT times, EVERY milliseconds apart,
// and prints the CLOCK_MONOTONIC time (ns) of each play() call, one a line, for bench_monitor.
//   bench_play_qsoundeffect FILE COUNT EVERY_MS
#include <QCoreApplication>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <ctime>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_play_qsoundeffect FILE COUNT EVERY_MS\n");
        return 2;
    }
    const int count = QString(argv[2]).toInt();
    const int every = QString(argv[3]).toInt();
    QSoundEffect effect;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    int played = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (played == count) {
            app.quit();
            return;
        }
        timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        effect.play();
        std::printf("%lld\n", (long long)now.tv_sec * 1000000000 + now.tv_nsec);
        ++played;
    });
    QObject::connect(&effect, &QSoundEffect::statusChanged, [&] {
        if (effect.status() == QSoundEffect::Error) {
            std::fprintf(stderr, "QSoundEffect cannot play %s\n", argv[1]);
            app.exit(1);
        } else if (effect.status() == QSoundEffect::Ready) {
            // The same settling time the engine bench gives its device.
            QTimer::singleShot(1000, [&] { timer.start(every); });
        }
    });
    effect.setSource(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
    return app.exec();
}
