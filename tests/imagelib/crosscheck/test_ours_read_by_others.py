#!/usr/bin/python3
"""Pictures written by our writers (through imgcheck convert) are read back by Pillow and
ImageMagick with the pixels our own reader gives, for every registered format and the layouts
each writer takes, with their main options."""
import imgkit
from imgkit import Batch, magick_rgb, pillow_rgb

from PIL import Image

# Source layouts, made by Pillow as PNG and read by our PNG reader.
SOURCES = {
    "rgb": lambda: imgkit.pattern(),
    "pal": lambda: imgkit.pattern().convert("P", palette=Image.ADAPTIVE, colors=200),
    "c16": lambda: imgkit.pattern().convert("P", palette=Image.ADAPTIVE, colors=16),
    "grey": lambda: imgkit.pattern().convert("L"),
    "bw": lambda: imgkit.pattern().convert("L").point(lambda v: 255 if v > 110 else 0).convert("1"),
}
# Our format numbers of the sources, as the library names them.
FORMATS = {"rgb": "True color", "pal": "256 color", "c16": "16 color", "grey": "256 shades of gray",
           "bw": "Black and white"}

# (target extension, sources it takes, property sets)
LOSSLESS = [
    ("png", ["rgb", "pal", "c16", "grey", "bw"], [{}, {"interlaced": 0}, {"level": 2}]),
    ("bmp", ["rgb", "pal", "c16", "grey", "bw"], [{}]),
    ("tif", ["rgb", "pal", "c16", "grey", "bw"], [{"compression": 0}, {"compression": 1}, {"compression": 5}]),
    ("tif", ["bw"], [{"compression": 2}, {"compression": 3}, {"compression": 4}]),
    ("pcx", ["rgb", "pal", "bw"], [{}]),
    ("tga", ["rgb", "pal", "grey"], [{}]),
    ("ppm", ["rgb"], [{}, {"binary": 0}]),
    ("pgm", ["grey"], [{}, {"binary": 0}]),
    ("pbm", ["bw"], [{}, {"binary": 0}]),
    ("gif", ["pal", "c16", "grey", "bw"], [{}, {"interlaced": 1}]),
    # (Pillow's DCX reader finds an 8-bit page's pixels at offset 128 of the file, not of the
    # page, so only true-colour pages are compared.)
    ("dcx", ["rgb"], [{}]),
]
# Left to Pillow alone: DCX (ImageMagick's reader is not in every build), and 1-bit PCX, whose
# header palette is written as zeros and read as black and white by the format's rule; ImageMagick
# takes the zeros as a palette of its own and shows the picture inverted.
MAGICK_SKIPS = {("dcx", "rgb"), ("pcx", "bw")}
# TIFF colour maps are written as value x 256 (as Pillow and our reader take them back);
# ImageMagick scales 16-bit map entries by 65535 and so reads some of them one lower.
MAGICK_TOLERANCE = {("tif", "pal"): 1, ("tif", "c16"): 1}


class OursReadByOthers(imgkit.TestCase):
    def test_lossless_writers(self):
        batch = Batch(self.folder)
        source_dump = {}
        for name, make in SOURCES.items():
            path = self.path(name + ".png")
            img = make()
            img.save(path, bits=4) if name == "c16" else img.save(path)
            source_dump[name] = batch.dump(path)
        outputs = []
        for ext, names, prop_sets in LOSSLESS:
            for name in names:
                for n, props in enumerate(prop_sets):
                    out = self.path("%s_%s_%d.%s" % (name, ext, n, ext))
                    batch.convert(self.path(name + ".png"), out, **props)
                    outputs.append((name, ext, props, out, batch.dump(out)))
        code, answers = batch.run()
        self.assertEqual(code, 0, [a for a in answers if isinstance(a, str) and a.startswith("error")])
        for name in SOURCES:
            self.assertEqual(answers[source_dump[name]].format_name, FORMATS[name], name)
        for name, ext, props, out, index in outputs:
            what = "%s as %s %s" % (name, ext, props)
            ours = answers[source_dump[name]]
            back = answers[index]
            self.assertIsInstance(back, imgkit.Dump, what + ": " + str(back))
            self.assertEqual(back.pixels, ours.pixels, what + ": our reader")
            size, pixels = pillow_rgb(out)
            self.assertSamePixels(ours, size, pixels, what=what + ": Pillow")
            if (ext, name) not in MAGICK_SKIPS:
                size, pixels = magick_rgb(out)
                self.assertSamePixels(ours, size, pixels, tolerance=MAGICK_TOLERANCE.get((ext, name), 0),
                                      what=what + ": ImageMagick")

    def test_gif_of_many_colours_reads_the_same_everywhere(self):
        # More than 256 colours: AddBitmap masks them; every reader must agree on the result.
        src = self.path("many.png")
        imgkit.pattern(61, 41).save(src)
        batch = Batch(self.folder)
        outs = []
        for n, props in enumerate([{}, {"interlaced": 1}]):
            out = self.path("many_%d.gif" % n)
            batch.convert(src, out, **props)
            outs.append((out, batch.dump(out)))
        code, answers = batch.run()
        self.assertEqual(code, 0, answers)
        for out, index in outs:
            size, pixels = pillow_rgb(out)
            self.assertSamePixels(answers[index], size, pixels, what=out + ": Pillow")
            size, pixels = magick_rgb(out)
            self.assertSamePixels(answers[index], size, pixels, what=out + ": ImageMagick")
            # Masked colours stay within the mask's step of the source.
            src_size, src_pixels = pillow_rgb(src)
            self.assertLessEqual(imgkit.max_difference(answers[index].rgb(), src_pixels), 63)

    def test_jpeg_writer(self):
        # Pillow links the same libjpeg-turbo: it decodes our files to the pixels we decode.
        batch = Batch(self.folder)
        cases = []
        for name, img in (("rgb", imgkit.smooth()), ("grey", imgkit.smooth().convert("L"))):
            src = self.path("smooth_%s.png" % name)
            img.save(src)
            for n, props in enumerate([{}, {"progressive": 1}, {"optimize": 1}, {"quality": 95}]):
                out = self.path("smooth_%s_%d.jpg" % (name, n))
                batch.convert(src, out, **props)
                cases.append((src, out, props, batch.dump(out)))
        code, answers = batch.run()
        self.assertEqual(code, 0, answers)
        for src, out, props, index in cases:
            what = "%s %s" % (out, props)
            ours = answers[index]
            size, pixels = pillow_rgb(out)
            self.assertSamePixels(ours, size, pixels, tolerance=1, what=what + ": Pillow")
            size, pixels = magick_rgb(out)
            self.assertSamePixels(ours, size, pixels, tolerance=1, what=what + ": ImageMagick")
            # And close to what was saved.
            _, src_pixels = pillow_rgb(src)
            total = sum(abs(p - q) for x, y in zip(ours.rgb(), src_pixels) for p, q in zip(x, y))
            self.assertLess(total / (3 * len(src_pixels)), 3, what)
            with open(out, "rb") as f:
                data = f.read()
            self.assertEqual(b"\xff\xc2" in data, props.get("progressive") == 1, what)


if __name__ == "__main__":
    imgkit.main()
