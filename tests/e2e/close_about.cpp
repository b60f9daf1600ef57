// Presses OK in the program's about box, as a person would: the box listens
// for the OK command, not for a close request. Exits 1 if no box is open.
#include <windows.h>

#include <cwchar>

namespace {

BOOL CALLBACK pressOk(HWND hwnd, LPARAM found) {
    wchar_t title[256] = L"";
    GetWindowTextW(hwnd, title, 256);
    if (IsWindowVisible(hwnd) && std::wcsstr(title, L"Information om detta flaggprogram")) {
        PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        *reinterpret_cast<bool*>(found) = true;
    }
    return TRUE;
}

} // namespace

int main() {
    bool found = false;
    EnumWindows(pressOk, LPARAM(&found));
    return found ? 0 : 1;
}
