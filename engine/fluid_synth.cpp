#include "engine/synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <filesystem>

namespace fanbord {

namespace {

class FluidSynth final : public Synth {
public:
    FluidSynth(fluid_settings_t* settings, fluid_synth_t* synth) : settings_(settings), synth_(synth) {}
    ~FluidSynth() override {
        delete_fluid_synth(synth_);
        delete_fluid_settings(settings_);
    }
    void send(std::uint8_t status, std::uint8_t d1, std::uint8_t d2) override {
        const int ch = status & 0x0F;
        switch (status & 0xF0) {
        case 0x80: fluid_synth_noteoff(synth_, ch, d1); break;
        case 0x90: fluid_synth_noteon(synth_, ch, d1, d2); break;
        case 0xA0: fluid_synth_key_pressure(synth_, ch, d1, d2); break;
        case 0xB0: fluid_synth_cc(synth_, ch, d1, d2); break;
        case 0xC0: fluid_synth_program_change(synth_, ch, d1); break;
        case 0xD0: fluid_synth_channel_pressure(synth_, ch, d1); break;
        case 0xE0: fluid_synth_pitch_bend(synth_, ch, d1 | d2 << 7); break;
        default: break;
        }
    }
    void reset() override { fluid_synth_system_reset(synth_); }
    void render(float* out, int frames) override {
        // FluidSynth mixes into separate left and right buffers, made once:
        // the audio thread never allocates.
        for (int done = 0; done < frames;) {
            const int n = std::min(frames - done, kChunk);
            std::fill_n(left_.begin(), n, 0.0f);
            std::fill_n(right_.begin(), n, 0.0f);
            float* dry[2] = {left_.data(), right_.data()};
            fluid_synth_process(synth_, n, 0, nullptr, 2, dry);
            for (int i = 0; i < n; ++i) {
                out[2 * (done + i)] += left_[std::size_t(i)];
                out[2 * (done + i) + 1] += right_[std::size_t(i)];
            }
            done += n;
        }
    }

private:
    static constexpr int kChunk = 1024;
    fluid_settings_t* settings_;
    fluid_synth_t* synth_;
    std::array<float, kChunk> left_{}, right_{};
};

} // namespace

std::vector<std::string> soundFontCandidates(const std::string& programFolder) {
    std::vector<std::string> c;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(programFolder, ec))
        if (entry.path().extension() == ".sf2")
            c.push_back(entry.path().string());
    for (const char* f : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
                          "/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/soundfonts/default.sf2",
                          "/usr/share/soundfonts/FluidR3_GM.sf2"})
        c.emplace_back(f);
    return c;
}

std::unique_ptr<Synth> makeFluidSynth(const std::vector<std::string>& candidates, int rate, std::string& loaded) {
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr); // its own chatter stays off our stderr
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    for (const std::string& path : candidates) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec))
            continue;
        fluid_settings_t* settings = new_fluid_settings();
        fluid_settings_setnum(settings, "synth.sample-rate", rate);
        fluid_settings_setnum(settings, "synth.gain", 0.4);
        fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
        fluid_settings_setint(settings, "synth.threadsafe-api", 0);
        fluid_settings_setint(settings, "synth.cpu-cores", 1);
        fluid_synth_t* synth = new_fluid_synth(settings);
        if (synth && fluid_synth_sfload(synth, path.c_str(), 1) != FLUID_FAILED) {
            loaded = path;
            return std::make_unique<FluidSynth>(settings, synth);
        }
        if (synth)
            delete_fluid_synth(synth);
        delete_fluid_settings(settings);
    }
    return nullptr;
}

} // namespace fanbord
