#pragma once
// The thirty nations in tile order and the five further pieces. The rows come
// from nations.tsv, which the build also reads for the artwork and the music.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace fanbord {

struct Piece {
    std::string_view slug;     // names the artwork and the music source
    std::string_view tileName; // under the tile; empty for the special pieces
    std::string_view genitive; // caption line 0; empty for the special pieces
    std::string_view fileName; // beside the program, exactly so, letter case included
};

inline constexpr int kNationCount = 30;
inline constexpr int kPieceCount = 35;
inline constexpr int kSverige = 22; // the tile whose flag the ceremony hoists
inline constexpr int kDrumRoll = 30;
inline constexpr int kGivAkt = 31;
inline constexpr int kParadmarsch = 32;
inline constexpr int kI3Ik = 33;
inline constexpr int kBlip = 34;

extern const std::array<Piece, kPieceCount> kPieces;

inline std::string tileTooltip(int nation) { return std::string(kPieces[nation].genitive) + " flagga"; }

// The tables the window fills at start-up.
struct Catalogue {
    std::array<std::string, kNationCount> NationName;
    std::array<std::string, kPieceCount> MediaFile;
    std::array<std::int32_t, kNationCount> FlagX{};
    std::array<std::int32_t, kNationCount> FlagY{};
};

} // namespace fanbord
