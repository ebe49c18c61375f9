#!/usr/bin/python3
"""Cross-check pictures for the graphics tests, written and read with Pillow and ImageMagick.

  pictures.py bmp KIND OUT      write the test pattern as a .bmp: 1, 4, 8, 24, 32, rle8, os2
  pictures.py pixels IN OUT     Pillow opens IN; OUT gets "W H" and the RGBA pixels as hex words
  pictures.py ico OUT [FORMAT]  an .ico with 16 and 32 pixel entries of the icon pattern,
                                stored as "bmp" (the default) or "png" images
  pictures.py png IN OUT        IN (any picture Pillow reads) written as a PNG
  pictures.py icoinfo IN OUT    the sizes Pillow finds in IN; OUT.px the pixels of the 32 pixel entry

The patterns are the same formulas as in the C++ tests (Bitmap_test.cpp, Icon_test.cpp).
"""
import os
import sys
import tempfile

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../../support"))
from pillow import convert, from_pixels  # noqa: E402

W, H = 37, 23


def true_color(x, y):
    return ((x * 7 + y * 3) % 256, (y * 11 + 5) % 256, (x * y + 17) % 256)


def palette_color(i):
    return ((i * 37) % 256, (i * 91 + 7) % 256, (i * 53 + 11) % 256)


def palette_index(x, y, n):
    return (x + 3 * y) % n


def rle_index(x, y):
    return (x // 5 + 3 * y) % 256


def icon_color(x, y, size):
    """Opaque inside a circle-free square frame: the border pixel ring is transparent."""
    if x == 0 or y == 0 or x == size - 1 or y == size - 1:
        return (0, 0, 0, 0)
    return ((x * 255) // size, (y * 255) // size, 128 if size == 32 else 32, 255)


def palette_image(n, index):
    img = from_pixels("P", W, H, index)
    flat = []
    for i in range(256):
        flat.extend(palette_color(i) if n > 2 else ((0, 0, 0) if i == 0 else (255, 255, 255)))
    img.putpalette(flat)
    return img


def magick(img, target, *options):
    with tempfile.TemporaryDirectory() as d:
        src = os.path.join(d, "in.png")
        img.convert("RGB").save(src)
        convert(src, *options, target)


def write_bmp(kind, out):
    if kind == "1":
        from_pixels("1", W, H, lambda x, y: 255 if palette_index(x, y, 2) else 0).save(out, "BMP")
    elif kind == "4":
        # Sixteen colours: ImageMagick writes them as a 4-bit palette file.
        magick(palette_image(16, lambda x, y: palette_index(x, y, 16)), "BMP3:" + out, "-type", "Palette", "-colors", "16")
    elif kind == "8":
        palette_image(256, lambda x, y: palette_index(x, y, 256)).save(out, "BMP")
    elif kind == "24":
        from_pixels("RGB", W, H, true_color).save(out, "BMP")
    elif kind == "32":
        from_pixels("RGBA", W, H, lambda x, y: true_color(x, y) + (255,)).save(out, "BMP")
    elif kind == "rle8":
        magick(palette_image(256, rle_index), "BMP3:" + out, "-type", "Palette", "-compress", "RLE")
    elif kind == "os2":
        magick(from_pixels("RGB", W, H, true_color), "BMP2:" + out, "-type", "TrueColor")
    else:
        raise SystemExit("unknown kind " + kind)


def dump(img, out):
    img = img.convert("RGBA")
    w, h = img.size
    words = ["%02x%02x%02x%02x" % p for p in img.getdata()]
    with open(out, "w") as f:
        f.write("%d %d\n" % (w, h))
        for y in range(h):
            f.write(" ".join(words[y * w:(y + 1) * w]) + "\n")


def write_ico(out, fmt):
    big = from_pixels("RGBA", 32, 32, lambda x, y: icon_color(x, y, 32))
    small = from_pixels("RGBA", 16, 16, lambda x, y: icon_color(x, y, 16))
    big.save(out, "ICO", sizes=[(16, 16), (32, 32)], append_images=[small], bitmap_format=fmt)


def ico_info(src, out):
    img = Image.open(src)
    sizes = sorted(img.info.get("sizes", {img.size}))
    img.size = (32, 32) if (32, 32) in sizes else img.size
    img.load()
    dump(img, out + ".px")
    with open(out, "w") as f:
        f.write(" ".join("%dx%d" % s for s in sizes) + "\n")


def main(argv):
    cmd = argv[1]
    if cmd == "bmp":
        write_bmp(argv[2], argv[3])
    elif cmd == "pixels":
        dump(Image.open(argv[2]), argv[3])
    elif cmd == "ico":
        write_ico(argv[2], argv[3] if len(argv) > 3 else "bmp")
    elif cmd == "png":
        Image.open(argv[2]).save(argv[3], "PNG")
    elif cmd == "icoinfo":
        ico_info(argv[2], argv[3])
    else:
        raise SystemExit("unknown command " + cmd)


if __name__ == "__main__":
    main(sys.argv)
