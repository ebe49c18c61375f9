"""What the tests' Pillow helper scripts share: pictures from pixel formulas, the RGB bytes of
a picture as the C++ tests compare them, dump records and ImageMagick's convert.

A script elsewhere under tests/ puts this folder on its path first:
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../support"))
"""
import subprocess

from PIL import Image

CONVERT = "/usr/bin/convert"


def from_pixels(mode, w, h, pixel):
    """A W x H picture of MODE whose pixel (x, y) is pixel(x, y)."""
    img = Image.new(mode, (w, h))
    img.putdata([pixel(x, y) for y in range(h) for x in range(w)])
    return img


def smooth(w, h):
    """Gradients in every channel, for lossy codecs."""
    return from_pixels("RGB", w, h, lambda x, y: (x * 255 // (w - 1), y * 255 // (h - 1),
                                                  (x + y) * 255 // (w + h - 2)))


def rgb_bytes(img, alpha_on_black=False):
    """W*H*3 bytes of RGB: 16-bit grey by its high byte, alpha composited on black when asked."""
    if alpha_on_black and img.mode == "RGBA":
        out = bytearray()
        for r, g, b, a in img.getdata():
            out += bytes(((r * a + 127) // 255, (g * a + 127) // 255, (b * a + 127) // 255))
        return bytes(out)
    if img.mode in ("I;16", "I;16B", "I;16L", "I"):
        out = bytearray()
        for v in img.getdata():
            h = (v >> 8) & 0xFF
            out += bytes((h, h, h))
        return bytes(out)
    return img.convert("RGB").tobytes()


def record(fields, data):
    """A dump record: the fields on one text line, then the bytes."""
    return (" ".join(str(f) for f in fields) + "\n").encode("ascii") + data


def convert(*args):
    """Runs ImageMagick's convert; a failure raises."""
    subprocess.run([CONVERT, *args], check=True)
