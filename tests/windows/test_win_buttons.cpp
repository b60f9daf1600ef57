// The owner-drawn buttons of the Windows program under their real window class.
#include "app/win/win_board.h"

#include <doctest.h>

#include <windows.h>

using namespace fanbord;
using namespace fanbord::win;

namespace {

int clicks = 0;

LRESULT CALLBACK parentProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_COMMAND && HIWORD(wp) == BN_CLICKED)
        ++clicks;
    return DefWindowProcW(hwnd, message, wp, lp);
}

} // namespace

TEST_CASE("a quick second press of a button is a second click, and Enter presses it as Space does") {
    WNDCLASSW wc{};
    wc.lpfnWndProc = parentProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ButtonTestParent";
    RegisterClassW(&wc);
    HWND parent = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 100, 60, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    REQUIRE(parent);
    HWND view = CreateWindowExW(0, L"BUTTON", L"Info", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 62, 30, parent,
                                nullptr, wc.hInstance, nullptr);
    REQUIRE(view);
    const Scale scale;
    WinButton button(view, scale, 62, 30, Rgb{0, 255, 255}, nullptr);
    // What the system sends for two presses in quick succession on a class with double-clicks.
    const LPARAM at = MAKELPARAM(10, 10);
    for (UINT down : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}) {
        SendMessageW(view, down, MK_LBUTTON, at);
        SendMessageW(view, WM_LBUTTONUP, 0, at);
    }
    CHECK(clicks == 2);
    // Through the dialog manager, as the program's message loop hands keys on.
    SetFocus(view);
    for (UINT key : {WM_KEYDOWN, WM_KEYUP}) {
        MSG m{view, key, VK_RETURN, 0, 0, {}};
        if (!IsDialogMessageW(parent, &m))
            DispatchMessageW(&m);
    }
    CHECK(clicks == 3);
    DestroyWindow(parent);
}
