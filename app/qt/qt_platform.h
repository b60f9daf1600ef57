#pragma once
// The platform on Qt Widgets: one frameless window built from the layout table.
#include "app/board_platform.h"
#include "app/qt/board.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace fanbord::qt {

class MainWindow;

class QtPlatform final : public BoardPlatform {
public:
    // `end` finishes the process; tests replace it.
    QtPlatform(MediaFramework& media, std::function<void()> end = {});
    ~QtPlatform() override;

    // Runs the load handler once the event loop is up.
    void start();
    QWidget* window() const;
    BoardView* board() const { return board_; }

    void showWindow() override;
    [[noreturn]] void unloadWindow() override {
        unloadOnce();
        endProgram();
    }
    [[noreturn]] void endProgram() override;
    void yieldFor(double seconds) override;
    double clock() const override;
    std::string programFolder() const override;
    char folderSeparator() const override;
    void blockCopy(PictureBox& dst, int x, int y, int w, int h, PictureBox& src, int xs, int ys) override;
    void showAbout(const std::string& title, const std::string& text) override;

private:
    std::unique_ptr<PictureBox> makeBox(const layout::WidgetSpec& s) override;
    std::unique_ptr<Image> makeImage(const layout::WidgetSpec& s, std::function<void()> click) override;
    std::unique_ptr<Label> makeLabel(const layout::WidgetSpec& s) override;
    std::unique_ptr<Button> makeButton(const layout::WidgetSpec& s, std::function<void()> click) override;
    std::unique_ptr<Timer> makeTimer(const layout::WidgetSpec& s, std::function<void()> tick) override;
    QWidget* viewOf(const layout::WidgetSpec& s) const;
    // The window that takes the focus for a row of the tab order.
    QWidget* focusViewOf(const layout::WidgetSpec& s) const;
    QImage drawingContext(PictureBox& box) const;

    std::function<void()> end_;          // runs as the program ends; tests put their own here
    std::unique_ptr<MainWindow> window_; // the frameless window
    BoardView* board_ = nullptr;         // Pico's window: the board every widget stands on
    QTimer wake_; // ends a yield's sleep at the caller's time
};

} // namespace fanbord::qt
