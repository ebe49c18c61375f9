#!/usr/bin/python3
"""Reference side of the bitmap decoding benchmark, run natively (outside Wine).

  reference.py DIR   makes a 12-megapixel plasma picture with ImageMagick, writes it in DIR as
                     BMP and PCX (8 and 24 bits) and Targa (24 bits raw and RLE), then times
                     "convert FILE null:" on each: wall time, median of 5. Writes
                     DIR/reference.txt with "case seconds" lines.
"""
import os
import statistics
import subprocess
import sys
import time

CONVERT = "/usr/bin/convert"
ROUNDS = 5

CASES = [
    ("bmp8", "p8.bmp", ["-type", "Palette", "-colors", "256", "BMP3:{}"]),
    ("bmp24", "p24.bmp", ["-type", "TrueColor", "BMP3:{}"]),
    ("pcx8", "p8.pcx", ["-type", "Palette", "-colors", "256", "PCX:{}"]),
    ("pcx24", "p24.pcx", ["-type", "TrueColor", "PCX:{}"]),
    ("tga24", "p24.tga", ["-type", "TrueColor", "-compress", "None", "TGA:{}"]),
    ("tga24rle", "p24rle.tga", ["-type", "TrueColor", "-compress", "RLE", "TGA:{}"]),
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
