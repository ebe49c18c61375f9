#!/usr/bin/python3
"""Reference side of the bitmap decoding benchmark, run natively (outside Wine).

  reference.py DIR   makes a 12-megapixel plasma picture with ImageMagick, writes it in DIR as
                     BMP and PCX (8 and 24 bits) and Targa (24 bits raw and RLE), then times
                     "convert FILE null:" on each: wall time, median of 5. Writes
                     DIR/reference.txt with "case seconds" lines.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from bench_reference import time_convert_decoding  # noqa: E402

CASES = [
    ("bmp8", "p8.bmp", ["-type", "Palette", "-colors", "256", "BMP3:{}"]),
    ("bmp24", "p24.bmp", ["-type", "TrueColor", "BMP3:{}"]),
    ("pcx8", "p8.pcx", ["-type", "Palette", "-colors", "256", "PCX:{}"]),
    ("pcx24", "p24.pcx", ["-type", "TrueColor", "PCX:{}"]),
    ("tga24", "p24.tga", ["-type", "TrueColor", "-compress", "None", "TGA:{}"]),
    ("tga24rle", "p24rle.tga", ["-type", "TrueColor", "-compress", "RLE", "TGA:{}"]),
]

time_convert_decoding(CASES)
