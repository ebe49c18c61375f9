#!/usr/bin/env python3
"""Makes a .png beside every .bmp screenshot the test programs wrote, for a person to look at.

    tools/screenshots-png.py FOLDER

Only pictures newer than their .png are converted. A .bmp that cannot be read is named on stderr
and the others are still converted; the exit code says whether all went well.
"""
import pathlib
import sys

from PIL import Image


def convert(folder):
    failed = []
    for bmp in sorted(pathlib.Path(folder).glob("*.bmp")):
        png = bmp.with_suffix(".png")
        if png.exists() and png.stat().st_mtime >= bmp.stat().st_mtime:
            continue
        try:
            with Image.open(bmp) as im:
                im.convert("RGB").save(png)
        except (OSError, ValueError) as e:
            failed.append(f"{bmp.name}: {e}")
    return failed


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    if not pathlib.Path(argv[1]).is_dir():
        return 0
    failed = convert(argv[1])
    for f in failed:
        print(f"screenshots: {f}", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
