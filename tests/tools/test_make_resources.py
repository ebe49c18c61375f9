"""Tests of tools/make_resources.py: stable bytes, and files other readers (Pillow) accept."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, '..', '..', 'tools', 'make_resources.py')

sys.path.insert(0, os.path.dirname(SCRIPT))
import make_resources  # noqa: E402

try:
    from PIL import Image
except ImportError:  # Debian's python3-pil is part of the set-up; say so plainly if missing
    Image = None


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def run_script(out):
    subprocess.run([sys.executable, SCRIPT, out], check=True)
    return {name: read(os.path.join(out, name)) for name in sorted(os.listdir(out))}


def directory_entries(data):
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    entries = []
    for i in range(count):
        w, h, colours, res, f1, f2, size, offset = struct.unpack_from('<BBBBHHII', data, 6 + 16 * i)
        entries.append(dict(width=w or 256, height=h or 256, colours=colours, field1=f1, field2=f2,
                            size=size, offset=offset))
    return reserved, kind, entries


class Determinism(unittest.TestCase):
    def test_two_runs_give_identical_files(self):
        with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
            first = run_script(a)
            second = run_script(b)
            self.assertEqual(sorted(first), sorted(second))
            for name in first:
                self.assertEqual(first[name], second[name], name)
            # Nothing but the listed files, and no temporary left behind.
            listed = subprocess.run([sys.executable, SCRIPT, '--list'], check=True,
                                    capture_output=True, text=True).stdout.split()
            self.assertEqual(sorted(listed), sorted(first))

    def test_a_second_run_into_the_same_folder_keeps_the_bytes(self):
        with tempfile.TemporaryDirectory() as a:
            first = run_script(a)
            self.assertEqual(first, run_script(a))

    def test_usage_errors(self):
        r = subprocess.run([sys.executable, SCRIPT], capture_output=True)
        self.assertEqual(2, r.returncode)


class Structure(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.files = make_resources.artwork()

    def test_test_icon_directory(self):
        reserved, kind, entries = directory_entries(self.files['TestIcon.ico'])
        self.assertEqual((0, 1), (reserved, kind))
        got = sorted((e['width'], e['height'], e['field2']) for e in entries)
        self.assertEqual([(16, 16, 4), (16, 16, 32), (32, 32, 4), (32, 32, 32)], got)
        data = self.files['TestIcon.ico']
        for e in entries:
            self.assertLessEqual(e['offset'] + e['size'], len(data))
            header = struct.unpack_from('<IiiHH', data, e['offset'])
            # The image's own header: double height (colour image over the mask).
            self.assertEqual((40, e['width'], 2 * e['height'], 1, e['field2']), header)
            self.assertEqual(16 if e['field2'] == 4 else 0, e['colours'])

    def test_cursors_carry_their_hot_spots(self):
        expected = {
            'HandOpened.cur': make_resources.HAND_HOT,
            'HandClosed.cur': make_resources.HAND_HOT,
            'TestCursor.cur': make_resources.TEST_CURSOR_HOT,
        }
        for name, hot in expected.items():
            reserved, kind, entries = directory_entries(self.files[name])
            self.assertEqual((0, 2), (reserved, kind), name)
            self.assertEqual(1, len(entries), name)
            e = entries[0]
            self.assertEqual((32, 32), (e['width'], e['height']), name)
            self.assertEqual(hot, (e['field1'], e['field2']), name)

    def test_hand_hot_spots_lie_in_the_palm(self):
        # The hot spot is an opaque white pixel of the drawn hand.
        for grid in (make_resources.HAND_OPEN, make_resources.HAND_CLOSED):
            x = make_resources.HAND_HOT[0] - make_resources.HAND_LEFT
            y = make_resources.HAND_HOT[1] - make_resources.HAND_TOP
            self.assertEqual('W', grid[y][x])

    def test_test_cursor_hot_spot_is_the_centre_of_the_cross(self):
        grid = make_resources.place(make_resources.TEST_CURSOR, 32, 32,
                                    make_resources.TEST_CURSOR_HOT[0] - 4, make_resources.TEST_CURSOR_HOT[1] - 4)
        x, y = make_resources.TEST_CURSOR_HOT
        self.assertEqual('.', grid[y][x])
        self.assertEqual('W', grid[y][x - 1])
        self.assertEqual('W', grid[y][x + 1])
        self.assertEqual('W', grid[y - 1][x])
        self.assertEqual('W', grid[y + 1][x])

    def test_bad_grids_are_refused(self):
        with self.assertRaises(ValueError):
            make_resources.check_grid('x', ['..', '...'])
        with self.assertRaises(ValueError):
            make_resources.check_grid('x', ['.?'])
        with self.assertRaises(ValueError):
            make_resources.cursor_file(['..', '..'], 2, 0)
        with self.assertRaises(ValueError):
            make_resources.place(['...'], 2, 2, 0, 0)


@unittest.skipIf(Image is None, 'Pillow (python3-pil) is not installed')
class ReadByPillow(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        run_script(cls.tmp.name)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def path(self, name):
        return os.path.join(self.tmp.name, name)

    def test_icon_has_both_sizes_with_the_drawn_pixels(self):
        with Image.open(self.path('TestIcon.ico')) as im:
            self.assertEqual('ICO', im.format)
            self.assertEqual({(16, 16), (32, 32)}, set(im.ico.sizes()))
            for size in ((16, 16), (32, 32)):
                frame = im.ico.getimage(size).convert('RGBA')
                self.assertEqual(size, frame.size)
                f = size[0] // 16
                grid = make_resources.TEST_ICON_16
                for y in range(16):
                    for x in range(16):
                        r, g, b, a = make_resources.PALETTE[grid[y][x]]
                        got = frame.getpixel((x * f, y * f))
                        if a == 0:
                            self.assertEqual(0, got[3], (size, x, y))
                        else:
                            self.assertEqual((r, g, b, a), got, (size, x, y))
            # Every entry, the 4-bit ones too, decodes at its size.
            for index, entry in enumerate(im.ico.entry):
                frame = im.ico.frame(index)
                self.assertEqual((entry['width'], entry['height']), frame.size)

    def test_four_bit_entries_hold_the_opaque_colours(self):
        with Image.open(self.path('TestIcon.ico')) as im:
            four = [i for i, e in enumerate(im.ico.entry) if e['bpp'] == 4]
            self.assertEqual(2, len(four))
            for index in four:
                frame = im.ico.frame(index).convert('RGBA')
                f = frame.size[0] // 16
                grid = make_resources.TEST_ICON_16
                for y in range(16):
                    for x in range(16):
                        r, g, b, a = make_resources.PALETTE[grid[y][x]]
                        got = frame.getpixel((x * f, y * f))
                        if a >= 128:
                            self.assertEqual((r, g, b, 255), got, (index, x, y))
                        else:
                            self.assertEqual(0, got[3], (index, x, y))

    def test_strip_has_its_drawn_size_and_mask_colour(self):
        with Image.open(self.path('TestStrip.bmp')) as im:
            self.assertEqual('BMP', im.format)
            self.assertEqual((16 * len(make_resources.STRIP_CELLS), 16), im.size)
            rgb = im.convert('RGB')
            for cell, grid in enumerate(make_resources.STRIP_CELLS):
                for y in range(16):
                    for x in range(16):
                        r, g, b, a = make_resources.PALETTE[grid[y][x]]
                        want = (r, g, b) if a >= 128 else make_resources.MASK_COLOUR
                        self.assertEqual(want, rgb.getpixel((cell * 16 + x, y)), (cell, x, y))

    def test_cursors_open(self):
        for name in ('HandOpened.cur', 'HandClosed.cur', 'TestCursor.cur'):
            with Image.open(self.path(name)) as im:
                self.assertEqual('CUR', im.format)
                self.assertEqual((32, 32), im.size)


class ProgramArtwork(unittest.TestCase):
    """The program icon and the splash/About banner (bitmap 101)."""

    @classmethod
    def setUpClass(cls):
        cls.files = make_resources.artwork()

    def test_program_icon_has_16_and_32_pixel_entries(self):
        reserved, kind, entries = directory_entries(self.files['Quillmoor.ico'])
        self.assertEqual((0, 1), (reserved, kind))
        got = sorted((e['width'], e['height'], e['field2']) for e in entries)
        self.assertEqual([(16, 16, 4), (16, 16, 32), (32, 32, 4), (32, 32, 32)], got)

    def test_magnifier_is_drawn_at_every_size(self):
        for size in (16, 32, 60):
            grid = make_resources.magnifier(size)
            self.assertEqual((size, size), make_resources.check_grid('magnifier', grid))
            text = ''.join(grid)
            # Outline, glass, landscape and handle are all there; the corners stay transparent.
            for colour in 'KCgr':
                self.assertIn(colour, text, (size, colour))
            self.assertEqual('.', grid[0][0])
            self.assertEqual('.', grid[0][size - 1])
            self.assertEqual('.', grid[size - 1][0])

    def test_banner_is_a_24_bit_bitmap_of_its_size(self):
        data = self.files['Banner.bmp']
        magic, size, _, _, offset = struct.unpack_from('<2sIHHI', data, 0)
        self.assertEqual(b'BM', magic)
        self.assertEqual(len(data), size)
        hsize, width, height, planes, bits = struct.unpack_from('<IiiHH', data, 14)
        self.assertEqual((40, make_resources.BANNER_SIZE[0], make_resources.BANNER_SIZE[1], 1, 24),
                         (hsize, width, height, planes, bits))
        self.assertEqual(offset + make_resources.row_bytes(width, 24) * height, len(data))

    def test_banner_spells_the_product_name(self):
        # The title's letters are white pixels on the banner, left to right in the font's shapes.
        grid = make_resources.banner()
        title = make_resources.text_grid(make_resources.BANNER_TITLE, 'W', 4)
        for y, row in enumerate(title):
            for x, ch in enumerate(row):
                if ch == 'W':
                    self.assertEqual('W', grid[10 + y][86 + x], (x, y))
        self.assertEqual('b', grid[0][0])

    def test_text_grid_refuses_unknown_letters(self):
        with self.assertRaises(KeyError):
            make_resources.text_grid('q', 'W', 1)


class CommandBarArtwork(unittest.TestCase):
    """The command bar framework's cursors and bitmaps."""

    @classmethod
    def setUpClass(cls):
        cls.files = make_resources.artwork()

    def test_cursors_carry_hot_spots_on_drawn_pixels(self):
        cursors = make_resources.command_bar_cursors()
        self.assertEqual(18, len(cursors))
        for name, (grid, hot) in cursors.items():
            reserved, kind, entries = directory_entries(self.files[name])
            self.assertEqual((0, 2, 1), (reserved, kind, len(entries)), name)
            self.assertEqual((32, 32), (entries[0]['width'], entries[0]['height']), name)
            self.assertEqual(hot, (entries[0]['field1'], entries[0]['field2']), name)
            # Arrows point with their black tip; the others are centred on a drawn pixel.
            self.assertIn(hot, ((0, 0), (16, 16)), name)
            self.assertNotEqual('.', grid[hot[1]][hot[0]], name)

    def test_bitmaps_show_the_transparent_colour_at_their_corner(self):
        for name, grid in make_resources.COMMAND_BAR_BITMAPS.items():
            data = self.files[name]
            hsize, width, height, planes, bits = struct.unpack_from('<IiiHH', data, 14)
            self.assertEqual((len(grid[0]), len(grid), 24), (width, height, bits), name)
            # Bottom-up rows: the top-left pixel starts the last row.
            offset = struct.unpack_from('<I', data, 10)[0] + make_resources.row_bytes(width, 24) * (height - 1)
            self.assertEqual(bytes((255, 0, 255)), data[offset:offset + 3], name)
        # The expand chevrons come in two grey shades for the recolouring to spread.
        shades = set(''.join(make_resources.CB_EXPAND)) - {'.'}
        self.assertEqual({'k', 'w'}, shades)


@unittest.skipIf(Image is None, 'Pillow (python3-pil) is not installed')
class ProgramArtworkReadByPillow(unittest.TestCase):
    def test_icon_and_banner_open(self):
        with tempfile.TemporaryDirectory() as out:
            run_script(out)
            with Image.open(os.path.join(out, 'Quillmoor.ico')) as im:
                self.assertEqual({(16, 16), (32, 32)}, set(im.ico.sizes()))
                frame = im.ico.getimage((32, 32)).convert('RGBA')
                grid = make_resources.magnifier(32)
                for y in range(32):
                    for x in range(32):
                        r, g, b, a = make_resources.PALETTE[grid[y][x]]
                        if a:
                            self.assertEqual((r, g, b, a), frame.getpixel((x, y)), (x, y))
            with Image.open(os.path.join(out, 'Banner.bmp')) as im:
                self.assertEqual(make_resources.BANNER_SIZE, im.size)
                self.assertEqual((0, 0, 128), im.convert('RGB').getpixel((0, 0)))


if __name__ == '__main__':
    unittest.main()
