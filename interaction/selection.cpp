#include "app/fanbord.h"
#include "app/layout.h"

namespace fanbord {

void Fanbord::Flagga_Click(std::int16_t Index) {
    if (Index < 0 || Index >= kNationCount)
        return;
    ClickEffect(*w_.Flagga[Index]);
    CurrentFlag = Index;
    PictureBox& kompis = *w_.Kompis;
    kompis.clear();
    InsertCopy(CopySource(*w_.Pico), CopyTarget(kompis), 0, 0, tables.FlagX[Index], tables.FlagY[Index]);
    // A frame two pixels wide around the copy of the cloth.
    const int right = layout::kClothWidth - 1, bottom = layout::kClothHeight - 1;
    kompis.outline(0, 0, right, bottom, layout::kBlack);
    kompis.outline(1, 1, right - 1, bottom - 1, layout::kBlack);
    w_.Flag->setTooltip(w_.Flagga[Index]->tooltip());
    w_.Flag->move(layout::kPoleTopLeft, layout::kPoleTopTop);
    w_.Flag->setPicture(kompis.snapshot());
    CurrentFile = tables.MediaFile[CurrentFlag];
    setCaptions(tables.NationName[CurrentFlag], "nationalhymn");
    if (AutoPlay)
        StartPlay();
}

void Fanbord::InsertCopy(CopySource D, CopyTarget E, std::int16_t X, std::int16_t Y, std::int32_t XSrc,
                         std::int32_t YSrc) {
    platform_.blockCopy(E, X, Y, E.box.width(), E.box.height(), D, XSrc, YSrc);
}

} // namespace fanbord
