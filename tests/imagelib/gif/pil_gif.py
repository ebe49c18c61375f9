#!/usr/bin/python3
"""GIF cross-checks with Pillow and ImageMagick, for the GIF codec tests.

  pil_gif.py decode IN OUT         every frame of IN as Pillow shows it: per frame a line
                                   "w h" in OUT.txt and the RGB bytes appended to OUT.rgb
  pil_gif.py make KIND OUT         a GIF made by Pillow or ImageMagick (KIND below), with
                                   OUT.rgb/.txt as above and OUT.info (delays, comment, transparency)
"""
import os
import random
import sys

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../support"))
from pillow import convert, from_pixels  # noqa: E402


def dump(path, out):
    im = Image.open(path)
    lines = []
    with open(out + ".rgb", "wb") as rgb:
        for i in range(getattr(im, "n_frames", 1)):
            im.seek(i)
            frame = im.convert("RGB")
            rgb.write(frame.tobytes())
            lines.append("%d %d" % frame.size)
    with open(out + ".txt", "w") as txt:
        txt.write("\n".join(lines) + "\n")
    im.seek(0)
    info = {k: im.info.get(k) for k in ("duration", "comment", "transparency")}
    with open(out + ".info", "w") as f:
        f.write("duration %s\n" % info["duration"])
        f.write("comment %s\n" % (info["comment"].decode("latin-1") if info["comment"] else ""))
        f.write("transparency %s\n" % info["transparency"])


def noise(w, h, colors, seed):
    rnd = random.Random(seed)
    palette = [rnd.randrange(256) for _ in range(3 * colors)] + [0] * (3 * (256 - colors))
    im = from_pixels("P", w, h, lambda x, y: rnd.randrange(colors))
    im.putpalette(palette)
    return im


def make(kind, out):
    gif = out + ".gif"
    if kind == "pil-interlaced":
        noise(37, 29, 200, 1).save(gif, interlace=True, optimize=False)
    elif kind == "pil-transparent":
        noise(20, 17, 16, 2).save(gif, transparency=5, optimize=False)
    elif kind == "pil-animation":
        # Frames with their own palettes (local tables), full size, with delays.
        frames = [noise(24, 18, 64, 10 + i) for i in range(3)]
        frames[0].save(gif, save_all=True, append_images=frames[1:], duration=[70, 120, 250],
                       loop=0, optimize=False, disposal=1)
    elif kind == "pil-comment":
        noise(15, 9, 8, 3).save(gif, comment=b"made by Pillow for a test", optimize=False)
    elif kind == "magick-plasma":
        convert("-seed", "7", "-size", "61x47", "plasma:", "-colors", "256", "-interlace", "GIF", gif)
    elif kind == "magick-animation":
        convert("-delay", "15", "-size", "20x14", "-seed", "3", "plasma:", "-seed", "4", "plasma:",
                "-colors", "32", "+map", gif)
    else:
        raise SystemExit("unknown kind " + kind)
    dump(gif, out)


if __name__ == "__main__":
    if sys.argv[1] == "decode":
        dump(sys.argv[2], sys.argv[3])
    elif sys.argv[1] == "make":
        make(sys.argv[2], sys.argv[3])
