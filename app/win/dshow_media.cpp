#include "app/win/dshow_media.h"

#include "app/win/win_text.h"

#include <dshow.h>
#include <mmsystem.h>
#include <windows.h>

#include <algorithm>

namespace fanbord::win {

namespace {

template <class T> class Com {
public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (p_)
            p_->Release();
    }
    T* operator->() const { return p_; }
    T** out() { return &p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

class DShowGraph final : public MediaGraph {
public:
    DShowGraph() {
        if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                    reinterpret_cast<void**>(graph_.out()))))
            return;
        graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(control_.out()));
        graph_->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(position_.out()));
        graph_->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(events_.out()));
    }
    ~DShowGraph() override {
        // Releasing the graph silences it; stopping first makes that immediate.
        if (control_)
            control_->Stop();
    }
    bool usable() const { return graph_ && control_ && position_; }

    bool renderFile(const std::string& path, std::string& why) override {
        const std::wstring wide = widen(path);
        if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) {
            why = "no such file";
            return false;
        }
        const HRESULT hr = graph_->RenderFile(wide.c_str(), nullptr);
        if (FAILED(hr)) {
            why = systemMessage(DWORD(hr));
            return false;
        }
        duration_ = -1;
        return true;
    }
    bool run(std::string& why) override {
        const HRESULT hr = control_->Run();
        if (FAILED(hr)) {
            why = systemMessage(DWORD(hr));
            return false;
        }
        return true;
    }
    void stop() override { control_->Stop(); }
    double duration() const override {
        // Fixed once the graph is built, and asked for on every pass of a wait.
        if (duration_ < 0) {
            REFTIME d = 0;
            if (FAILED(position_->get_Duration(&d)))
                return 0.0;
            duration_ = d;
        }
        return duration_;
    }
    double currentPosition() const override {
        REFTIME t = 0;
        if (FAILED(position_->get_CurrentPosition(&t)))
            t = 0;
        // The position must reach the length once the piece has played out,
        // whatever the renderer's last report was.
        if (completed())
            t = std::max(t, duration());
        last_ = std::max(last_, t); // the position only rises
        return last_;
    }

private:
    bool completed() const {
        if (complete_ || !events_)
            return complete_;
        long code = 0;
        LONG_PTR a = 0, b = 0;
        while (events_->GetEvent(&code, &a, &b, 0) == S_OK) {
            events_->FreeEventParams(code, a, b);
            if (code == EC_COMPLETE)
                complete_ = true;
        }
        return complete_;
    }

    Com<IGraphBuilder> graph_;
    Com<IMediaControl> control_;
    Com<IMediaPosition> position_;
    Com<IMediaEvent> events_;
    mutable bool complete_ = false;
    mutable double last_ = 0;
    mutable double duration_ = -1;
};

} // namespace

std::unique_ptr<MediaGraph> DShowMedia::createGraph() {
    auto graph = std::make_unique<DShowGraph>();
    if (!graph->usable())
        return nullptr;
    return graph;
}

void DShowMedia::playBlocking(const std::string& path) {
    // Flags 0: wait until the sound ends; a missing file gives the system's default sound.
    sndPlaySoundA(toAnsi(path).c_str(), 0);
}

} // namespace fanbord::win
