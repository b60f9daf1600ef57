#include "catalogue/catalogue.h"

namespace fanbord {

const std::array<Piece, kPieceCount> kPieces = {{
#include "catalogue_table.inc"
}};

} // namespace fanbord
