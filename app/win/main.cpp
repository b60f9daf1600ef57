#include "app/fanbord.h"
#include "app/win/dshow_media.h"
#include "app/win/win_platform.h"

#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <objbase.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    // Waits and timers to the millisecond, not the 16 ms system tick.
    timeBeginPeriod(1);

    fanbord::win::DShowMedia media;
    fanbord::win::WinPlatform platform(instance, media);
    fanbord::Fanbord form(platform);
    platform.connect(form);
    platform.start();
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0)
        platform.dispatch(m);
    return 0;
}
