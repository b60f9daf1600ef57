#include "app/fanbord.h"
#include "app/qt/qt_platform.h"
#include "engine/audio_engine.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fanbord"));
    fanbord::EngineOptions options;
    options.programFolder = QCoreApplication::applicationDirPath().toStdString();
    fanbord::AudioEngine engine(options); // starts loading the SoundFont at once
    fanbord::qt::QtPlatform platform(engine);
    fanbord::Fanbord form(platform);
    platform.connect(form);
    platform.start();
    return app.exec();
}
