"""Shared side of the picture cross-check scripts: runs tools/imgcheck under Wine (one Wine
start per batch of commands) and reads pictures with Pillow and ImageMagick for comparison.

Every script is run as:  script.py <imgcheck.exe> <wine-run.sh>
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../support"))
import pillow  # noqa: E402
from winerun import run_with_stacks  # noqa: E402
from pillow import CONVERT  # noqa: E402

IMGCHECK = None
WINE = None


def win_path(path):
    """The Wine (drive Z:) form of a host path."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Dump:
    """One picture as imgcheck dumped it."""

    def __init__(self, lines):
        self.lines = lines
        fields = {}
        rows = []
        i = 0
        while i < len(lines) and not lines[i].startswith("0x"):
            key, _, value = lines[i].partition(" ")
            fields[key] = value
            i += 1
            if key == "palette":
                if int(value) > 0:
                    fields["colors"] = [int(c, 16) for c in lines[i].split()]
                    i += 1
                break
        self.width = int(fields["width"])
        self.height = int(fields["height"])
        self.format = int(fields["format"].split()[0])
        self.format_name = fields["format"].partition(" ")[2]
        self.dpi = tuple(int(v) for v in fields["dpi"].split())
        self.colors = fields.get("colors", [])
        for _ in range(self.height):
            rows.append([int(c, 16) for c in lines[i].split()])
            i += 1
        self.pixels = [p for row in rows for p in row]
        self.rest = lines[i:]

    def rgb(self):
        return [((p >> 16) & 255, (p >> 8) & 255, p & 255) for p in self.pixels]


def run_imgcheck(*args):
    """Runs imgcheck once; returns (exit code, output lines)."""
    r = run_with_stacks([WINE, IMGCHECK] + list(args), 300, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    return r.returncode, r.stdout.decode("latin-1").replace("\r", "").splitlines()


class Batch:
    """Commands collected, then run in one Wine start. Each command's answer is a list of lines."""

    def __init__(self, folder):
        self.folder = folder
        self.commands = []

    def dump(self, path, everything=False):
        self.commands.append(["dump", win_path(path)] + (["all"] if everything else []))
        return len(self.commands) - 1

    def convert(self, source, target, **props):
        self.commands.append(["convert", win_path(source), win_path(target)] +
                             ["%s=%s" % kv for kv in props.items()])
        return len(self.commands) - 1

    def run(self):
        """Returns (exit code, answers): a Dump, "converted" or the error text per command."""
        listing = os.path.join(self.folder, "batch.txt")
        with open(listing, "w") as f:
            for c in self.commands:
                f.write("\t".join(c) + "\r\n")
        code, lines = run_imgcheck("batch", win_path(listing))
        answers = []
        i = 0
        for c in self.commands:
            if i >= len(lines):
                answers.append("error (no answer)")
                continue
            if lines[i].startswith("error "):
                answers.append(lines[i])
                i += 1
            elif c[0] == "convert":
                answers.append(lines[i])
                i += 1
            else:
                start = i
                while i < len(lines) and lines[i] != "end":
                    i += 1
                answers.append(Dump(lines[start + 1:i]))
                i += 1
        return code, answers


def pillow_rgb(path, frame=0):
    with Image.open(path) as img:
        img.seek(frame)
        rgb = img.convert("RGB")
        return rgb.size, list(rgb.getdata())


def magick_rgb(path):
    """ImageMagick's reading of the first image, turned upright as its orientation says (its
    Targa reader keeps bottom-up rows as they are stored): size and RGB triples (8 bits)."""
    size = subprocess.run(["/usr/bin/identify", "-format", "%w %h", path + "[0]"], check=True,
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout.decode().split()
    w, h = int(size[0]), int(size[1])
    raw = subprocess.run([CONVERT, path + "[0]", "-auto-orient", "-depth", "8", "rgb:-"], check=True,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    return (w, h), [tuple(raw[i:i + 3]) for i in range(0, 3 * w * h, 3)]


def pattern(w=29, h=17):
    """A true-colour picture whose every pixel differs from its neighbours."""
    return pillow.from_pixels("RGB", w, h, lambda x, y: ((x * 11 + y * 3) % 256, (x * y * 7 + 5) % 256,
                                                         (250 - x * 5 - y * 2) % 256))


def smooth(w=64, h=48):
    """A smooth picture for lossy codecs."""
    return pillow.smooth(w, h)


def max_difference(a, b):
    return max(max(abs(p - q) for p, q in zip(x, y)) for x, y in zip(a, b))


class TestCase(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="qm-imgcheck-")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.folder, name)

    def assertSamePixels(self, ours, size, pixels, tolerance=0, what=""):
        """ours: a Dump; size and pixels: another reader's."""
        self.assertIsInstance(ours, Dump, "%s: %s" % (what, ours))
        self.assertEqual((ours.width, ours.height), tuple(size), what)
        if tolerance == 0:
            for i, (p, q) in enumerate(zip(ours.rgb(), pixels)):
                if p != tuple(q):
                    self.fail("%s: pixel %d,%d is %s, the other reader has %s" %
                              (what, i % ours.width, i // ours.width, p, tuple(q)))
        else:
            self.assertLessEqual(max_difference(ours.rgb(), pixels), tolerance, what)


def main():
    global IMGCHECK, WINE
    if len(sys.argv) < 3:
        print("usage: %s <imgcheck.exe> <wine-run.sh>" % sys.argv[0])
        sys.exit(2)
    IMGCHECK, WINE = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[3:])
