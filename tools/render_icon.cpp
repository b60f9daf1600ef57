// Renders the program's icon to a PNG for the desktop's icon theme.
#include "app/qt/artwork.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: render_icon SIZE OUT.png\n");
        return 2;
    }
    return fanbord::qt::iconPicture(std::atoi(argv[1])).save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
