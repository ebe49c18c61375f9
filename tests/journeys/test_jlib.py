"""The journeys' judging helpers on pictures made here: a fault in them would pass every step or
fail every step without the program being at fault. No display is needed."""

import os
import sys
import unittest

from PIL import Image, ImageDraw

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import config  # noqa: E402
import jlib  # noqa: E402
import localsite  # noqa: E402
import qm  # noqa: E402
import run  # noqa: E402
from jlib import Rect  # noqa: E402

FACE = (245, 245, 245)


class Runs(unittest.TestCase):
    def test_gaps_narrower_than_the_limit_merge_and_wider_ones_split(self):
        flags = [c == "#" for c in "##..#.....###."]
        self.assertEqual(jlib.runs(flags, 3), [(0, 5), (10, 13)])
        self.assertEqual(jlib.runs(flags, 2), [(0, 2), (4, 5), (10, 13)])
        self.assertEqual(jlib.runs([False] * 5, 2), [])
        self.assertEqual(jlib.runs([True] * 4, 1), [(0, 4)])

    def test_column_runs_find_words_on_a_face(self):
        img = Image.new("RGB", (60, 10), FACE)
        d = ImageDraw.Draw(img)
        d.rectangle((2, 2, 10, 7), fill=(0, 0, 0))
        d.rectangle((13, 2, 20, 7), fill=(0, 0, 0))     # 2 columns apart: the same word
        d.rectangle((40, 2, 50, 7), fill=(0, 0, 0))
        self.assertEqual(jlib.column_runs(img, jlib.is_dark, 5), [(2, 21), (40, 51)])


class Comparisons(unittest.TestCase):
    def setUp(self):
        self.a = Image.new("RGB", (50, 40), (100, 150, 200))

    def test_equal_within_the_tolerance(self):
        b = Image.new("RGB", (50, 40), (100 + jlib.TOLERANCE, 150, 200 - jlib.TOLERANCE))
        self.assertEqual(jlib.changed_fraction(self.a, b), 0.0)
        self.assertTrue(jlib.same(self.a, b))

    def test_a_channel_past_the_tolerance_counts(self):
        b = self.a.copy()
        b.putpixel((7, 9), (100, 150 + jlib.TOLERANCE + 1, 200))
        self.assertAlmostEqual(jlib.changed_fraction(self.a, b), 1 / 2000)
        self.assertEqual(jlib.changed_box(self.a, b), Rect(7, 9, 1, 1))
        # One stray pixel is allowed by `same`, a changed row is not.
        self.assertTrue(jlib.same(self.a, b, allowed=0.001))
        ImageDraw.Draw(b).line((0, 20, 49, 20), fill=(0, 0, 0))
        self.assertFalse(jlib.same(self.a, b))
        self.assertEqual(jlib.changed_box(self.a, b), Rect(0, 9, 50, 12))

    def test_no_change_has_no_box_and_sizes_must_match(self):
        self.assertIsNone(jlib.changed_box(self.a, self.a.copy()))
        with self.assertRaises(ValueError):
            jlib.changed_fraction(self.a, Image.new("RGB", (50, 41)))


class Rects(unittest.TestCase):
    def test_geometry(self):
        r = Rect(10, 20, 30, 40)
        self.assertEqual((r.right, r.bottom, r.center), (40, 60, (25, 40)))
        self.assertTrue(r.contains(10, 20))
        self.assertFalse(r.contains(40, 20))
        self.assertEqual(r.inset(2), Rect(12, 22, 26, 36))
        self.assertEqual(r.inset(-1, 3), Rect(9, 23, 32, 34))
        self.assertTrue(r.intersects(Rect(39, 59, 5, 5)))
        self.assertFalse(r.intersects(Rect(40, 20, 5, 5)))
        self.assertEqual(r.clip(Rect(0, 0, 20, 25)), Rect(10, 20, 10, 5))
        self.assertEqual(r.clip(Rect(100, 100, 5, 5)).w, 0)


def fake_session(img, origin=(0, 0)):
    """A session whose screen is img placed at origin."""
    class S:
        def grab(self, rect=None):
            if rect is None:
                return img.copy()
            return img.crop(rect.offset(-origin[0], -origin[1]).box())
    return S()


class Regions(unittest.TestCase):
    def test_menu_rows_tell_enabled_from_disabled_and_skip_separators(self):
        img = Image.new("RGB", (120, 90), (252, 252, 252))
        d = ImageDraw.Draw(img)
        for x in range(30, 70, 3):
            d.line((x, 6, x, 13), fill=(0, 0, 0))               # an enabled row's text
            d.line((x, 26, x, 33), fill=(166, 166, 166))        # a disabled row's grey text
            d.line((x, 56, x, 63), fill=(0, 0, 0))
        d.line((28, 45, 115, 45), fill=(166, 166, 166))         # a separator
        rows = qm.menu_rows(img, (200, 300))
        self.assertEqual([r.enabled for r in rows], [True, False, True])
        for row, mid in zip(rows, (9, 29, 59)):
            self.assertTrue(row.rect.contains(230, 300 + mid), row.rect)
            self.assertEqual(row.rect.x, 202)

    def test_a_caret_does_not_split_an_edit_field(self):
        img = Image.new("RGB", (400, 120), FACE)
        d = ImageDraw.Draw(img)
        d.rectangle((50, 10, 349, 26), fill=(255, 255, 255))
        d.rectangle((50, 60, 349, 76), fill=(255, 255, 255))
        d.line((53, 63, 53, 73), fill=(0, 0, 0))                # the caret
        d.rectangle((50, 100, 120, 116), fill=(255, 255, 255))  # narrower than a field

        class W:
            rect = Rect(1000, 500, 400, 120)
        fields = localsite.white_fields(fake_session(img, (1000, 500)), W(), min_width=200)
        self.assertEqual(fields, [Rect(1050, 510, 300, 17), Rect(1050, 560, 300, 17)])

    def test_panes_are_found_between_frames_with_their_height(self):
        img = Image.new("RGB", (300, 200), FACE)
        d = ImageDraw.Draw(img)
        d.rectangle((10, 20, 110, 150), fill=(255, 255, 255))
        d.rectangle((120, 20, 290, 100), fill=(255, 255, 255))
        for y in range(30, 140, 16):                            # rows of text and icons
            d.rectangle((14, y, 90, y + 8), fill=(0, 0, 0))
        panes = qm.panes_in(fake_session(img), Rect(0, 0, 300, 200), probe=25)
        self.assertEqual(panes, [Rect(10, 20, 101, 131), Rect(120, 20, 171, 81)])
        rows = qm.text_rows(fake_session(img), panes[0].inset(2))
        self.assertEqual(len(rows), 7)


class Marks(unittest.TestCase):
    def test_a_mark_applies_to_its_step_in_its_mode_only(self):
        saved = config.EXPECTED_FAILURES
        try:
            config.EXPECTED_FAILURES = [("j", "step a", None, "why a"), ("j", "step b", "desktop", "why b")]
            self.assertEqual(run.expected_failure("j", "step a", "bare"), "why a")
            self.assertEqual(run.expected_failure("j", "step b", "desktop"), "why b")
            self.assertIsNone(run.expected_failure("j", "step b", "bare"))
            self.assertIsNone(run.expected_failure("k", "step a", "bare"))
        finally:
            config.EXPECTED_FAILURES = saved

    def test_the_marks_name_existing_steps(self):
        # Every journey file loads and every mark of the configuration names one of its steps.
        journeys = run.discover([])
        self.assertTrue(journeys)
        saved = config.EXPECTED_FAILURES
        try:
            config.EXPECTED_FAILURES = saved + [(journeys[0].name, "no such step", None, "x")]
            with self.assertRaises(SystemExit):
                run.discover([])
        finally:
            config.EXPECTED_FAILURES = saved


if __name__ == "__main__":
    unittest.main()
