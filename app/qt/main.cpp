#include "app/fanbord.h"
#include "app/qt/qt_platform.h"
#include "app/qt/quit_signals.h"
#include "engine/audio_engine.h"

#include <QApplication>

#include <memory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fanbord"));
    fanbord::EngineOptions options;
    options.programFolder = QCoreApplication::applicationDirPath().toStdString();
    // Starts loading the SoundFont at once. The program ends from inside its
    // handlers, so the engine is closed there: its sound stops and the device
    // closes before the process goes.
    auto engine = std::make_unique<fanbord::AudioEngine>(options);
    fanbord::qt::QtPlatform platform(*engine, [&engine] { engine.reset(); });
    fanbord::Fanbord form(platform);
    platform.connect(form);
    fanbord::qt::unloadOnSignals(platform);
    platform.start();
    return app.exec();
}
