#!/usr/bin/python3
"""Files that Pillow and ImageMagick write load through our registry (imgcheck dump) with the
pixels Pillow reads from them, for every format both sides know."""
import subprocess

import imgkit
from imgkit import CONVERT, Batch, pillow_rgb

from PIL import Image


def pil_sources():
    rgb = imgkit.pattern()
    return {
        "1": rgb.convert("L").point(lambda v: 255 if v > 110 else 0).convert("1"),
        "L": rgb.convert("L"),
        "P": rgb.convert("P", palette=Image.ADAPTIVE, colors=100),
        "RGB": rgb,
    }


# (file name, Pillow mode, save options); Pillow writes each.
PILLOW_FILES = [
    ("p1.png", "1", {}), ("pl.png", "L", {}), ("pp.png", "P", {}), ("prgb.png", "RGB", {}),
    ("pl_i.png", "L", {"optimize": True}),
    ("p1.bmp", "1", {}), ("pl.bmp", "L", {}), ("pp.bmp", "P", {}), ("prgb.bmp", "RGB", {}),
    ("p1.pcx", "1", {}), ("pl.pcx", "L", {}), ("pp.pcx", "P", {}), ("prgb.pcx", "RGB", {}),
    ("pl.tga", "L", {}), ("pp.tga", "P", {}), ("prgb.tga", "RGB", {}),
    ("pl_rle.tga", "L", {"compression": "tga_rle"}), ("prgb_rle.tga", "RGB", {"compression": "tga_rle"}),
    ("p1.pbm", "1", {}), ("pl.pgm", "L", {}), ("prgb.ppm", "RGB", {}),
    ("prgb.tif", "RGB", {}), ("pp.tif", "P", {}), ("pl_pack.tif", "L", {"compression": "packbits"}),
    ("prgb_zip.tif", "RGB", {"compression": "tiff_deflate"}), ("p1_g4.tif", "1", {"compression": "group4"}),
    ("pp.gif", "P", {}), ("pl.gif", "L", {}), ("pp_i.gif", "P", {"interlace": True}),
    ("pp_t.gif", "P", {"transparency": 3}),
]
# (file name, ImageMagick arguments after the source)
MAGICK_FILES = [
    ("mrgb.png", ["-define", "png:exclude-chunks=gAMA,cHRM", "PNG24:{}"]),
    ("mpal.png", ["-colors", "64", "-define", "png:exclude-chunks=gAMA,cHRM", "PNG8:{}"]),
    ("mrgb.bmp", ["BMP3:{}"]), ("mpal.bmp", ["-type", "Palette", "BMP3:{}"]),
    ("mrgb.pcx", ["-type", "TrueColor", "PCX:{}"]), ("mpal.pcx", ["-type", "Palette", "PCX:{}"]),
    ("mrgb.tga", ["-compress", "None", "TGA:{}"]), ("mrle.tga", ["-compress", "RLE", "TGA:{}"]),
    ("mrgb.ppm", ["PPM:{}"]), ("mgrey.pgm", ["-colorspace", "Gray", "PGM:{}"]),
    ("mrgb16.ppm", ["-depth", "16", "PPM:{}"]),
    ("mrgb_zip.tif", ["-compress", "Zip", "TIFF:{}"]), ("mgrey.tif", ["-colorspace", "Gray", "TIFF:{}"]),
    ("mpal.gif", ["GIF:{}"]), ("mpal_i.gif", ["-interlace", "GIF", "GIF:{}"]),
]


class OthersReadByOurs(imgkit.TestCase):
    def test_lossless_files(self):
        sources = pil_sources()
        batch = Batch(self.folder)
        files = []
        for name, mode, options in PILLOW_FILES:
            path = self.path(name)
            sources[mode].save(path, **options)
            files.append((path, batch.dump(path)))
        base = self.path("base.png")
        imgkit.pattern().save(base)
        for name, args in MAGICK_FILES:
            path = self.path(name)
            subprocess.run([CONVERT, base] + [a.format(path) for a in args], check=True)
            files.append((path, batch.dump(path)))
        code, answers = batch.run()
        failed = [(p, answers[i]) for p, i in files if not isinstance(answers[i], imgkit.Dump)]
        self.assertEqual(failed, [])
        self.assertEqual(code, 0)
        for path, index in files:
            size, pixels = pillow_rgb(path)
            self.assertSamePixels(answers[index], size, pixels, what=path)

    def test_jpeg_files(self):
        # Same libjpeg-turbo on both sides: Pillow's pixels, within one step of rounding.
        src = imgkit.smooth()
        batch = Batch(self.folder)
        files = []
        for name, img, options in (("420.jpg", src, {"subsampling": 2}), ("444.jpg", src, {"subsampling": 0}),
                                   ("grey.jpg", src.convert("L"), {}),
                                   ("prog.jpg", src, {"progressive": True, "quality": 70})):
            path = self.path(name)
            img.save(path, quality=options.pop("quality", 85), **options)
            files.append((path, batch.dump(path)))
        path = self.path("magick.jpg")
        base = self.path("base.png")
        src.save(base)
        subprocess.run([CONVERT, base, "-quality", "80", path], check=True)
        files.append((path, batch.dump(path)))
        code, answers = batch.run()
        self.assertEqual(code, 0, answers)
        for path, index in files:
            size, pixels = pillow_rgb(path)
            self.assertSamePixels(answers[index], size, pixels, tolerance=1, what=path)

    def test_animated_gif_with_transparency_and_comment(self):
        # Image 0 as the picture; the whole file model on request.
        frames = [imgkit.pattern(20, 10).convert("P", palette=Image.ADAPTIVE, colors=32),
                  imgkit.pattern(20, 10).transpose(Image.FLIP_LEFT_RIGHT).convert("P", palette=Image.ADAPTIVE,
                                                                                  colors=32)]
        path = self.path("anim.gif")
        frames[0].save(path, save_all=True, append_images=frames[1:], duration=[70, 130], loop=0,
                       transparency=5, comment=b"made for the check")
        batch = Batch(self.folder)
        index = batch.dump(path, everything=True)
        code, answers = batch.run()
        self.assertEqual(code, 0, answers)
        dump = answers[index]
        size, pixels = pillow_rgb(path)
        self.assertSamePixels(dump, size, pixels, what=path)
        model = dump.rest
        images = [line for line in model if line.startswith("image ")]
        self.assertEqual(len(images), 2, model)
        controls = [line.split() for line in model if line.startswith("graphiccontrol")]
        self.assertEqual([c[c.index("delay") + 1] for c in controls], ["7", "13"])
        self.assertIn("1", controls[0][controls[0].index("transparent") + 1])
        self.assertEqual(controls[0][controls[0].index("index") + 1], "5")
        self.assertIn("comment " + b"made for the check".hex(), model)
        self.assertTrue(any(line.startswith("application " + b"NETSCAPE".hex()) for line in model), model)
        self.assertEqual(len([line for line in model if line.startswith("indexes ")]), 20)
        with Image.open(path) as im:
            self.assertEqual(model[0], "signature " + im.info.get("version", b"GIF89a").decode())


if __name__ == "__main__":
    imgkit.main()
