// The real program as a screen reader on Windows meets it: through Microsoft
// Active Accessibility from another process, with the focus followed through
// out-of-context event hooks. Short pieces of its own keep the ceremony short.
#include "app/win/win_text.h"
#include "catalogue/catalogue.h"
#include "engine/midi_bytes.h"

#include <doctest.h>

#include <windows.h>

#include <objbase.h>
#include <oleacc.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace fanbord;
using namespace fanbord::win;

namespace {

struct Event {
    DWORD event;
    HWND window;
    LONG object, child;
};
std::vector<Event> events; // as they arrive; read only outside the hook

// Only records: a COM call here would let the next event in first.
void CALLBACK record(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
    events.push_back({event, window, object, child});
}

// Runs the thread's messages, and so the hook, until `done` or the deadline.
bool waitFor(double seconds, const std::function<bool()>& done) {
    const ULONGLONG end = GetTickCount64() + ULONGLONG(seconds * 1000);
    for (;;) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&m);
        if (done())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            return false;
        // Looks again at least every tenth of a second for what sends no message.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(std::min<ULONGLONG>(end - now, 100)), QS_ALLINPUT);
    }
}

// A short piece: `notes` quarter notes at 120 a minute, on a trumpet.
void writePiece(const std::wstring& path, int notes) {
    test::Track t;
    t.at(0, {0xC0, 56});
    for (int n = 0; n < notes; ++n)
        t.at(0, {0x90, std::uint8_t(60 + 2 * n), 100}).at(480, {0x80, std::uint8_t(60 + 2 * n), 0});
    const test::Bytes file = test::smf(0, 480, {t.end()});
    std::ofstream(path.c_str(), std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
}

std::wstring dosPath(const std::string& unixPath) {
    std::wstring p = L"Z:" + widen(unixPath);
    for (wchar_t& c : p)
        if (c == L'/')
            c = L'\\';
    return p;
}

VARIANT childId(LONG id) {
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::string bstrText(BSTR s) {
    std::string out = s ? toUtf8(s) : std::string();
    SysFreeString(s);
    return out;
}

// A control as a client holds it: its object, and its id in that object.
struct Node {
    IAccessible* object = nullptr;
    LONG id = CHILDID_SELF;

    std::string name() const {
        BSTR s = nullptr;
        object->get_accName(childId(id), &s);
        return bstrText(s);
    }
    long role() const {
        VARIANT v;
        VariantInit(&v);
        object->get_accRole(childId(id), &v);
        return v.vt == VT_I4 ? v.lVal : 0;
    }
    long state() const {
        VARIANT v;
        VariantInit(&v);
        object->get_accState(childId(id), &v);
        return v.vt == VT_I4 ? v.lVal : 0;
    }
    std::string action() const {
        BSTR s = nullptr;
        object->get_accDefaultAction(childId(id), &s);
        return bstrText(s);
    }
    std::string value() const {
        BSTR s = nullptr;
        object->get_accValue(childId(id), &s);
        return bstrText(s);
    }
    RECT place() const {
        long x = 0, y = 0, w = 0, h = 0;
        object->accLocation(&x, &y, &w, &h, childId(id));
        return {x, y, x + w, y + h};
    }
};

std::wstring roleText(long role) {
    wchar_t text[64] = L"";
    GetRoleTextW(DWORD(role), text, 64);
    return text;
}

std::wstring stateText(long state) {
    std::wstring out;
    for (long bit = 1; bit; bit <<= 1)
        if (state & bit) {
            wchar_t text[64] = L"";
            GetStateTextW(DWORD(bit), text, 64);
            out += (out.empty() ? L"" : L", ") + std::wstring(text);
        }
    return out.empty() ? L"normal" : out;
}

// The board's children as the client sees them, with their ids in the board.
std::vector<Node> childrenOf(IAccessible* board) {
    long count = 0;
    board->get_accChildCount(&count);
    std::vector<VARIANT> found(static_cast<std::size_t>(count));
    long obtained = 0;
    AccessibleChildren(board, 0, count, found.data(), &obtained);
    std::vector<Node> out;
    for (long i = 0; i < obtained; ++i) {
        if (found[i].vt == VT_DISPATCH) {
            IAccessible* own = nullptr;
            found[i].pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&own));
            found[i].pdispVal->Release();
            out.push_back({own, CHILDID_SELF});
        } else {
            board->AddRef();
            out.push_back({board, found[i].lVal});
        }
    }
    return out;
}

// The name of what an event is about, asked after the event.
std::string nameOf(const Event& e) {
    IAccessible* object = nullptr;
    VARIANT child;
    VariantInit(&child);
    if (FAILED(AccessibleObjectFromEvent(e.window, DWORD(e.object), DWORD(e.child), &object, &child)) || !object)
        return {};
    const std::string name = Node{object, child.lVal}.name();
    object->Release();
    return name;
}

void press(WORD key) {
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = key;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

// Presses a key and waits for the focus to land on the control named
// `expected`; returns that name, or else where the focus went.
std::string focusAfter(WORD key, const std::string& expected) {
    const std::size_t from = events.size();
    press(key);
    std::size_t next = from;
    std::string seen = "the focus went to:";
    const bool found = waitFor(20, [&] {
        for (; next < events.size(); ++next)
            if (events[next].event == EVENT_OBJECT_FOCUS) {
                const std::string name = nameOf(events[next]);
                if (name == expected)
                    return true;
                seen += " \"" + name + "\"";
            }
        return false;
    });
    return found ? expected : seen;
}

struct Program {
    PROCESS_INFORMATION info{};
    ~Program() {
        if (info.hProcess && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(info.hProcess, 1);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
};

} // namespace

TEST_CASE("a screen reader lists the board, presses a flag by its action, follows the keys and ends the program") {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"fanbord-msaa-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring exe = folder + L"\\Fanbord.exe";
    REQUIRE(CopyFileW(dosPath(FANBORD_EXE).c_str(), exe.c_str(), FALSE));
    for (int piece : {kGivAkt, kParadmarsch, kI3Ik, kSverige})
        writePiece(folder + L"\\" + widen(std::string(kPieces[piece].fileName)), 2);

    Program program;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    REQUIRE(CreateProcessW(exe.c_str(), nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, folder.c_str(),
                           &startup, &program.info));
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_VALUECHANGE, nullptr, record,
                                         program.info.dwProcessId, 0, WINEVENT_OUTOFCONTEXT);
    REQUIRE(hook);
    ResumeThread(program.info.hThread);

    HWND window = nullptr, boardWindow = nullptr;
    REQUIRE(waitFor(30, [&] {
        window = FindWindowW(L"FanbordWindow", L"Fanbord");
        boardWindow = window ? FindWindowExW(window, nullptr, L"FanbordBoard", nullptr) : nullptr;
        return boardWindow && IsWindowVisible(window);
    }));
    IAccessible* board = nullptr;
    REQUIRE(SUCCEEDED(AccessibleObjectFromWindow(boardWindow, DWORD(OBJID_CLIENT), __uuidof(IAccessible),
                                                 reinterpret_cast<void**>(&board))));
    const std::vector<Node> controls = childrenOf(board);
    auto find = [&](const std::string& name) {
        for (std::size_t i = 0; i < controls.size(); ++i)
            if (controls[i].name() == name)
                return LONG(i + 1);
        FAIL("no control named " << name);
        return LONG(0);
    };
    const LONG quit = find("Sluta"), sverige = find(tileTooltip(kSverige));
    const Node& quitNode = controls[std::size_t(quit - 1)];
    auto revealed = [&] {
        for (const Event& e : events)
            if (e.event == EVENT_OBJECT_SHOW && e.window == boardWindow && e.child == quit)
                return true;
        return false;
    };
    // Hidden until the ceremony is over; a slow start may have missed that.
    if (!revealed())
        CHECK((quitNode.state() & STATE_SYSTEM_INVISIBLE) != 0);
    REQUIRE_MESSAGE(waitFor(60, revealed), "Sluta was never shown");
    CHECK((quitNode.state() & STATE_SYSTEM_INVISIBLE) == 0);

    // Where a tile lies and what lies beside it.
    const RECT tile = controls[std::size_t(sverige - 1)].place();
    VARIANT hit;
    VariantInit(&hit);
    board->accHitTest((tile.left + tile.right) / 2, (tile.top + tile.bottom) / 2, &hit);
    CHECK((hit.vt == VT_I4 && hit.lVal == sverige));
    VARIANT beside;
    VariantInit(&beside);
    board->accNavigate(NAVDIR_RIGHT, childId(sverige), &beside);
    CHECK((beside.vt == VT_I4 && Node{board, beside.lVal}.name() == tileTooltip(kSverige + 1)));

    // Pressed by its action, the flag names its nation in the caption line.
    std::size_t from = events.size();
    REQUIRE(board->accDoDefaultAction(childId(sverige)) == S_OK);
    REQUIRE_MESSAGE(waitFor(30,
                            [&] {
                                for (; from < events.size(); ++from)
                                    if (events[from].event == EVENT_OBJECT_NAMECHANGE &&
                                        nameOf(events[from]) == "Sveriges")
                                        return true;
                                return false;
                            }),
                    "no caption line read Sveriges");

    // What a screen reader sees now, for whoever reads the output.
    std::printf("the board: %ls, %ls, %zu controls\n", roleText(Node{board}.role()).c_str(),
                stateText(Node{board}.state()).c_str(), controls.size());
    int tiles = 0, buttons = 0;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const Node& c = controls[i];
        const RECT r = c.place();
        std::printf("%3zu %-13ls \"%s\"%s%s  [%ls]%s%s  at %ld,%ld %ldx%ld\n", i + 1, roleText(c.role()).c_str(),
                    c.name().c_str(), c.value().empty() ? "" : " value ", c.value().c_str(),
                    stateText(c.state()).c_str(), c.action().empty() ? "" : "  action ", c.action().c_str(), r.left,
                    r.top, r.right - r.left, r.bottom - r.top);
        if (c.role() == ROLE_SYSTEM_PUSHBUTTON) {
            CHECK(c.action() == "Press");
            CHECK((c.state() & STATE_SYSTEM_FOCUSABLE) != 0);
            (c.name().ends_with(" flagga") ? tiles : buttons)++;
        }
    }
    CHECK(tiles == kNationCount);
    CHECK(buttons == 2);

    // The keys: Tab in the table's order, Sluta before Info, then back to the
    // tiles, where the arrows move the focus.
    SetForegroundWindow(window);
    REQUIRE(waitFor(20, [&] { return GetForegroundWindow() == window; }));
    CHECK(focusAfter(VK_TAB, "Sluta") == "Sluta");
    CHECK(focusAfter(VK_TAB, "Info") == "Info");
    CHECK(focusAfter(VK_TAB, tileTooltip(0)) == tileTooltip(0));
    CHECK(focusAfter(VK_RIGHT, tileTooltip(1)) == tileTooltip(1));
    CHECK(focusAfter(VK_DOWN, tileTooltip(7)) == tileTooltip(7)); // a row down
    VARIANT focus;
    VariantInit(&focus);
    board->get_accFocus(&focus);
    CHECK((focus.vt == VT_I4 && Node{board, focus.lVal}.name() == tileTooltip(7)));

    // Sluta, pressed by its action, ends the program well.
    REQUIRE(quitNode.object->accDoDefaultAction(childId(quitNode.id)) == S_OK);
    REQUIRE(WaitForSingleObject(program.info.hProcess, 30000) == WAIT_OBJECT_0);
    DWORD status = 1;
    GetExitCodeProcess(program.info.hProcess, &status);
    CHECK(status == 0);

    for (const Node& c : controls)
        c.object->Release();
    board->Release();
    UnhookWinEvent(hook);
    DeleteFileW(exe.c_str());
    for (int piece : {kGivAkt, kParadmarsch, kI3Ik, kSverige})
        DeleteFileW((folder + L"\\" + widen(std::string(kPieces[piece].fileName))).c_str());
    RemoveDirectoryW(folder.c_str());
}
