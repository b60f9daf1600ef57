#include "engine/synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <filesystem>

namespace fanbord {

namespace {

constexpr int kDrumChannel = 9;
constexpr double kGain = 0.3;
constexpr int kDrumBank = 128;

// A preset's place in the SoundFont: banks 0 to 127, and the drum bank.
constexpr int presetKey(int bank, int program) {
    return bank * 128 + program;
}
constexpr int kPresetKeys = presetKey(kDrumBank + 1, 0);

// What a song's program changes will select, the way FluidSynth picks: the
// bank from controller 0 (its default GS style), the drum bank on channel 10,
// and a melodic program's fallback to bank 0.
std::vector<int> presetsOf(const MidiSong& song) {
    std::array<int, 16> bank{};
    std::vector<int> keys;
    for (const MidiEvent& e : song.events) {
        const int channel = e.status & 0x0F;
        if ((e.status & 0xF0) == 0xB0 && e.data1 == 0)
            bank[std::size_t(channel)] = e.data2;
        if ((e.status & 0xF0) != 0xC0)
            continue;
        if (channel == kDrumChannel) {
            keys.push_back(presetKey(kDrumBank, e.data1));
        } else {
            keys.push_back(presetKey(bank[std::size_t(channel)], e.data1));
            keys.push_back(presetKey(0, e.data1));
        }
    }
    return keys;
}

// With dynamic sample loading, selecting a preset loads its samples and
// deselecting frees them, on whichever thread sends the program change. So
// every preset a piece will select is pinned before the piece reaches the
// audio thread, and stays: there, a program change only counts.
class FluidSynth final : public Synth {
public:
    FluidSynth(fluid_settings_t* settings, fluid_synth_t* synth, int soundFont)
        : settings_(settings), synth_(synth), soundFont_(soundFont) {
        // What every channel starts on, and where an unknown program falls back.
        pin(presetKey(0, 0));
        pin(presetKey(kDrumBank, 0));
    }
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
    // Not fluid_synth_system_reset(): it reselects presets through the
    // loader. Here the programs go back to presets pinned at start.
    void reset() override {
        fluid_synth_all_notes_off(synth_, -1);
        fluid_synth_all_sounds_off(synth_, -1);
        for (int channel = 0; channel < 16; ++channel) {
            fluid_synth_cc(synth_, channel, 121, 0); // reset all controllers
            fluid_synth_cc(synth_, channel, 7, 100); // volume
            fluid_synth_cc(synth_, channel, 10, 64); // pan
            fluid_synth_cc(synth_, channel, 0, 0);   // bank
            fluid_synth_program_change(synth_, channel, 0);
        }
    }
    bool hasPresetsFor(const MidiSong& song) const override {
        for (int key : presetsOf(song))
            if (!pinned_[std::size_t(key)])
                return false;
        return true;
    }
    void loadPresetsFor(const MidiSong& song) override {
        for (int key : presetsOf(song))
            pin(key);
    }
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
    // A preset the SoundFont lacks fails to pin; it is not asked for again.
    void pin(int key) {
        if (pinned_[std::size_t(key)])
            return;
        fluid_synth_pin_preset(synth_, soundFont_, key / 128, key % 128);
        pinned_[std::size_t(key)] = true;
    }

    static constexpr int kChunk = 1024;
    fluid_settings_t* settings_;
    fluid_synth_t* synth_;
    int soundFont_;
    std::vector<bool> pinned_ = std::vector<bool>(kPresetKeys); // the interface thread's
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
        // Headroom for the band's loudest moment: the parade march's last
        // fortissimo chord, brass in unison and octaves, sums to three times
        // the gain where its voices meet in phase. At 0.3 it peaks at 0.91
        // with the room, the anthems at 0.64 and below.
        fluid_settings_setnum(settings, "synth.gain", kGain);
        // Only the presets the pieces select are loaded (pinned, see above):
        // a fraction of the SoundFont's memory and load time.
        fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
        // Debian's FluidSynth runs its reverb and chorus in an OpenMP region
        // that allocates and frees its team on every buffer: off, so that the
        // audio thread never touches the heap. The room is ours (reverb.h).
        fluid_settings_setint(settings, "synth.reverb.active", 0);
        fluid_settings_setint(settings, "synth.chorus.active", 0);
        fluid_settings_setint(settings, "synth.threadsafe-api", 0);
        fluid_settings_setint(settings, "synth.cpu-cores", 1);
        fluid_synth_t* synth = new_fluid_synth(settings);
        const int id = synth ? fluid_synth_sfload(synth, path.c_str(), 1) : FLUID_FAILED;
        if (id != FLUID_FAILED) {
            loaded = path;
            return std::make_unique<FluidSynth>(settings, synth, id);
        }
        if (synth)
            delete_fluid_synth(synth);
        delete_fluid_settings(settings);
    }
    return nullptr;
}

} // namespace fanbord
