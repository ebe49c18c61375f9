#!/usr/bin/python3
"""Writes a test picture with Pillow: make_fixture.py FORMAT MODE OUT [rle].

FORMAT is PCX, TGA or BMP; MODE a Pillow mode (1, L, P, RGB, RGBA). The picture is 37 x 23
(an odd width, so line padding matters) with a pattern that uses every channel.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../support"))
from pillow import from_pixels  # noqa: E402

W, H = 37, 23


def value(x, y, k):
    return (x * 7 + y * 13 + k * 71 + (x * y) % 17) % 256


def make(mode):
    if mode == "1":
        im = from_pixels("1", W, H, lambda x, y: 255 if (x + 2 * y) % 3 == 0 else 0)
    elif mode == "L":
        im = from_pixels("L", W, H, lambda x, y: value(x, y, 0))
    elif mode == "P":
        im = from_pixels("P", W, H, lambda x, y: value(x, y, 1))
        im.putpalette([c for i in range(256) for c in ((i * 3) % 256, (255 - i) % 256, (i * 11) % 256)])
    elif mode in ("RGB", "RGBA"):
        n = len(mode)
        im = from_pixels(mode, W, H, lambda x, y: tuple(value(x, y, k) if k < 3 else 255 - (x % 2) * 5
                                                        for k in range(n)))
    else:
        raise SystemExit("unknown mode " + mode)
    return im


def main():
    fmt, mode, out = sys.argv[1], sys.argv[2], sys.argv[3]
    rle = len(sys.argv) > 4 and sys.argv[4] == "rle"
    im = make(mode)
    if fmt == "TGA":
        im.save(out, format="TGA", compression="tga_rle" if rle else None)
    else:
        im.save(out, format=fmt)


if __name__ == "__main__":
    main()
