#!/usr/bin/python3
"""TIFF files for the cross-checks, made and read by Pillow.

  fixtures DIR     writes the fixture files into DIR, each with DIR/NAME.dump (every page)
  dump FILE...     writes FILE.dump for each file

A dump holds one line "PAGES" then per page a line "W H MODE" and W*H*3 bytes of RGB
(16-bit grey by its high byte).
"""
import os
import subprocess
import sys

from PIL import Image, ImageSequence

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../support"))
from pillow import convert, from_pixels, record, rgb_bytes, smooth  # noqa: E402


def dump(path):
    im = Image.open(path)
    pages = [p.copy() for p in ImageSequence.Iterator(im)]
    with open(path + ".dump", "wb") as f:
        f.write(b"%d\n" % len(pages))
        for p in pages:
            f.write(record((p.width, p.height, p.mode), rgb_bytes(p)))


def picture(w, h, seed):
    return from_pixels("RGB", w, h, lambda x, y: ((x * 7 + seed) & 255, (y * 5 + seed * 3) & 255,
                                                  ((x ^ y) * 3) & 255))


def fixtures(folder):
    rgb = picture(37, 23, 1)
    made = []

    def save(name, im, **kw):
        path = folder + "/" + name
        im.save(path, **kw)
        made.append(path)

    save("rgb_none.tif", rgb)
    save("rgb_packbits.tif", rgb, compression="packbits")
    save("rgb_deflate.tif", rgb, compression="tiff_deflate")
    save("rgb_jpeg.tif", smooth(64, 48), compression="jpeg", quality=95)
    save("grey_deflate.tif", rgb.convert("L"), compression="tiff_deflate")
    save("palette.tif", rgb.convert("P", palette=Image.ADAPTIVE, colors=200))
    bw = rgb.convert("L").point(lambda v: 255 if v > 100 else 0).convert("1")
    save("bw_group4.tif", bw, compression="group4")
    save("bw_none.tif", bw)
    save("lzw.tif", rgb, compression="tiff_lzw")
    pages = [picture(20, 10, 1), picture(15, 12, 50), picture(9, 9, 99)]
    save("pages.tif", pages[0], save_all=True, append_images=pages[1:])
    # Tiles come from ImageMagick (Pillow writes strips only); skipped when it is missing.
    tiled = folder + "/rgb_tiled.tif"
    try:
        convert(folder + "/rgb_none.tif", "-define", "tiff:tile-geometry=16x16", "-compress", "none", tiled)
        made.append(tiled)
    except (OSError, subprocess.CalledProcessError):
        pass
    for path in made:
        dump(path)


def main():
    if sys.argv[1] == "fixtures":
        fixtures(sys.argv[2])
    elif sys.argv[1] == "dump":
        for path in sys.argv[2:]:
            dump(path)
    else:
        sys.exit(2)


if __name__ == "__main__":
    main()
