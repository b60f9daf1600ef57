#include "app/fanbord.h"
#include "app/layout.h"

namespace fanbord {

namespace {

using layout::kHoistFootLeft, layout::kHoistFootTop, layout::kPoleTopLeft, layout::kPoleTopTop;
constexpr double kRisePerTick = 3.555556;
constexpr std::int16_t kLastHoistStep = 54;
constexpr double kPauseAfterPiece = 4.0;

} // namespace

void Fanbord::waitForPieceEnd() {
    double untilEnd = 0; // not known before the first look
    for (;;) {
        platform_.yieldFor(untilEnd);
        if (!Player)
            return;
        const double position = Player->currentPosition();
        const double length = Player->duration();
        if (!(position < length))
            return;
        untilEnd = length - position;
    }
}

void Fanbord::Parade() {
    w_.Flag->setPicture(w_.Sverige->picture());
    w_.Flag->move(kHoistFootLeft, kHoistFootTop);

    // Call to attention.
    CurrentFile = tables.MediaFile[kGivAkt];
    setCaptions("Giv akt !", "");
    StartPlay();
    waitForPieceEnd();
    Sleep(kPauseAfterPiece);
    StopPlay();

    // Parade march while the flag climbs.
    CurrentFile = tables.MediaFile[kParadmarsch];
    setCaptions("Arméns", "paradmarsch");
    StartPlay();
    w_.Timer2->setEnabled(true);
    waitForPieceEnd();
    w_.Timer2->setEnabled(false);
    w_.Flag->move(kPoleTopLeft, kPoleTopTop);
    Sleep(kPauseAfterPiece);

    // Recognition signal.
    CurrentFile = tables.MediaFile[kI3Ik];
    setCaptions("Livregementets Grenadjärers", "igenkänningssignal");
    StartPlay();
    w_.Timer2->setEnabled(true);
    waitForPieceEnd();
    Sleep(kPauseAfterPiece);
}

void Fanbord::Timer2_Timer() {
    if (HoistStep <= kLastHoistStep) {
        const double y = kHoistFootTop - HoistStep * kRisePerTick;
        if (y >= kPoleTopTop)
            w_.Flag->move(kHoistFootLeft, y);
        ++HoistStep;
    } else {
        w_.Flag->move(kPoleTopLeft, kPoleTopTop);
        w_.Timer2->setEnabled(false);
    }
}

} // namespace fanbord
