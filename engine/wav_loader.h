#pragma once
// Decodes a WAV file with libsndfile into interleaved stereo at the output rate.
#include <string>
#include <vector>

namespace fanbord {

// False, with a reason, when the file is missing or not a readable sound.
bool loadWav(const std::string& path, int rate, std::vector<float>& stereo, std::string& why);

// Linear resampling to exactly round(frames * to / from) frames.
std::vector<float> resampleStereo(const std::vector<float>& stereo, int from, int to);

} // namespace fanbord
