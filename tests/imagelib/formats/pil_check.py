#!/usr/bin/python3
"""Pillow side of the format cross-checks.

read FILE OUT [FRAME]       Pillow reads FILE (frame FRAME), writes OUT: "W H\n" + RGB bytes.
make MODE FORMAT OUT [rle]  Pillow writes a patterned MODE picture as FORMAT to OUT, and its
                            RGB pixels as OUT.rgb in the same raw form.
icon OUT R G B              A 32 x 32 ICO, its right half transparent; OUT.rgb holds it
                            composited on the colour R, G, B.
"""
import os
import sys

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../support"))
from pillow import from_pixels, record  # noqa: E402


def raw(img, out):
    rgb = img.convert("RGB")
    with open(out, "wb") as f:
        f.write(record(rgb.size, rgb.tobytes()))


def pattern(mode, w=23, h=11):
    img = from_pixels("RGB", w, h, lambda x, y: ((x * 11 + y * 3) % 256, (x * y * 7) % 256,
                                                 (255 - x * 5 - y) % 256))
    if mode == "RGB":
        return img
    if mode == "RGBA":
        out = img.convert("RGBA")
        out.putalpha(200)
        return out
    if mode == "P":
        return img.convert("P", palette=Image.ADAPTIVE, colors=200)
    if mode == "L":
        return img.convert("L")
    if mode == "1":
        return img.convert("L").point(lambda v: 255 if v > 110 else 0).convert("1")
    raise SystemExit("bad mode")


def main():
    cmd = sys.argv[1]
    if cmd == "read":
        img = Image.open(sys.argv[2])
        if len(sys.argv) > 4:
            img.seek(int(sys.argv[4]))
        raw(img, sys.argv[3])
    elif cmd == "make":
        mode, fmt, out = sys.argv[2:5]
        img = pattern(mode)
        kw = {}
        if fmt == "TGA" and len(sys.argv) > 5:
            kw["rle"] = True
        if fmt == "PPM" and mode == "RGBA":
            img = img.convert("RGB")
        img.save(out, fmt, **kw)
        raw(img if mode != "RGBA" else img.convert("RGB"), out + ".rgb")
    elif cmd == "icon":
        out = sys.argv[2]
        bg = tuple(int(v) for v in sys.argv[3:6])
        img = pattern("RGB", 32, 32).convert("RGBA")
        img.putdata([p if i % 32 < 16 else (p[0], p[1], p[2], 0) for i, p in enumerate(img.getdata())])
        img.save(out, "ICO", sizes=[(32, 32)])
        flat = Image.new("RGB", img.size, bg)
        flat.paste(img, (0, 0), img)
        raw(flat, out + ".rgb")
    else:
        raise SystemExit("bad command")


if __name__ == "__main__":
    main()
