// Writes the Qt window, in the state of board_shot.h, as a picture at the screen's
// device pixel ratio (QT_SCALE_FACTOR sets it), its format by its name: board_shot FILE
#include "board_shot.h"
#include "app/qt/qt_platform.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: board_shot FILE\n");
        return 2;
    }
    fanbord::test::SilentMedia media;
    fanbord::qt::QtPlatform platform(media);
    fanbord::Fanbord form(platform);
    platform.connect(form);
    fanbord::test::hoistSwedishFlag(platform, form);
    return platform.window()->grab().toImage().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
