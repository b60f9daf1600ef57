#pragma once
// Pictures on Windows: 32-bit top-down DIB sections with premultiplied alpha,
// the layout the pictures are rendered in at build time.
#include "app/platform.h"

#include <windows.h>

#include <cstdint>
#include <memory>

namespace fanbord::win {

class Bitmap {
public:
    Bitmap(int w, int h); // transparent
    ~Bitmap();
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    int width() const { return w_; }
    int height() const { return h_; }
    HDC dc() const { return dc_; } // the bitmap is selected into it for its whole life
    std::uint32_t* bits() const { return bits_; }

    void fill(Rgb colour);
    void clear(); // transparent
    // GDI drawing leaves the alpha byte at 0; what it drew is opaque.
    void makeOpaque(const RECT& area);

private:
    int w_, h_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

// A picture resource of the program, or null when it is missing.
std::shared_ptr<Bitmap> loadPicture(int resourceId);

// Source-over at (x, y), as the pictures are composed everywhere.
void drawOver(HDC dst, int x, int y, const Bitmap& picture);
// Scaled smoothly into the rectangle.
void drawStretched(HDC dst, const RECT& to, const Bitmap& picture);

struct WinPicture final : Picture {
    explicit WinPicture(std::shared_ptr<const Bitmap> b) : bitmap(std::move(b)) {}
    std::shared_ptr<const Bitmap> bitmap;
};

const Bitmap* bitmapOf(const PictureRef& picture);

inline COLORREF colourRef(Rgb c) { return RGB(c.r, c.g, c.b); }
inline Rgb rgbOf(COLORREF c) { return Rgb{GetRValue(c), GetGValue(c), GetBValue(c)}; }

} // namespace fanbord::win
