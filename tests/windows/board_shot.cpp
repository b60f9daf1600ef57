// Writes the Windows program's window, in the state of board_shot.h, as a
// binary PPM at the display's dpi: board_shot FILE.ppm [DPI]
// With a DPI, the window is first moved to a monitor of that dpi as the system
// moves it: asked its size there, then told to take it, here on the same screen.
#include "board_shot.h"
#include "app/win/win_platform.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: board_shot FILE.ppm [DPI]\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    fanbord::test::SilentMedia media;
    fanbord::win::WinPlatform platform(GetModuleHandleW(nullptr), media);
    fanbord::Fanbord form(platform);
    platform.connect(form);
    fanbord::test::hoistSwedishFlag(platform, form);
    HWND window = platform.window();
    if (argc == 3) {
        const int dpi = std::atoi(argv[2]);
        SIZE size{};
        SendMessageW(window, WM_GETDPISCALEDSIZE, WPARAM(dpi), LPARAM(&size));
        RECT area;
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        const int left = area.left + (area.right - area.left - size.cx) / 2;
        const int top = area.top + (area.bottom - area.top - size.cy) / 2;
        RECT suggested{left, top, left + size.cx, top + size.cy};
        SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), LPARAM(&suggested));
    }
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);

    RECT client;
    GetClientRect(window, &client);
    const int w = client.right, h = client.bottom;
    fanbord::win::Bitmap shot(w, h);
    HDC dc = GetDC(window);
    BitBlt(shot.dc(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    GdiFlush();
    std::vector<unsigned char> rgb;
    for (int i = 0; i < w * h; ++i)
        for (int c : {16, 8, 0})
            rgb.push_back(static_cast<unsigned char>(shot.bits()[i] >> c));
    FILE* out = std::fopen(argv[1], "wb");
    if (!out)
        return 1;
    std::fprintf(out, "P6\n%d %d\n255\n", w, h);
    const bool written = std::fwrite(rgb.data(), 1, rgb.size(), out) == rgb.size();
    return std::fclose(out) == 0 && written ? 0 : 1;
}
