#include "catalogue/catalogue.h"

#include <iterator>

namespace fanbord {

namespace {

// The table's rows as the build read them from nations.tsv.
constexpr Piece kRows[] = {
#include "catalogue_table.inc"
};
static_assert(std::size(kRows) == kPieceCount, "nations.tsv and kPieceCount disagree");

} // namespace

const std::array<Piece, kPieceCount> kPieces = std::to_array(kRows);

} // namespace fanbord
