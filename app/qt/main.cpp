#include "app/fanbord.h"
#include "app/qt/qt_platform.h"
#include "media/engine/audio_engine.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fanbord"));
    fanbord::AudioEngine engine(fanbord::EngineOptions{});
    fanbord::qt::QtPlatform platform(engine);
    fanbord::Fanbord form(platform);
    platform.connect(form);
    platform.start();
    return app.exec();
}
