#pragma once
// Decodes a WAV file, read whole, with libsndfile into interleaved stereo at the output rate.
#include <cstdint>
#include <string>
#include <vector>

namespace fanbord {

// False, with a reason, when the bytes are not a readable WAV sound.
bool decodeWav(const std::vector<std::uint8_t>& bytes, int rate, std::vector<float>& stereo, std::string& why);

// Linear resampling to exactly round(frames * to / from) frames.
std::vector<float> resampleStereo(const std::vector<float>& stereo, int from, int to);

} // namespace fanbord
