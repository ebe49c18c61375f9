#!/usr/bin/env python3
"""Makes a .png beside every .bmp screenshot the test programs wrote, for a person to look at.

    tools/screenshots-png.py FOLDER [--list FILE]
    tools/screenshots-png.py FOLDER NAME...

Only pictures newer than their .png are converted. A .bmp that cannot be read is named on stderr
and the others are still converted. With --list, FILE holds one line per picture a test program
says it saves ("picture entry", written by the build): each that has no .png afterwards is named
on stderr with its entry. With names, only those pictures are converted, and a name without its
.bmp is an error. The exit code says whether all went well.
"""
import pathlib
import sys

from PIL import Image


def convert(bmps):
    failed = []
    for bmp in bmps:
        png = bmp.with_suffix(".png")
        if png.exists() and png.stat().st_mtime >= bmp.stat().st_mtime:
            continue
        try:
            with Image.open(bmp) as im:
                im.convert("RGB").save(png)
        except (OSError, ValueError) as e:
            failed.append(f"{bmp.name}: {e}")
    return failed


def listed(list_file):
    """The (picture, entry) pairs of a list file; a missing file lists nothing."""
    try:
        lines = pathlib.Path(list_file).read_text().splitlines()
    except FileNotFoundError:
        return []
    pairs = []
    for line in lines:
        words = line.split()
        if words:
            pairs.append((words[0], " ".join(words[1:])))
    return pairs


def main(argv):
    args = argv[1:]
    list_file = None
    if len(args) == 3 and args[1] == "--list":
        list_file = args[2]
        args = args[:1]
    if not args or any(a.startswith("-") for a in args):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    folder = pathlib.Path(args[0])
    names = args[1:]
    failed = []
    if names:
        bmps = []
        for name in names:
            if "/" in name or name.startswith("."):
                failed.append(f"{name}: not a picture name")
            elif (folder / f"{name}.bmp").is_file():
                bmps.append(folder / f"{name}.bmp")
            else:
                failed.append(f"{name}.bmp: not written")
        failed += convert(bmps)
    elif folder.is_dir():
        failed += convert(sorted(folder.glob("*.bmp")))
    if list_file:
        for picture, entry in listed(list_file):
            if not (folder / f"{picture}.png").is_file():
                failed.append(f"{picture}.png: not made ({entry} did not write {picture}.bmp)")
    for f in failed:
        print(f"screenshots: {f}", file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
