#pragma once
// Reads a media file whole, and tells what it holds, with the reason when it
// cannot be played: missing, a folder, unreadable, a read error, empty, or
// neither MIDI nor WAV.
#include <cstdint>
#include <string>
#include <vector>

namespace fanbord {

enum class MediaKind { Midi, Wav };

bool readMediaFile(const std::string& path, std::vector<std::uint8_t>& bytes, MediaKind& kind, std::string& why);

} // namespace fanbord
