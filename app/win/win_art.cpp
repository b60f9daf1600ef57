#include "app/win/win_art.h"

#include "app/win/resource_ids.h"
#include "app/win/win_scale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

namespace fanbord::win {

Bitmap::Bitmap(int w, int h) : w_(std::max(w, 1)), h_(std::max(h, 1)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w_;
    info.bmiHeader.biHeight = -h_; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint32_t*>(bits);
    if (bitmap_)
        old_ = SelectObject(dc_, bitmap_);
    clear();
}

Bitmap::~Bitmap() {
    if (old_)
        SelectObject(dc_, old_);
    if (bitmap_)
        DeleteObject(bitmap_);
    if (dc_)
        DeleteDC(dc_);
}

void Bitmap::clear() {
    GdiFlush();
    if (bits_)
        std::memset(bits_, 0, std::size_t(w_) * std::size_t(h_) * 4);
}

void Bitmap::fill(Rgb c) {
    GdiFlush();
    if (!bits_)
        return;
    const std::uint32_t pixel = 0xff000000u | (std::uint32_t(c.r) << 16) | (std::uint32_t(c.g) << 8) | c.b;
    std::fill(bits_, bits_ + std::size_t(w_) * std::size_t(h_), pixel);
}

void Bitmap::makeOpaque(const RECT& area) {
    GdiFlush();
    if (!bits_)
        return;
    const int l = std::max<int>(area.left, 0), r = std::min<int>(area.right, w_);
    const int t = std::max<int>(area.top, 0), b = std::min<int>(area.bottom, h_);
    for (int y = t; y < b; ++y)
        for (int x = l; x < r; ++x)
            bits_[std::size_t(y) * std::size_t(w_) + std::size_t(x)] |= 0xff000000u;
}

namespace {

// A picture resource of the program in runs of one colour, or null when it is
// missing or damaged.
std::shared_ptr<Bitmap> loadPicture(int resourceId) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!found)
        return nullptr;
    const DWORD size = SizeofResource(nullptr, found);
    HGLOBAL loaded = LoadResource(nullptr, found);
    const auto* data = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
    if (!data || size < 8 || size % 8)
        return nullptr;
    std::uint32_t wh[2];
    std::memcpy(wh, data, sizeof wh);
    if (wh[0] == 0 || wh[1] == 0 || wh[0] > 8192 || wh[1] > 8192)
        return nullptr;
    auto picture = std::make_shared<Bitmap>(int(wh[0]), int(wh[1]));
    if (!picture->bits())
        return nullptr;
    std::uint32_t* to = picture->bits();
    std::size_t left = std::size_t(wh[0]) * wh[1];
    for (DWORD at = 8; at < size; at += 8) {
        std::uint32_t run[2];
        std::memcpy(run, data + at, sizeof run);
        if (run[0] == 0 || run[0] > left)
            return nullptr;
        to = std::fill_n(to, run[0], run[1]);
        left -= run[0];
    }
    return left == 0 ? picture : nullptr;
}

// For each of `n` pixels along a line of `length` source pixels, the source
// pixels it covers and the share of it each covers.
struct Tap {
    int from;
    float share;
};
std::vector<std::vector<Tap>> taps(int length, int n) {
    std::vector<std::vector<Tap>> out(static_cast<std::size_t>(n));
    const double step = double(length) / n;
    for (int i = 0; i < n; ++i) {
        const double a = i * step, b = (i + 1) * step;
        for (int s = int(a); s < length && s < b; ++s) {
            const double covered = std::min<double>(s + 1, b) - std::max<double>(s, a);
            if (covered > 0)
                out[std::size_t(i)].push_back({s, float(covered / step)});
        }
    }
    return out;
}

} // namespace

void drawOver(HDC dst, int x, int y, const Bitmap& picture) {
    GdiFlush();
    const BLENDFUNCTION over{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dst, x, y, picture.width(), picture.height(), picture.dc(), 0, 0, picture.width(), picture.height(),
               over);
}

void drawStretched(HDC dst, const RECT& to, const Bitmap& picture) {
    GdiFlush();
    const int mode = SetStretchBltMode(dst, HALFTONE);
    SetBrushOrgEx(dst, 0, 0, nullptr);
    StretchBlt(dst, to.left, to.top, to.right - to.left, to.bottom - to.top, picture.dc(), 0, 0, picture.width(),
               picture.height(), SRCCOPY);
    SetStretchBltMode(dst, mode);
}

std::unique_ptr<Bitmap> resampled(const Bitmap& picture, int w, int h) {
    auto out = std::make_unique<Bitmap>(w, h);
    GdiFlush();
    if (!picture.bits() || !out->bits())
        return out;
    const auto across = taps(picture.width(), out->width()), down = taps(picture.height(), out->height());
    std::vector<std::array<float, 4>> row(std::size_t(out->width()));
    for (int y = 0; y < out->height(); ++y) {
        std::fill(row.begin(), row.end(), std::array<float, 4>{});
        for (const Tap& v : down[std::size_t(y)]) {
            const std::uint32_t* line = picture.bits() + std::size_t(v.from) * std::size_t(picture.width());
            for (std::size_t x = 0; x < row.size(); ++x)
                for (const Tap& t : across[x])
                    for (int c = 0; c < 4; ++c)
                        row[x][std::size_t(c)] += v.share * t.share * float((line[t.from] >> (8 * c)) & 0xffu);
        }
        std::uint32_t* to = out->bits() + std::size_t(y) * row.size();
        for (std::size_t x = 0; x < row.size(); ++x) {
            std::uint32_t pixel = 0;
            for (int c = 0; c < 4; ++c)
                pixel |= std::uint32_t(std::clamp(std::lround(row[x][std::size_t(c)]), 0l, 255l)) << (8 * c);
            to[x] = pixel;
        }
    }
    return out;
}

ArtPicture::ArtPicture(layout::Art art, int index)
    : WinPicture(layout::artSize(art).width, layout::artSize(art).height), art_(art), index_(index) {}

std::shared_ptr<const Bitmap> ArtPicture::pixels(int dpi) const {
    if (dpi == dpi_ && pixels_)
        return pixels_;
    const Scale scale{dpi};
    const int w = scale.px(width()), h = scale.px(height());
    // The rendering with no fewer pixels than the display needs, the nearest
    // such first; then the larger ones, and last the smaller, largest first.
    std::vector<std::size_t> order(kArtScales.size());
    std::iota(order.begin(), order.end(), 0);
    const double percent = dpi * 100.0 / kBoardDpi;
    std::stable_partition(order.begin(), order.end(), [&](std::size_t s) { return kArtScales[s] >= percent; });
    std::reverse(std::find_if(order.begin(), order.end(), [&](std::size_t s) { return kArtScales[s] < percent; }),
                 order.end());
    for (std::size_t s : order)
        if (auto rendered = loadPicture(artResourceId(art_, index_, s))) {
            dpi_ = dpi;
            pixels_ = std::move(rendered);
            if (pixels_->width() != w || pixels_->height() != h)
                pixels_ = resampled(*pixels_, w, h);
            return pixels_;
        }
    return nullptr;
}

const WinPicture* winPicture(const PictureRef& picture) {
    return dynamic_cast<const WinPicture*>(picture.get());
}

} // namespace fanbord::win
