"""tools/screenshots-png.py: the test run's pictures become .png files; the pictures the
programs name and did not write are named, and one unreadable picture stops no other."""
import pathlib
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

SCRIPT = pathlib.Path(__file__).resolve().parents[2] / "tools" / "screenshots-png.py"


def run(*args):
    return subprocess.run([sys.executable, str(SCRIPT), *args], capture_output=True, text=True)


class ScreenshotsPng(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = pathlib.Path(self.tmp.name)
        Image.new("RGB", (3, 2), (200, 0, 0)).save(self.dir / "ring.bmp")
        Image.new("RGB", (2, 2), (1, 2, 3)).save(self.dir / "client.bmp")

    def tearDown(self):
        self.tmp.cleanup()

    def test_listed_pictures_not_written_are_named_with_their_entry(self):
        (self.dir / "broken.bmp").write_bytes(b"BM not a picture")
        listing = self.dir / "screenshots.list"
        listing.write_text("ring prog_a\nmissing prog_b_classic\n\nclient prog_a\n")
        out = run(str(self.dir), "--list", str(listing))
        self.assertEqual(out.returncode, 1)
        self.assertIn("broken.bmp", out.stderr)
        self.assertIn("missing.png: not made (prog_b_classic did not write missing.bmp)", out.stderr)
        self.assertNotIn("ring", out.stderr)
        with Image.open(self.dir / "ring.png") as im:
            self.assertEqual((im.format, im.size, im.getpixel((2, 1))), ("PNG", (3, 2), (200, 0, 0)))
        self.assertTrue((self.dir / "client.png").is_file())

    def test_named_pictures_only_and_a_missing_name_fails(self):
        self.assertEqual(run(str(self.dir), "ring").returncode, 0)
        self.assertTrue((self.dir / "ring.png").is_file())
        self.assertFalse((self.dir / "client.png").exists())
        out = run(str(self.dir), "ring", "gone", "../ring")
        self.assertEqual(out.returncode, 1)
        self.assertIn("gone.bmp: not written", out.stderr)
        self.assertIn("../ring: not a picture name", out.stderr)


if __name__ == "__main__":
    unittest.main()
