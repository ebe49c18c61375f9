#!/usr/bin/python3
"""Reads a picture with Pillow and writes what it sees: read_with_pillow.py IN OUT.

OUT gets one text line "WIDTH HEIGHT MODE" and then the pixels as RGB bytes, top row first.
"""
import sys

from PIL import Image


def main():
    src, out = sys.argv[1], sys.argv[2]
    with Image.open(src) as im:
        im.load()
        rgb = im.convert("RGB")
        with open(out, "wb") as f:
            f.write(("%d %d %s\n" % (im.width, im.height, im.mode)).encode("ascii"))
            f.write(rgb.tobytes())


if __name__ == "__main__":
    main()
