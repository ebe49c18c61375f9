#!/usr/bin/python3
"""Reads a picture with Pillow and writes what it sees: read_with_pillow.py IN OUT.

OUT gets one text line "WIDTH HEIGHT MODE" and then the pixels as RGB bytes, top row first.
"""
import os
import sys

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../support"))
from pillow import record  # noqa: E402


def main():
    src, out = sys.argv[1], sys.argv[2]
    with Image.open(src) as im:
        im.load()
        with open(out, "wb") as f:
            f.write(record((im.width, im.height, im.mode), im.convert("RGB").tobytes()))


if __name__ == "__main__":
    main()
