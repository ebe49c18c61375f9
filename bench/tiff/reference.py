#!/usr/bin/python3
"""Reference side of the TIFF decoding benchmark, run natively (outside Wine).

  reference.py DIR   makes a 12-megapixel plasma picture with ImageMagick (fixed seed), writes it
                     in DIR as TIFF (Packbits and ZLib true colour, Group 4 black and white, JPEG
                     true colour; 8 bits per sample, as the program writes them), then times "convert FILE null:" on each: wall time, median of 5.
                     Writes DIR/reference.txt with "case seconds" lines.
"""
import os
import statistics
import subprocess
import sys
import time

CONVERT = "/usr/bin/convert"
ROUNDS = 5

CASES = [
    ("packbits", "packbits.tif", ["-type", "TrueColor", "-depth", "8", "-compress", "RLE", "TIFF:{}"]),
    ("zlib", "zlib.tif", ["-type", "TrueColor", "-depth", "8", "-compress", "Zip", "TIFF:{}"]),
    ("g4", "g4.tif", ["-monochrome", "-compress", "Group4", "TIFF:{}"]),
    ("jpeg", "jpeg.tif", ["-type", "TrueColor", "-depth", "8", "-compress", "JPEG", "-quality", "80", "TIFF:{}"]),
]


def main():
    folder = sys.argv[1]
    base = os.path.join(folder, "plasma.miff")
    subprocess.run([CONVERT, "-seed", "4242", "-size", "4000x3000", "plasma:fractal", base], check=True)
    lines = []
    for name, file_name, args in CASES:
        path = os.path.join(folder, file_name)
        subprocess.run([CONVERT, base] + [a.format(path) for a in args], check=True)
        times = []
        for _ in range(ROUNDS):
            t = time.perf_counter()
            subprocess.run([CONVERT, path, "null:"], check=True)
            times.append(time.perf_counter() - t)
        lines.append("%s %.6f\n" % (name, statistics.median(times)))
    with open(os.path.join(folder, "reference.txt"), "w") as f:
        f.writelines(lines)


main()
