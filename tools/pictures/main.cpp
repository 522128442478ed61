// Draws the 32 pictures of the piano's resource bundle into a folder, each also at two and three
// times the size for enlarged and high-density screens (named with "@2x" and "@3x", which Qt
// understands):
//     make-pictures <output-folder>

#include "buttons.h"
#include "keyboard.h"

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>
#include <functional>

namespace {

struct Picture
{
    const char *file;
    std::function<QImage(qreal scale)> draw;
};

std::function<QImage(qreal)> button(int width, int height, Symbol symbol, Dot dot)
{
    return [=](qreal scale) { return drawButton(QSize(width, height), symbol, dot, scale); };
}

const Picture pictures[] = {
    {"Tasten.png", drawKeyboard},
    {"button_100_blank.png", button(100, 50, Symbol::None, Dot::None)},
    {"button_100_disabled.png", button(100, 50, Symbol::None, Dot::Grey)},
    {"button_100_enabled.png", button(100, 50, Symbol::None, Dot::Red)},
    {"button_150_blank.png", button(150, 50, Symbol::None, Dot::None)},
    {"button_150_disabled.png", button(150, 50, Symbol::None, Dot::Grey)},
    {"button_150_enabled.png", button(150, 50, Symbol::None, Dot::Red)},
    {"button_3d_state0.png", button(50, 50, Symbol::ThreeD, Dot::Grey)},
    {"button_3d_state1.png", button(50, 50, Symbol::ThreeD, Dot::Green)},
    {"button_3d_state2.png", button(50, 50, Symbol::ThreeD, Dot::Yellow)},
    {"button_3d_state3.png", button(50, 50, Symbol::ThreeD, Dot::Red)},
    {"button_50_blank.png", button(50, 50, Symbol::None, Dot::None)},
    {"button_50_disabled.png", button(50, 50, Symbol::None, Dot::Grey)},
    {"button_50_enabled.png", button(50, 50, Symbol::None, Dot::Red)},
    {"button_close.png", button(50, 50, Symbol::Close, Dot::None)},
    {"button_label_disabled.png", button(50, 50, Symbol::Sharp, Dot::Grey)},
    {"button_label_enabled.png", button(50, 50, Symbol::Sharp, Dot::Red)},
    {"button_loop_disabled.png", button(50, 50, Symbol::Loop, Dot::Grey)},
    {"button_loop_enabled.png", button(50, 50, Symbol::Loop, Dot::Red)},
    {"button_pause.png", button(50, 50, Symbol::Pause, Dot::None)},
    {"button_pause_disabled.png", button(50, 50, Symbol::Pause, Dot::Grey)},
    {"button_pause_enabled.png", button(50, 50, Symbol::Pause, Dot::Yellow)},
    {"button_play.png", button(50, 50, Symbol::Play, Dot::None)},
    {"button_play_disabled.png", button(50, 50, Symbol::Play, Dot::Grey)},
    {"button_play_enabled.png", button(50, 50, Symbol::Play, Dot::Green)},
    {"button_stop.png", button(50, 50, Symbol::Stop, Dot::None)},
    {"button_stop_disabled.png", button(50, 50, Symbol::Stop, Dot::Grey)},
    {"button_stop_enabled.png", button(50, 50, Symbol::Stop, Dot::Red)},
    {"dummy.png", button(42, 40, Symbol::None, Dot::None)},
    {"dummy2.png", button(50, 48, Symbol::None, Dot::Red)},
    {"slider_50.png", drawSliderHandle},
    {"slider_bg_300.png", drawSliderTrack},
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output-folder>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(".")) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    for (const Picture &picture : pictures) {
        for (const int scale : {1, 2, 3}) {
            QString file = QString::fromLatin1(picture.file);
            if (scale > 1)
                file.replace(".png", QStringLiteral("@%1x.png").arg(scale));
            const QString path = folder.filePath(file);
            if (!picture.draw(scale).save(path, "PNG")) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                return 1;
            }
        }
    }
    return 0;
}
