#include "app/win/win_accessible.h"

#include "app/layout.h"
#include "app/win/win_board.h"
#include "app/win/win_text.h"
#include "board/board_item.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace fanbord::win {

namespace {

constexpr int kSelf = -1; // the object itself rather than one of its children
constexpr int kNone = -2; // no such child
constexpr UINT_PTR kObjectSubclass = 0xACC;

const layout::WidgetRow& rowOf(layout::Name name, int index = 0) {
    const auto& rows = layout::widgets();
    return *std::find_if(rows.begin(), rows.end(), [&](auto& s) { return s.name == name && s.index == index; });
}

std::string windowText(HWND window) {
    wchar_t text[64] = L"";
    GetWindowTextW(window, text, 64);
    return toUtf8(text);
}

HRESULT text(BSTR* out, const std::string& s) {
    if (!out)
        return E_POINTER;
    if (s.empty()) {
        *out = nullptr;
        return S_FALSE;
    }
    *out = SysAllocString(widen(s).c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

PixelRect placeOf(const AccessibleControl& c) {
    return {nearestPixel(c.widget->left()), nearestPixel(c.widget->top()), c.width, c.height};
}

bool pressable(const AccessibleControl& c) {
    return (c.tile >= 0 || c.window) && c.widget->visible();
}

// The tile beside `tile` in a direction on the screen, or -1 at the board's edge.
int tileBeside(int tile, long direction) {
    const int columns = layout::kTileColumns;
    switch (direction) {
    case NAVDIR_LEFT:
        return tile % columns ? tile - 1 : -1;
    case NAVDIR_RIGHT:
        return tile % columns < columns - 1 && tile + 1 < kNationCount ? tile + 1 : -1;
    case NAVDIR_UP:
        return tile >= columns ? tile - columns : -1;
    case NAVDIR_DOWN:
        return tile + columns < kNationCount ? tile + columns : -1;
    default:
        return -1;
    }
}

} // namespace

std::vector<AccessibleControl> accessibleControls(const Widgets& w) {
    using layout::Name;
    std::vector<AccessibleControl> out;
    auto add = [&](long role, const Widget* widget, Name name, int index = 0) -> AccessibleControl& {
        const layout::WidgetRow& row = rowOf(name, index);
        AccessibleControl& c = out.emplace_back();
        c.role = role;
        c.widget = widget;
        c.width = row.width;
        c.height = row.height;
        return c;
    };
    for (int i = 0; i < kNationCount; ++i) {
        AccessibleControl& tile = add(ROLE_SYSTEM_PUSHBUTTON, w.Flagga[i], Name::Flagga, i);
        tile.name = [image = w.Flagga[i]] { return image->tooltip(); };
        tile.tile = i;
    }
    add(ROLE_SYSTEM_GRAPHIC, w.Sponsor, Name::Sponsor).name = [] { return std::string(rowOf(Name::Sponsor).tooltip); };
    add(ROLE_SYSTEM_GRAPHIC, w.Flag, Name::Flag).name = [image = w.Flag] { return image->tooltip(); };
    AccessibleControl& bar = add(ROLE_SYSTEM_PROGRESSBAR, w.picProgBack, Name::picProgBack);
    bar.name = [] { return std::string(); };
    bar.value = [bar = w.picProgBack, marker = w.picProg] {
        const int width = bar->innerWidth();
        const double share = width > 0 ? std::clamp(marker->left() / width, 0.0, 1.0) : 0.0;
        return std::to_string(std::lround(share * 100)) + "%";
    };
    add(ROLE_SYSTEM_STATICTEXT, w.Intro, Name::Intro).name = [label = w.Intro] { return label->caption(); };
    for (auto [button, name] : {std::pair{w.Info, Name::Info}, std::pair{w.Quit, Name::Quit}}) {
        AccessibleControl& c = add(ROLE_SYSTEM_PUSHBUTTON, button, name);
        c.window = static_cast<const WinButton*>(button)->window();
        c.name = [window = c.window] { return windowText(window); };
    }
    for (int i = 0; i < 2; ++i)
        add(ROLE_SYSTEM_STATICTEXT, w.ShowInfo[i], Name::ShowInfo, i).name = [label = w.ShowInfo[i]] {
            return label->caption();
        };
    return out;
}

// One accessible object: the board's client area, whose children are its
// controls, or a button's own window, which has none.
class ControlObject final : public IAccessible {
public:
    ControlObject(BoardAccessibility& owner, int self) : owner_(&owner), self_(self) {}
    void disconnect() {
        owner_ = nullptr;
        CoDisconnectObject(this, 0);
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

    // IDispatch: clients call the interface directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override {
        if (!owner_)
            return CO_E_OBJNOTCONNECTED;
        if (self_ == kSelf)
            return AccessibleObjectFromWindow(board().window(), DWORD(OBJID_WINDOW), __uuidof(IDispatch),
                                              reinterpret_cast<void**>(out));
        return owner_->boardObject()->QueryInterface(__uuidof(IDispatch), reinterpret_cast<void**>(out));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!owner_)
            return CO_E_OBJNOTCONNECTED;
        *count = self_ == kSelf ? long(controls().size()) : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        *out = nullptr;
        const int t = target(child);
        if (t < 0 || t == self_)
            return owner_ ? E_INVALIDARG : CO_E_OBJNOTCONNECTED;
        if (ControlObject* object = owner_->objectOf(t))
            return object->QueryInterface(__uuidof(IDispatch), reinterpret_cast<void**>(out));
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        const int t = target(child);
        if (t == kNone)
            return failure();
        return text(out, t == kSelf ? std::string("Fanbord") : controls()[t].name());
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
        const int t = target(child);
        if (t == kNone)
            return failure();
        if (t == kSelf || !controls()[t].value)
            return DISP_E_MEMBERNOTFOUND;
        return text(out, controls()[t].value());
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
        return target(child) == kNone ? failure() : text(out, {});
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        const int t = target(child);
        if (t == kNone)
            return failure();
        out->vt = VT_I4;
        out->lVal = t == kSelf ? ROLE_SYSTEM_CLIENT : controls()[t].role;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
        const int t = target(child);
        if (t == kNone)
            return failure();
        out->vt = VT_I4;
        out->lVal = state(t);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* out) override {
        return target(child) == kNone ? failure() : text(out, {});
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR*, VARIANT, long*) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
        return target(child) == kNone ? failure() : text(out, {});
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
        if (!owner_)
            return CO_E_OBJNOTCONNECTED;
        VariantInit(out);
        const HWND focus = GetFocus();
        if (self_ != kSelf) {
            if (focus != controls()[self_].window)
                return S_FALSE;
            out->vt = VT_I4;
            out->lVal = CHILDID_SELF;
            return S_OK;
        }
        if (focus == board().window())
            return place(board().focusedTile() >= 0 ? indexOfTile(board().focusedTile()) : kSelf, out);
        for (std::size_t i = 0; i < controls().size(); ++i)
            if (controls()[i].window && controls()[i].window == focus)
                return place(int(i), out);
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT*) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
        const int t = target(child);
        if (t == kNone)
            return failure();
        if (t == kSelf || !pressable(controls()[t]))
            return DISP_E_MEMBERNOTFOUND;
        return text(out, "Press");
    }
    HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT child) override {
        const int t = target(child);
        if (t == kNone)
            return failure();
        RECT r{};
        if (t == kSelf)
            GetWindowRect(board().window(), &r);
        else
            r = board().toScreen(placeOf(controls()[t]));
        *x = r.left, *y = r.top, *w = r.right - r.left, *h = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* out) override {
        const int from = target(start);
        if (from == kNone)
            return failure();
        VariantInit(out);
        const int last = int(controls().size()) - 1;
        int to = kNone;
        if (from == kSelf) {
            if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD)
                to = direction == NAVDIR_FIRSTCHILD ? 0 : last;
        } else if (from == self_) {
            return DISP_E_MEMBERNOTFOUND; // a button's siblings are the board's to tell
        } else if (direction == NAVDIR_NEXT) {
            to = from < last ? from + 1 : kNone;
        } else if (direction == NAVDIR_PREVIOUS) {
            to = from > 0 ? from - 1 : kNone;
        } else if (controls()[from].tile >= 0) {
            const int tile = tileBeside(controls()[from].tile, direction);
            to = tile >= 0 ? indexOfTile(tile) : kNone;
        }
        return to == kNone ? S_FALSE : place(to, out);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* out) override {
        if (!owner_)
            return CO_E_OBJNOTCONNECTED;
        VariantInit(out);
        const POINT p{x, y};
        if (self_ != kSelf) {
            const RECT r = board().toScreen(placeOf(controls()[self_]));
            return PtInRect(&r, p) ? place(kSelf, out) : S_FALSE;
        }
        RECT area{};
        GetWindowRect(board().window(), &area);
        if (!PtInRect(&area, p))
            return S_FALSE;
        for (int i = int(controls().size()) - 1; i >= 0; --i) {
            const RECT r = board().toScreen(placeOf(controls()[i]));
            if (controls()[i].widget->visible() && PtInRect(&r, p))
                return place(i, out);
        }
        return place(kSelf, out);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        const int t = target(child);
        if (t == kNone)
            return failure();
        if (t == kSelf || !pressable(controls()[t]))
            return DISP_E_MEMBERNOTFOUND;
        // Later, from the message loop, as a click: the caller is not kept
        // waiting on what the press does, and a press that ends the program
        // still answers.
        const AccessibleControl& c = controls()[t];
        if (c.window)
            PostMessageW(c.window, BM_CLICK, 0, 0);
        else
            board().pressLater(c.tile);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    Board& board() const { return owner_->board(); }
    const std::vector<AccessibleControl>& controls() const { return owner_->controls(); }
    HRESULT failure() const { return owner_ ? E_INVALIDARG : CO_E_OBJNOTCONNECTED; }

    // What a child id names: kSelf, a control, or kNone (also once disconnected).
    int target(const VARIANT& child) const {
        if (!owner_ || child.vt != VT_I4)
            return kNone;
        if (child.lVal == CHILDID_SELF)
            return self_;
        if (self_ != kSelf || child.lVal < 1 || child.lVal > long(controls().size()))
            return kNone;
        return int(child.lVal - 1);
    }
    int indexOfTile(int tile) const {
        for (std::size_t i = 0; i < controls().size(); ++i)
            if (controls()[i].tile == tile)
                return int(i);
        return kSelf;
    }
    // A control as a child of this object: its own object if it has one.
    HRESULT place(int control, VARIANT* out) const {
        if (control == kSelf || control == self_) {
            out->vt = VT_I4;
            out->lVal = CHILDID_SELF;
        } else if (ControlObject* object = owner_->objectOf(control)) {
            out->vt = VT_DISPATCH;
            object->QueryInterface(__uuidof(IDispatch), reinterpret_cast<void**>(&out->pdispVal));
        } else {
            out->vt = VT_I4;
            out->lVal = control + 1;
        }
        return S_OK;
    }
    long state(int t) const {
        if (t == kSelf) {
            const HWND w = board().window();
            return STATE_SYSTEM_FOCUSABLE | (GetFocus() == w ? STATE_SYSTEM_FOCUSED : 0) |
                   (IsWindowVisible(w) ? 0 : STATE_SYSTEM_INVISIBLE);
        }
        const AccessibleControl& c = controls()[t];
        long s = c.widget->visible() ? 0 : STATE_SYSTEM_INVISIBLE;
        if (c.tile >= 0 || c.window) {
            s |= STATE_SYSTEM_FOCUSABLE;
            if ((c.tile >= 0 && board().focusedTile() == c.tile) || (c.window && GetFocus() == c.window))
                s |= STATE_SYSTEM_FOCUSED;
        } else {
            s |= STATE_SYSTEM_READONLY;
        }
        return s;
    }

    std::atomic<ULONG> refs_ = 1;
    BoardAccessibility* owner_; // null once the board is gone
    int self_;                  // the control it stands for; kSelf for the board
};

namespace {

// Answers for a button's window with the button's own object: the system's
// stand-in for a button has no Press.
LRESULT CALLBACK answerForButton(HWND hwnd, UINT message, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR object) {
    if (message == WM_GETOBJECT && LONG(lp) == OBJID_CLIENT)
        return LresultFromObject(__uuidof(IAccessible), wp, reinterpret_cast<ControlObject*>(object));
    return DefSubclassProc(hwnd, message, wp, lp);
}

} // namespace

BoardAccessibility::BoardAccessibility(Board& board, std::vector<AccessibleControl> controls)
    : board_(board), controls_(std::move(controls)), boardObject_(new ControlObject(*this, kSelf)) {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        seen_.push_back(seen(controls_[i]));
        ControlObject* object = nullptr;
        if (HWND window = controls_[i].window) {
            object = new ControlObject(*this, int(i));
            SetWindowSubclass(window, answerForButton, kObjectSubclass, DWORD_PTR(object));
        }
        objects_.push_back(object);
    }
}

BoardAccessibility::~BoardAccessibility() {
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (ControlObject* object = objects_[i]) {
            RemoveWindowSubclass(controls_[i].window, answerForButton, kObjectSubclass);
            object->disconnect();
            object->Release();
        }
    boardObject_->disconnect();
    boardObject_->Release();
}

LRESULT BoardAccessibility::object(WPARAM wp, LPARAM lp) {
    if (LONG(lp) != OBJID_CLIENT)
        return DefWindowProcW(board_.window(), WM_GETOBJECT, wp, lp);
    return LresultFromObject(__uuidof(IAccessible), wp, boardObject_);
}

BoardAccessibility::Seen BoardAccessibility::seen(const AccessibleControl& c) const {
    return {c.widget->visible(), c.name(), c.value ? c.value() : std::string()};
}

void BoardAccessibility::update() {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const Seen now = seen(controls_[i]), before = seen_[i];
        if (now == before)
            continue;
        seen_[i] = now;
        const LONG id = LONG(i + 1);
        if (now.shown != before.shown)
            NotifyWinEvent(now.shown ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, board_.window(), OBJID_CLIENT, id);
        if (now.name != before.name)
            NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, board_.window(), OBJID_CLIENT, id);
        if (now.value != before.value)
            NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, board_.window(), OBJID_CLIENT, id);
    }
}

void BoardAccessibility::focusOn(int tile) {
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (controls_[i].tile == tile)
            NotifyWinEvent(EVENT_OBJECT_FOCUS, board_.window(), OBJID_CLIENT, LONG(i + 1));
}

} // namespace fanbord::win
