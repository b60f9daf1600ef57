#include "app/fanbord.h"
#include "app/layout.h"

namespace fanbord {

void Fanbord::Init() {
    for (int i = 0; i < kNationCount; ++i)
        tables.NationName[i] = std::string(kPieces[i].genitive);
    for (int i = 0; i < kPieceCount; ++i)
        tables.MediaFile[i] = AppPath + std::string(kPieces[i].fileName);
    for (int i = 0; i < kNationCount; ++i)
        w_.Flagga[i]->setTooltip(tileTooltip(i));
    for (int i = 0; i < kNationCount; ++i) {
        tables.FlagX[i] = layout::tileLeft(i) + layout::kClothLeft;
        tables.FlagY[i] = layout::tileTop(i) + layout::kClothTop;
    }
}

} // namespace fanbord
