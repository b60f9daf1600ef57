// The Windows board at a display's scale: what the program tells the system,
// where a click lands, and pictures at scales between the rendered ones.
#include "app/win/win_art.h"
#include "app/win/win_scale.h"
#include "app/win/win_text.h"

#include <doctest.h>

#include <windows.h>

#include <string>

using namespace fanbord;
using namespace fanbord::win;

namespace {

// A setting of this program's manifest, the same as the program's, or empty.
std::string manifestSetting(const wchar_t* space, const wchar_t* name) {
    wchar_t value[64] = L"";
    SIZE_T written = 0;
    return QueryActCtxSettingsW(0, nullptr, space, name, value, 64, &written) ? toUtf8(value) : "";
}

} // namespace

TEST_CASE("the program scales itself on each monitor: systems of every age read so from its manifest") {
    CHECK(manifestSetting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness") ==
          "PerMonitorV2, PerMonitor");
    CHECK(manifestSetting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware") == "true/pm");
}

TEST_CASE("a click anywhere on the display lands on the board pixel drawn there") {
    for (int dpi : {96, 120, 144, 168, 192, 240}) {
        const Scale scale{dpi};
        for (int v = -20; v < 600; ++v)
            for (int x = scale.px(v); x < scale.px(v + 1); ++x)
                REQUIRE_MESSAGE(scale.boardPixel(x) == v, "display pixel " << x << " at " << dpi << " dpi");
    }
}

TEST_CASE("between and beyond the rendered scales, pictures come at the display's size, smooth and still clear "
          "where they were") {
    for (auto [dpi, w, h] : {std::tuple{110, 87, 74}, std::tuple{240, 190, 163}}) {
        const auto tile = ArtPicture(layout::Art::Tile, 0).pixels(dpi);
        REQUIRE(tile);
        CHECK(tile->width() == w);
        CHECK(tile->height() == h);
    }
    // Red, red, clear, clear, made five pixels wide: the share each covers.
    Bitmap picture(4, 1);
    picture.bits()[0] = picture.bits()[1] = 0xffff0000u;
    const auto wider = resampled(picture, 5, 1);
    CHECK(wider->bits()[0] == 0xffff0000u);
    CHECK(wider->bits()[2] == 0x80800000u);
    CHECK(wider->bits()[4] == 0u);
}
