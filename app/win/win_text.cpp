#include "app/win/win_text.h"

#include <windows.h>

#include <cstdio>

namespace fanbord::win {

namespace {

std::string narrow(const std::wstring& wide, UINT codePage) {
    if (wide.empty())
        return {};
    const int n = WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(std::size_t(n), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

} // namespace

std::wstring widen(const std::string& utf8) {
    if (utf8.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring out(std::size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), n);
    return out;
}

std::string toUtf8(const std::wstring& wide) { return narrow(wide, CP_UTF8); }

std::string toAnsi(const std::string& utf8) { return narrow(widen(utf8), CP_ACP); }

std::string systemMessage(unsigned long code) {
    char number[32];
    std::snprintf(number, sizeof number, "error 0x%08lX", code);
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   DWORD(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string why = number;
    if (text) {
        std::string message = toUtf8(text);
        LocalFree(text);
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
            message.pop_back();
        if (!message.empty())
            why = message + " (" + number + ")";
    }
    return why;
}

} // namespace fanbord::win
