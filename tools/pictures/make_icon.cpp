// Draws the application icon as a hicolor theme tree:
//     make-icon <output-folder> <icon-name>
// writes scalable/<icon-name>.svg and 48/, 128/, 256/<icon-name>.png.

#include "icon.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSvgGenerator>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <output-folder> <icon-name>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (const char *sub : {"scalable", "48", "128", "256"}) {
        if (!folder.mkpath(sub)) {
            std::fprintf(stderr, "cannot create %s/%s\n", argv[1], sub);
            return 1;
        }
    }

    QSvgGenerator svg;
    svg.setFileName(folder.filePath("scalable/" + name + ".svg"));
    svg.setSize(QSize(256, 256));
    svg.setViewBox(QRect(0, 0, 256, 256));
    svg.setTitle("Kevaro");
    paintIcon(svg);

    for (int size : {48, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        paintIcon(image);
        const QString path = folder.filePath(QString("%1/%2.png").arg(size).arg(name));
        if (!image.save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return QFileInfo::exists(svg.fileName()) ? 0 : 1;
}
