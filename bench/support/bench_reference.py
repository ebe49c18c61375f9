"""Shared reference side of the decoding benchmarks, run natively (outside Wine).

The benchmark's reference.py lists its cases and calls time_convert_decoding(CASES): it makes a
12-megapixel plasma picture with ImageMagick (fixed seed) in the folder given as the first
argument, writes it once per case, then times "convert FILE null:" on each file: wall time,
median of ROUNDS. Writes FOLDER/reference.txt with "case seconds" lines.
"""
import os
import statistics
import subprocess
import sys
import time

CONVERT = "/usr/bin/convert"
ROUNDS = 5


def time_convert_decoding(cases):
    """cases: (name, file name, convert arguments with "{}" for the file's path) tuples."""
    folder = sys.argv[1]
    base = os.path.join(folder, "plasma.miff")
    subprocess.run([CONVERT, "-seed", "4242", "-size", "4000x3000", "plasma:fractal", base], check=True)
    lines = []
    for name, file_name, args in cases:
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
