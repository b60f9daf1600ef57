#include "app/win/win_art.h"

#include <algorithm>
#include <cstring>

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

std::shared_ptr<Bitmap> loadPicture(int resourceId) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!found)
        return nullptr;
    const DWORD size = SizeofResource(nullptr, found);
    HGLOBAL loaded = LoadResource(nullptr, found);
    const auto* data = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
    if (!data || size < 8)
        return nullptr;
    std::uint32_t wh[2];
    std::memcpy(wh, data, sizeof wh);
    if (wh[0] == 0 || wh[1] == 0 || wh[0] > 4096 || wh[1] > 4096 || size < 8 + std::uint64_t(wh[0]) * wh[1] * 4)
        return nullptr;
    auto picture = std::make_shared<Bitmap>(int(wh[0]), int(wh[1]));
    if (!picture->bits())
        return nullptr;
    std::memcpy(picture->bits(), data + 8, std::size_t(wh[0]) * wh[1] * 4);
    return picture;
}

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

const Bitmap* bitmapOf(const PictureRef& picture) {
    const auto* p = dynamic_cast<const WinPicture*>(picture.get());
    return p ? p->bitmap.get() : nullptr;
}

} // namespace fanbord::win
