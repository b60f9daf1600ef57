#include "app/fanbord.h"

#include <cmath>
#include <limits>

namespace fanbord {

std::int16_t roundToInt16(double value) {
    if (std::isnan(value))
        return 0;
    const double r = std::nearbyint(value); // the default rounding mode sends halves to even
    if (r <= std::numeric_limits<std::int16_t>::min())
        return std::numeric_limits<std::int16_t>::min();
    if (r >= std::numeric_limits<std::int16_t>::max())
        return std::numeric_limits<std::int16_t>::max();
    return static_cast<std::int16_t>(r);
}

void Fanbord::playTimer_Timer() {
    if (!Player)
        return;
    if (Playing) {
        const double length = Player->duration();
        const double position = Player->currentPosition();
        if (!(position < length)) {
            StopPlay();
            Playing = false;
            w_.picProgBack->setVisible(false);
            return;
        }
    }
    w_.picProgBack->setVisible(true);
    ShowTime(roundToInt16(Player->currentPosition()));
}

void Fanbord::ShowTime(std::int16_t iDur) {
    w_.picProgBack->setVisible(true);
    w_.picProgBack->clear();
    const double length = Player ? Player->duration() : 0.0;
    // A piece that reports no length keeps the marker at the start.
    const double x = length > 0 ? std::nearbyint(iDur / length * w_.picProgBack->innerWidth()) : 0.0;
    w_.picProg->move(x, w_.picProg->top());
    platform_.yield();
}

} // namespace fanbord
