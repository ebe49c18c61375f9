#!/usr/bin/python3
"""Reference side of the JPEG/PNG codec benchmark, run natively (outside Wine).

  reference.py DIR   makes the test pictures in DIR, then times the reference tools on them:
                     one process per file, wall time, median of 5. Writes DIR/reference.txt
                     with "case seconds" lines.

Timing here, not from under Wine, keeps Wine's process start out of the reference figures.
"""
import statistics
import subprocess
import sys
import time

W, H, SEED = 4000, 3000, 4242  # 12 megapixels
ROUNDS = 5
CONVERT = "/usr/bin/convert"


def run(cmd, out=subprocess.DEVNULL):
    subprocess.run(cmd, check=True, stdout=out, stderr=subprocess.DEVNULL)


def median_time(cmd, out_path=None):
    times = []
    for _ in range(ROUNDS):
        t = time.perf_counter()
        if out_path:
            with open(out_path, "wb") as f:
                run(cmd, f)
        else:
            run(cmd)
        times.append(time.perf_counter() - t)
    return statistics.median(times)


def main():
    d = sys.argv[1]
    ppm = d + "/plasma.ppm"
    run([CONVERT, "-size", "%dx%d" % (W, H), "-seed", str(SEED), "plasma:fractal", "-depth", "8", ppm])
    with open(d + "/base.jpg", "wb") as f:
        run(["cjpeg", "-quality", "80", ppm], f)
    with open(d + "/prog.jpg", "wb") as f:
        run(["cjpeg", "-quality", "80", "-progressive", ppm], f)
    run([CONVERT, ppm, "-quality", "55", "-interlace", "none", d + "/plain.png"])
    res = {
        "jpeg_decode_baseline": median_time(["djpeg", "-outfile", "/dev/null", d + "/base.jpg"]),
        "jpeg_decode_progressive": median_time(["djpeg", "-outfile", "/dev/null", d + "/prog.jpg"]),
        "jpeg_encode_baseline": median_time(["cjpeg", "-quality", "80", "-outfile", "/dev/null", ppm]),
        "jpeg_encode_progressive": median_time(["cjpeg", "-quality", "80", "-progressive", "-outfile", "/dev/null", ppm]),
        "png_decode": median_time(["pngtopnm", d + "/plain.png"], "/dev/null"),
        "png_encode": median_time([CONVERT, ppm, "-quality", "55", "-interlace", "none", d + "/ref_out.png"]),
        # Process start alone (the same tool on nothing to do), so its share can be shown.
        "process_start": median_time(["cjpeg", "-version"]),
    }
    with open(d + "/reference.txt", "w") as f:
        for k, v in res.items():
            f.write("%s %.6f\n" % (k, v))


if __name__ == "__main__":
    main()
