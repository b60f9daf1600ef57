#pragma once
// The thirty nations in tile order and the five further pieces. The rows come
// from nations.tsv, which the build also reads for the artwork and the music;
// every count and index below follows from them.
#include <array>
#include <cstddef>
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

inline constexpr Piece kPieces[] = {
#include "catalogue_table.inc"
};
inline constexpr int kPieceCount = int(std::size(kPieces));

// The row of a slug; one the table lacks stops the build.
consteval int pieceIndex(std::string_view slug) {
    for (int i = 0; i < kPieceCount; ++i)
        if (kPieces[i].slug == slug)
            return i;
    throw "nations.tsv has no such row";
}

// The nations are the rows with a tile, all before the special pieces.
consteval int countNations() {
    int n = 0;
    while (n < kPieceCount && !kPieces[n].tileName.empty())
        ++n;
    for (int i = n; i < kPieceCount; ++i)
        if (!kPieces[i].tileName.empty())
            throw "nations.tsv: a nation after the special pieces";
    return n;
}
inline constexpr int kNationCount = countNations();

inline constexpr int kSverige = pieceIndex("sverige"); // the tile whose flag the ceremony hoists
inline constexpr int kDrumRoll = pieceIndex("virvel");
inline constexpr int kGivAkt = pieceIndex("givakt");
inline constexpr int kParadmarsch = pieceIndex("paradmarsch");
inline constexpr int kI3Ik = pieceIndex("i3ik");
inline constexpr int kBlip = pieceIndex("blip");

inline std::string tileTooltip(int nation) { return std::string(kPieces[nation].genitive) + " flagga"; }

// The tables the window fills at start-up.
struct Catalogue {
    std::array<std::string, kNationCount> NationName;
    std::array<std::string, kPieceCount> MediaFile;
    std::array<std::int32_t, kNationCount> FlagX{};
    std::array<std::int32_t, kNationCount> FlagY{};
};

} // namespace fanbord
