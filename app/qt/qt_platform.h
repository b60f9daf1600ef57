#pragma once
// The platform on Qt Widgets: one frameless window built from the layout table.
#include "app/qt/board.h"
#include "board/board_platform.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace fanbord::qt {

class MainWindow;

class QtPlatform final : public BoardPlatform {
public:
    explicit QtPlatform(MediaFramework& media, std::function<void()> atEnd = {});
    ~QtPlatform() override;

    // Runs the load handler once the event loop is up.
    void start();
    QWidget* window() const;
    BoardView* board() const { return board_; }

    void showWindow() override;
    void yieldFor(double seconds) override;
    double clock() const override;
    std::string programFolder() const override;
    char folderSeparator() const override;
    void blockCopy(CopyTarget dst, int x, int y, int w, int h, CopySource src, int xs, int ys) override;
    void showAbout(const std::string& title, const std::string& text) override;

private:
    std::unique_ptr<PictureBox> makeBox(const layout::WidgetRow& s) override;
    std::unique_ptr<Image> makeImage(const layout::WidgetRow& s, std::function<void()> click) override;
    std::unique_ptr<Label> makeLabel(const layout::WidgetRow& s) override;
    std::unique_ptr<Button> makeButton(const layout::WidgetRow& s, std::function<void()> click) override;
    std::unique_ptr<Timer> makeTimer(const layout::WidgetRow& s, std::function<void()> tick) override;
    QWidget* viewOf(const layout::WidgetRow& s) const;
    // The window that takes the focus for a row of the tab order.
    QWidget* focusViewOf(const layout::WidgetRow& s) const;
    // What the box shows, as an image; for the board, with its windowless widgets.
    QImage shownImage(const PictureBox& box) const;

    std::unique_ptr<MainWindow> window_; // the frameless window
    BoardView* board_ = nullptr;         // Pico's window: the board every widget stands on
    QTimer wake_; // ends a yield's sleep at the caller's time
};

} // namespace fanbord::qt
