#include "app/fanbord.h"

namespace fanbord {

namespace {

// Where the flag starts its climb and where it is pinned at the top.
constexpr double kFootLeft = 508, kFootTop = 284;
constexpr double kTopLeft = 507, kTopTop = 112;
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
    w_.Flag->move(kFootLeft, kFootTop);

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
    w_.Flag->move(kTopLeft, kTopTop);
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
        const double y = kFootTop - HoistStep * kRisePerTick;
        if (y >= kTopTop)
            w_.Flag->move(kFootLeft, y);
        ++HoistStep;
    } else {
        w_.Flag->move(kTopLeft, kTopTop);
        w_.Timer2->setEnabled(false);
    }
}

} // namespace fanbord
