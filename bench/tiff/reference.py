#!/usr/bin/python3
"""Reference side of the TIFF decoding benchmark, run natively (outside Wine).

  reference.py DIR   makes a 12-megapixel plasma picture with ImageMagick (fixed seed), writes it
                     in DIR as TIFF (Packbits and ZLib true colour, Group 4 black and white, JPEG
                     true colour; 8 bits per sample, as the program writes them), then times
                     "convert FILE null:" on each: wall time, median of 5. Writes
                     DIR/reference.txt with "case seconds" lines.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from bench_reference import time_convert_decoding  # noqa: E402

CASES = [
    ("packbits", "packbits.tif", ["-type", "TrueColor", "-depth", "8", "-compress", "RLE", "TIFF:{}"]),
    ("zlib", "zlib.tif", ["-type", "TrueColor", "-depth", "8", "-compress", "Zip", "TIFF:{}"]),
    ("g4", "g4.tif", ["-monochrome", "-compress", "Group4", "TIFF:{}"]),
    ("jpeg", "jpeg.tif", ["-type", "TrueColor", "-depth", "8", "-compress", "JPEG", "-quality", "80", "TIFF:{}"]),
]

time_convert_decoding(CASES)
