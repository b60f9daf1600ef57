// Figures for the Windows program; prints, judges nothing. Run under Wine or
// on Windows, from anywhere:
//   Fanbord_bench.exe PROGRAM-FOLDER   CPU during a 10 s Sleep, in a pause after a
//                                      piece and while an anthem plays; Sleep
//                                      overshoot; input latency in a Sleep
#include "app/fanbord.h"
#include "app/win/win_platform.h"
#include "app/win/dshow_media.h"

#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

double seconds(const FILETIME& t) {
    return double(ULARGE_INTEGER{{t.dwLowDateTime, t.dwHighDateTime}}.QuadPart) / 1e7;
}

double cpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return seconds(kernel) + seconds(user);
}

LONGLONG counter() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double ms(LONGLONG from, LONGLONG to) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(to - from) * 1000.0 / double(f.QuadPart);
}

// CPU share of one core while `work` runs.
template <class F> double cpuShare(F work) {
    const double cpu0 = cpuSeconds();
    const LONGLONG t0 = counter();
    work();
    return (cpuSeconds() - cpu0) / (ms(t0, counter()) / 1000.0) * 100.0;
}

void printSpread(const char* what, std::vector<double> v) {
    std::sort(v.begin(), v.end());
    std::printf("%-29s%8.2f ms median, %.2f ms max (%zu)\n", what, v.empty() ? -1.0 : v[v.size() / 2],
                v.empty() ? -1.0 : v.back(), v.size());
}

// Input from another thread, stamped when posted and timed when handled.
std::vector<double> latencies;
LRESULT CALLBACK probeProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_APP) {
        latencies.push_back(ms(LONGLONG(lp), counter()));
        return 0;
    }
    return DefWindowProcW(hwnd, message, wp, lp);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: Fanbord_bench PROGRAM-FOLDER (holding the media files)\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    timeBeginPeriod(1); // as the program does
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    fanbord::win::DShowMedia media;
    fanbord::win::WinPlatform platform(instance, media);
    fanbord::Fanbord form(platform);
    platform.connect(form);
    form.AppPath = fanbord::appPathFrom(argv[1], platform.folderSeparator());
    form.Init();
    platform.showWindow();

    std::printf("cpu during a 10 s Sleep      %8.2f %% of a core\n", cpuShare([&] { form.Sleep(10.0); }));
    std::vector<double> late;
    for (int i = 0; i < 50; ++i) {
        const LONGLONG t0 = counter();
        form.Sleep(0.05);
        late.push_back(ms(t0, counter()) - 50.0);
    }
    printSpread("Sleep overshoot", late);

    WNDCLASSW probeClass{};
    probeClass.lpfnWndProc = probeProc;
    probeClass.hInstance = instance;
    probeClass.lpszClassName = L"FanbordBenchProbe";
    RegisterClassW(&probeClass);
    const HWND probe =
        CreateWindowW(L"FanbordBenchProbe", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    std::thread input([probe] {
        for (int i = 0; i < 20; ++i) {
            Sleep(97);
            PostMessageW(probe, WM_APP, 0, LPARAM(counter()));
        }
    });
    form.Sleep(2.5);
    input.join();
    printSpread("input latency in a Sleep", latencies);

    form.CurrentFile = form.tables.MediaFile[fanbord::kGivAkt];
    form.StartPlay();
    form.Sleep(form.Player->duration() + 0.5); // plays out by itself, as in the ceremony
    std::printf("cpu in a pause after a piece %8.2f %% of a core\n", cpuShare([&] { form.Sleep(4.0); }));
    form.CurrentFile = form.tables.MediaFile[22];
    form.StartPlay();
    std::printf("cpu while an anthem plays    %8.2f %% of a core\n", cpuShare([&] { form.Sleep(10.0); }));
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 0);
}
