#!/usr/bin/python3
"""Pictures for the JPEG and PNG cross-checks, made and read by Pillow (and ImageMagick).

  fixtures DIR        writes the fixture files into DIR, each with DIR/NAME.dump
  dump FILE...        writes FILE.dump for each file

A dump is a line "W H MODE TRANSPARENCY" (the palette index Pillow reports as transparent,
or -1) followed by W*H*3 bytes of RGB: alpha composited on black, 16-bit grey by its high byte.
"""
import os
import sys

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../support"))
from pillow import convert, from_pixels, record, rgb_bytes  # noqa: E402


def dump(path):
    im = Image.open(path)
    im.load()
    t = im.info.get("transparency", -1)
    if not isinstance(t, int):
        t = -2
    with open(path + ".dump", "wb") as f:
        f.write(record((im.width, im.height, im.mode, t), rgb_bytes(im, alpha_on_black=True)))


def smooth(w, h):
    return from_pixels("RGB", w, h, lambda x, y: (x * 255 // (w - 1), y * 255 // (h - 1), (x * y) % 256))


def fixtures(d):
    base = smooth(67, 45)
    base.save(d + "/pil420.jpg", quality=85, subsampling=2)
    base.save(d + "/pil444.jpg", quality=85, subsampling=0)
    base.convert("L").save(d + "/pilgrey.jpg", quality=85)
    base.convert("1").save(d + "/pil1.png")
    base.convert("L").save(d + "/pilL.png")
    base.convert("P", palette=Image.ADAPTIVE, colors=200).save(d + "/pilP.png")
    base.convert("P", palette=Image.ADAPTIVE, colors=4).save(d + "/pilP2.png", bits=2)
    base.save(d + "/pilRGB.png")
    rgba = base.copy()
    rgba.putalpha(Image.linear_gradient("L").resize(base.size))
    rgba.save(d + "/pilRGBA.png")
    from_pixels("I;16", 67, 45, lambda x, y: (x * 977 + y * 613) % 65536).save(d + "/pilI16.png")
    names = ["pil420.jpg", "pil444.jpg", "pilgrey.jpg", "pil1.png", "pilL.png", "pilP.png", "pilP2.png",
             "pilRGB.png", "pilRGBA.png", "pilI16.png"]
    # ImageMagick: a CMYK JPEG, a 2-bit grey PNG and a 16-bit RGB PNG, without gAMA and cHRM.
    convert("-size", "40x30", "gradient:red-blue", "-colorspace", "CMYK", d + "/imcmyk.jpg")
    convert("-size", "40x30", "gradient:", "-depth", "2", "-define", "png:bit-depth=2",
            "-define", "png:color-type=0", "-define", "png:exclude-chunks=gAMA,cHRM,date", d + "/imgrey2.png")
    convert("-size", "40x30", "gradient:red-blue", "-depth", "16",
            "-define", "png:exclude-chunks=gAMA,cHRM,date", "PNG48:" + d + "/imrgb16.png")
    names += ["imgrey2.png", "imrgb16.png"]
    for n in names:
        dump(d + "/" + n)


def main():
    if sys.argv[1] == "fixtures":
        fixtures(sys.argv[2])
    elif sys.argv[1] == "dump":
        for p in sys.argv[2:]:
            dump(p)
    else:
        sys.exit("unknown command")


if __name__ == "__main__":
    main()
