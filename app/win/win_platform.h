#pragma once
// The platform on Win32: one frameless window built from the layout table.
#include "app/platform.h"
#include "app/win/win_board.h"

#include <windows.h>

#include <memory>
#include <vector>

namespace fanbord::win {

class WinPlatform final : public Platform {
public:
    WinPlatform(HINSTANCE instance, MediaFramework& media);
    ~WinPlatform() override;

    void connect(FormEvents& events) { events_ = &events; }
    // Runs the load handler once the message loop is up.
    void start();
    HWND window() const { return window_; }
    // Hands a message of the program's loop to its window.
    void dispatch(MSG& m);

    const Widgets& widgets() const override { return widgets_; }
    void showWindow() override;
    [[noreturn]] void unloadWindow() override;
    [[noreturn]] void endProgram() override;
    void yield() override;
    double clock() const override;
    std::string programFolder() const override;
    char folderSeparator() const override { return '\\'; }
    void blockCopy(PictureBox& dst, int x, int y, int w, int h, PictureBox& src, int xs, int ys) override;
    void showAbout(const std::string& title, const std::string& text) override;
    MediaFramework& media() override { return media_; }

    LRESULT windowMessage(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);

private:
    void build();
    bool pump();
    std::shared_ptr<Bitmap> drawingContext(PictureBox& box) const;

    HINSTANCE instance_;
    MediaFramework& media_;
    FormEvents* events_ = nullptr;
    HWND window_ = nullptr;
    HICON icon_ = nullptr;
    std::unique_ptr<Board> board_;
    Widgets widgets_;
    std::vector<std::unique_ptr<Widget>> owned_;
    std::vector<std::unique_ptr<Timer>> timers_;
    bool unloading_ = false;
};

} // namespace fanbord::win
