#!/usr/bin/python3
"""The picture check tool itself: its output layout, its errors, the batch form and the
property names it hands to each format class."""
import struct

import imgkit
from imgkit import Batch, run_imgcheck, win_path

from PIL import Image


class ImgcheckTool(imgkit.TestCase):
    def test_usage_and_errors(self):
        code, lines = run_imgcheck()
        self.assertEqual(code, 2)
        self.assertTrue(lines and lines[0].startswith("error usage:"), lines)
        code, lines = run_imgcheck("dump", win_path(self.path("missing.png")))
        self.assertEqual(code, 1)
        self.assertTrue(lines and lines[0].startswith("error "), lines)
        src = self.path("a.png")
        imgkit.pattern(4, 3).save(src)
        code, lines = run_imgcheck("convert", win_path(src), win_path(self.path("b.png")), "nosuch=1")
        self.assertEqual((code, lines), (1, ["error imgcheck: unknown property nosuch"]))
        code, lines = run_imgcheck("convert", win_path(src), win_path(self.path("b.png")), "quality")
        self.assertEqual(code, 1)
        self.assertIn("expected name=value", lines[0])
        # A JPEG property is unknown to the PNG class: nothing is silently ignored.
        code, lines = run_imgcheck("convert", win_path(src), win_path(self.path("b.png")), "quality=50")
        self.assertEqual((code, lines), (1, ["error imgcheck: unknown property quality"]))
        code, lines = run_imgcheck("convert", win_path(src), win_path(self.path("b.xyz")))
        self.assertEqual(code, 1)
        self.assertIn(".xyz", lines[0])
        code, lines = run_imgcheck("dump", win_path(src), "all")
        self.assertEqual(code, 1)
        self.assertIn("GIF", lines[0])

    def test_dump_layout(self):
        # A 3 x 2 BMP at 3780 pels per metre, and a 4-colour palette PNG.
        path = self.path("three by two.bmp")
        img = Image.new("RGB", (3, 2))
        img.putdata([(255, 0, 0), (0, 255, 0), (0, 0, 255), (1, 2, 3), (128, 129, 130), (255, 255, 255)])
        img.save(path, dpi=(96, 96))
        pal = self.path("pal.png")
        p = Image.new("P", (2, 1))
        p.putpalette([10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120])
        p.putdata([2, 1])
        p.save(pal, dpi=(300, 300))
        code, lines = run_imgcheck("dump", win_path(path))
        self.assertEqual(code, 0)
        self.assertEqual(lines, ["file " + win_path(path), "width 3", "height 2", "format 5 True color", "dpi 96 96",
                                 "palette 0", "0xFF0000 0x00FF00 0x0000FF", "0x010203 0x808182 0xFFFFFF", "end"])
        code, lines = run_imgcheck("dump", win_path(pal))
        self.assertEqual(code, 0)
        dump = imgkit.Dump(lines[1:-1])
        self.assertEqual(dump.format_name, "16 color")
        self.assertEqual(dump.dpi, (300, 300))
        self.assertEqual(dump.colors[:4], [0x0A141E, 0x28323C, 0x46505A, 0x646E78])
        self.assertEqual(dump.pixels, [0x46505A, 0x28323C])

    def test_batch_goes_on_after_an_error_and_takes_blanks_in_names(self):
        good = self.path("with blanks.png")
        imgkit.pattern(5, 4).save(good)
        batch = Batch(self.folder)
        batch.dump(self.path("nothing here.png"))
        batch.convert(good, self.path("copy of it.bmp"))
        batch.dump(self.path("copy of it.bmp"))
        code, answers = batch.run()
        self.assertEqual(code, 1)
        self.assertTrue(answers[0].startswith("error "), answers[0])
        self.assertEqual(answers[1], "converted " + win_path(self.path("copy of it.bmp")))
        self.assertEqual(answers[2].rgb(), list(imgkit.pattern(5, 4).getdata()))

    def test_property_names_reach_their_classes(self):
        src = self.path("src.png")
        imgkit.smooth(32, 16).save(src)
        pal = self.path("pal.png")
        imgkit.pattern(8, 8).convert("P", palette=Image.ADAPTIVE, colors=16).save(pal)
        batch = Batch(self.folder)
        out = {}
        for name, source, props in [
                ("q30.jpg", src, {"quality": 30}), ("q95.jpg", src, {"quality": 95}),
                ("prog.jpg", src, {"progressive": 1}), ("opt.jpg", src, {"optimize": 1, "quality": 95}),
                ("plain.png", src, {"interlaced": 0, "level": 2}), ("inter.png", src, {"interlaced": 1, "level": 0}),
                ("trns.png", pal, {"transparent": 1, "transparentcolor": "0x000000"}),
                ("bkgd.png", src, {"writebackground": 1, "background": "0x102030"}),
                ("zip.tif", src, {"compression": 5, "rowsperstrip": 4, "usertag1": "a)(b", "Artist": "Someone",
                                  "ImageDescription": "check"}),
                ("ascii.ppm", src, {"binary": 0}),
                ("inter.gif", pal, {"interlaced": 1, "delay": 25, "transparentcolor": "0x000000"})]:
            out[name] = (batch.convert(source, self.path(name), **props), props)
        gif_dump = batch.dump(self.path("inter.gif"), everything=True)
        code, answers = batch.run()
        self.assertEqual(code, 0, answers)

        def data(name):
            with open(self.path(name), "rb") as f:
                return f.read()

        self.assertLess(len(data("q30.jpg")), len(data("q95.jpg")))
        self.assertLess(len(data("opt.jpg")), len(data("q95.jpg")))
        self.assertIn(b"\xff\xc2", data("prog.jpg"))
        self.assertNotIn(b"\xff\xc2", data("q95.jpg"))
        plain, inter = data("plain.png"), data("inter.png")
        self.assertEqual((plain[28], inter[28]), (0, 1))
        # The zlib header's level class: 3 for the best compression, 0 for the fastest.
        for png, level_class in ((plain, 3), (inter, 0)):
            at = png.index(b"IDAT")
            self.assertEqual(png[at + 5] >> 6, level_class)
        trns = data("trns.png")
        self.assertIn(b"tRNS", trns)
        with Image.open(self.path("trns.png")) as im:
            self.assertIn("transparency", im.info)
        bkgd = data("bkgd.png")
        at = bkgd.index(b"bKGD")
        self.assertEqual(struct.unpack(">HHH", bkgd[at + 4:at + 10]), (0x10, 0x20, 0x30))
        with Image.open(self.path("zip.tif")) as im:
            self.assertEqual(im.info.get("compression"), "tiff_deflate")  # tag 259 = 32946
            tags = im.tag_v2
            self.assertEqual(tags.get(278), 4)
            self.assertEqual(tags.get(40000), "a)(b")
            self.assertEqual(tags.get(315), "Someone")
            self.assertEqual(tags.get(270), "check")
        self.assertTrue(data("ascii.ppm").startswith(b"P3"))
        model = answers[gif_dump].rest
        self.assertIn("interlaced 1", [l for l in model if l.startswith("image ")][0])
        control = [l.split() for l in model if l.startswith("graphiccontrol")][0]
        self.assertEqual(control[control.index("delay") + 1], "25")
        self.assertEqual(control[control.index("transparent") + 1], "1")
        with Image.open(self.path("inter.gif")) as im:
            self.assertEqual(im.info.get("duration"), 250)
            self.assertEqual(im.info.get("transparency"), int(control[control.index("index") + 1]))


if __name__ == "__main__":
    imgkit.main()
