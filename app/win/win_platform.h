#pragma once
// The platform on Win32: one frameless window built from the layout table.
#include "app/win/win_board.h"
#include "board/board_platform.h"

#include <windows.h>

#include <memory>
#include <vector>

namespace fanbord::win {

class WinPlatform final : public BoardPlatform {
public:
    WinPlatform(HINSTANCE instance, MediaFramework& media);
    ~WinPlatform() override;

    // Runs the load handler once the message loop is up.
    void start();
    const Scale& scale() const { return scale_; }
    HWND window() const { return window_; }
    // Hands a message of the program's loop to its window.
    void dispatch(MSG& m);

    void showWindow() override;
    void yieldFor(double seconds) override;
    double clock() const override;
    std::string programFolder() const override;
    char folderSeparator() const override { return '\\'; }
    void blockCopy(CopyTarget dst, int x, int y, int w, int h, CopySource src, int xs, int ys) override;
    void showAbout(const std::string& title, const std::string& text) override;

    LRESULT windowMessage(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);

private:
    std::unique_ptr<PictureBox> makeBox(const layout::WidgetRow& s) override;
    std::unique_ptr<Image> makeImage(const layout::WidgetRow& s, std::function<void()> click) override;
    std::unique_ptr<Label> makeLabel(const layout::WidgetRow& s) override;
    std::unique_ptr<Button> makeButton(const layout::WidgetRow& s, std::function<void()> click) override;
    std::unique_ptr<Timer> makeTimer(const layout::WidgetRow& s, std::function<void()> tick) override;
    HWND windowOf(const layout::WidgetRow& s) const;
    // The window that takes the focus for a row of the tab order.
    HWND focusWindowOf(const layout::WidgetRow& s) const;
    // Moves the focus to the next (or previous) control in the tab order.
    void tab(bool backward);
    bool pump();
    // What the box shows, as an image; for the board, with its windowless widgets.
    std::shared_ptr<Bitmap> shownImage(const PictureBox& box) const;
    // Everything at the scale of a display of `dpi`.
    void rescale(int dpi);

    HINSTANCE instance_;
    Scale scale_;                  // of the monitor the window is on
    HWND window_ = nullptr;        // the frameless window
    HICON icon_ = nullptr;         // the program's icon, also the about box's
    HWND focusReturn_ = nullptr;   // the control that had the focus when the window went inactive
    std::unique_ptr<Board> board_; // Pico's window: the board every widget stands on
    // The tick handlers by timer id; WM_TIMER carries only the id.
    std::vector<std::function<void()>> ticks_;
};

} // namespace fanbord::win
