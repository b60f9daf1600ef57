#!/usr/bin/env python3
"""Compares the Windows board with the Qt board, binary PPM pictures of one size:
    compare_boards.py [--stretched] WINDOWS.ppm QT.ppm DPI
Exits 0 when they match within the tolerance, 1 when they do not, saying how.

Both platforms draw the same pictures, rendered from the same vector sources at
the display's scale, so the tolerance is narrow:
- the caption lines are left out: each platform rasterises their text with its
  own fonts;
- the flag on the pole, which each platform shrinks from the framed copy with
  its own smoothing, may differ by at most 8 levels on average;
- every other pixel may differ by at most 2 levels in any channel.
--stretched first enlarges the Windows picture to twice its size, each pixel
to four: a board drawn at 96 dpi as it would look on a display of 192, and
sharper so than any system's stretch.
"""
import os
import sys

TEXT = [(8, 376, 255, 29), (424, 376, 136, 14), (424, 392, 136, 14)]  # Intro, ShowInfo(0), ShowInfo(1)
POLE_FLAG = (507, 112, 33, 18)  # Flag at the top of the pole
MOST_APART = 2
FLAG_MEAN = 8.0


def read_ppm(path):
    data = open(path, "rb").read()
    magic, width, height, depth, pixels = data.split(maxsplit=4)
    if magic != b"P6" or depth != b"255":
        sys.exit(f"{path}: not a binary PPM of 8-bit channels")
    width, height = int(width), int(height)
    return width, height, pixels[: width * height * 3]


def doubled(width, height, pixels):
    rows = []
    for y in range(height):
        row = pixels[y * width * 3 : (y + 1) * width * 3]
        wide = b"".join(row[i : i + 3] * 2 for i in range(0, len(row), 3))
        rows += [wide, wide]
    return 2 * width, 2 * height, b"".join(rows)


def main(args):
    stretched = args[:1] == ["--stretched"]
    windows_path, qt_path, dpi = args[1:] if stretched else args
    at = lambda v: (v * int(dpi) + 48) // 96  # a board coordinate on the display
    box = lambda l, t, w, h: (at(l), at(t), at(l + w), at(t + h))
    width, height, win = read_ppm(windows_path)
    if stretched:
        width, height, win = doubled(width, height, win)
    qt_size = read_ppm(qt_path)
    qt = qt_size[2]
    if (width, height) != qt_size[:2] or (width, height) != (at(566), at(420)):
        print(f"sizes differ: {width}x{height} against {qt_size[0]}x{qt_size[1]}; {at(566)}x{at(420)} wanted")
        return 1
    text = [box(*r) for r in TEXT]
    fl, ft, fr, fb = box(*POLE_FLAG)
    beyond, largest, flag_sum = 0, 0, 0
    for y in range(height):
        start, end = y * width * 3, (y + 1) * width * 3
        in_flag_rows = ft <= y < fb
        if win[start:end] == qt[start:end] and not in_flag_rows:
            continue
        skip = [(l, r) for l, t, r, b in text if t <= y < b]
        for x in range(width):
            if any(l <= x < r for l, r in skip):
                continue
            i = start + 3 * x
            apart = [abs(win[i + c] - qt[i + c]) for c in range(3)]
            if in_flag_rows and fl <= x < fr:
                flag_sum += sum(apart)
            elif max(apart) > MOST_APART:
                beyond += 1
                largest = max(largest, max(apart))
    flag_mean = flag_sum / (3 * (fr - fl) * (fb - ft))
    print(f"{os.path.basename(windows_path)}{' stretched' if stretched else ''} against {os.path.basename(qt_path)}: {beyond} pixels apart by more than "
          f"{MOST_APART} levels outside the caption lines and the pole flag (at most {largest}); "
          f"the pole flag {flag_mean:.2f} levels apart on average")
    return 0 if beyond == 0 and flag_mean <= FLAG_MEAN else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
