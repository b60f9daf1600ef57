#include "app/fanbord.h"

#include <cmath>

namespace fanbord {

void Fanbord::Sleep(double Seconds) {
    double start = platform_.clock();
    for (;;) {
        const double elapsed = platform_.clock() - start;
        if (!(elapsed < Seconds))
            return;
        platform_.yieldFor(Seconds - elapsed);
        // The clock restarts at midnight; the comparison is deliberately at
        // single precision so that a start just before midnight is caught.
        if (static_cast<float>(start) > static_cast<float>(platform_.clock()))
            start -= 86400.0;
    }
}

void Fanbord::ClickEffect(Widget& widget) {
    const auto L = static_cast<std::int32_t>(std::nearbyint(widget.left()));
    const auto T = static_cast<std::int32_t>(std::nearbyint(widget.top()));
    widget.move(L - 1, T - 1);
    PlayBlip();
    Sleep(0.2);
    widget.move(L, T);
}

void Fanbord::PlayBlip() { platform_.media().playBlocking(tables.MediaFile[kBlip]); }

} // namespace fanbord
