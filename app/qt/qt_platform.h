#pragma once
// The platform on Qt Widgets: one frameless window built from the layout table.
#include "app/platform.h"
#include "app/qt/board.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace fanbord::qt {

class MainWindow;

class QtPlatform final : public Platform {
public:
    // `end` finishes the process; tests replace it.
    QtPlatform(MediaFramework& media, std::function<void()> end = {});
    ~QtPlatform() override;

    void connect(FormEvents& events) { events_ = &events; }
    // Runs the load handler once the event loop is up.
    void start();
    QWidget* window() const;
    BoardView* board() const { return board_; }

    const Widgets& widgets() const override { return widgets_; }
    void showWindow() override;
    [[noreturn]] void unloadWindow() override;
    [[noreturn]] void endProgram() override;
    void yield() override;
    double clock() const override;
    std::string programFolder() const override;
    char folderSeparator() const override;
    void blockCopy(PictureBox& dst, int x, int y, int w, int h, PictureBox& src, int xs, int ys) override;
    void showAbout(const std::string& title, const std::string& text) override;
    MediaFramework& media() override { return media_; }

private:
    void build();
    QImage drawingContext(PictureBox& box) const;

    MediaFramework& media_;
    std::function<void()> end_;
    FormEvents* events_ = nullptr;
    std::unique_ptr<MainWindow> window_;
    BoardView* board_ = nullptr;
    Widgets widgets_;
    std::vector<std::unique_ptr<Widget>> owned_;
    std::vector<std::unique_ptr<Timer>> timers_;
    QTimer wake_;
    bool unloading_ = false;
};

} // namespace fanbord::qt
