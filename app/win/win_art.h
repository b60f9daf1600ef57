#pragma once
// Pictures on Windows: 32-bit top-down DIB sections with premultiplied alpha,
// the layout the pictures are rendered in at build time.
#include "app/layout.h"
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

// Source-over at (x, y), as the pictures are composed everywhere.
void drawOver(HDC dst, int x, int y, const Bitmap& picture);
// Scaled smoothly into the rectangle.
void drawStretched(HDC dst, const RECT& to, const Bitmap& picture);
// The picture at another size, each pixel the average of those it covers:
// smooth, and transparency kept.
std::unique_ptr<Bitmap> resampled(const Bitmap& picture, int w, int h);

// A picture on the board. Its size is in board pixels; its pixels are for the
// display it is shown on.
class WinPicture : public Picture {
public:
    WinPicture(int w, int h) : width_(w), height_(h) {}
    int width() const { return width_; }
    int height() const { return height_; }
    // Its pixels on a display of `dpi`, or null when it has none.
    virtual std::shared_ptr<const Bitmap> pixels(int dpi) const = 0;

private:
    int width_, height_;
};

// One of the program's pictures, rendered at build time for the common
// display scales; at any other it is made smoothly from the next larger one.
class ArtPicture final : public WinPicture {
public:
    ArtPicture(layout::Art art, int index);
    // Null when the program holds none of the renderings, or only damaged ones.
    std::shared_ptr<const Bitmap> pixels(int dpi) const override;

private:
    layout::Art art_;
    int index_;
    // The pixels last asked for; a window is on one display at a time.
    mutable int dpi_ = 0;
    mutable std::shared_ptr<const Bitmap> pixels_;
};

// What a picture box showed, at the display's scale when it was taken.
class Snapshot final : public WinPicture {
public:
    Snapshot(int w, int h, std::shared_ptr<const Bitmap> taken) : WinPicture(w, h), taken_(std::move(taken)) {}
    std::shared_ptr<const Bitmap> pixels(int) const override { return taken_; }

private:
    std::shared_ptr<const Bitmap> taken_;
};

const WinPicture* winPicture(const PictureRef& picture);

inline COLORREF colourRef(Rgb c) { return RGB(c.r, c.g, c.b); }
inline Rgb rgbOf(COLORREF c) { return Rgb{GetRValue(c), GetGValue(c), GetBValue(c)}; }

} // namespace fanbord::win
