// Writes the program's icon as PNG files at build time: make_icon SIZE FILE [SIZE FILE ...].
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "ui/qt/Artwork.h"

int main(int argc, char** argv) {
    // The icon needs no display: draw it off screen wherever the package is built.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: make_icon SIZE FILE [SIZE FILE ...]\n");
        return 2;
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        int size = std::atoi(argv[i]);
        if (size < 16 || size > 1024 || !artwork::ApplicationIcon(size).save(QString::fromLocal8Bit(argv[i + 1]), "PNG")) {
            std::fprintf(stderr, "make_icon: cannot write a %s px icon to %s\n", argv[i], argv[i + 1]);
            return 1;
        }
    }
    return 0;
}
