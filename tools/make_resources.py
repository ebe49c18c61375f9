#!/usr/bin/env python3
"""Draws Quillmoor's artwork from text grids and writes it as BMP, ICO and CUR files.

    make_resources.py OUTDIR    write every file into OUTDIR (made when missing)
    make_resources.py --list    print the names of the files it writes, one a line

Standard library only. The bytes depend on nothing but this script (no dates, no
environment), so two runs give identical files and the build can compare them.

A grid is a list of equal-length strings; each character is one pixel, looked up in
PALETTE. "." is transparent. The sixteen letters are the classic 16-colour set, so any grid
can also be written as a 4-bit entry. Lower-case "s" is a half-transparent shadow that only
32-bit entries keep (4-bit entries and cursors drop it).
"""

import os
import struct
import sys

# ------------------------------------------------------------------------------ colours

# (red, green, blue, alpha)
PALETTE = {
    '.': (0, 0, 0, 0),
    'K': (0, 0, 0, 255),        # black
    'r': (128, 0, 0, 255),      # maroon
    'g': (0, 128, 0, 255),      # green
    'y': (128, 128, 0, 255),    # olive
    'b': (0, 0, 128, 255),      # navy
    'm': (128, 0, 128, 255),    # purple
    'c': (0, 128, 128, 255),    # teal
    'w': (192, 192, 192, 255),  # silver
    'k': (128, 128, 128, 255),  # grey
    'R': (255, 0, 0, 255),      # red
    'G': (0, 255, 0, 255),      # lime
    'Y': (255, 255, 0, 255),    # yellow
    'B': (0, 0, 255, 255),      # blue
    'M': (255, 0, 255, 255),    # fuchsia
    'C': (0, 255, 255, 255),    # aqua
    'W': (255, 255, 255, 255),  # white
    's': (0, 0, 0, 96),         # shadow (32-bit entries only)
}

# The order of the 16-colour palette written into 4-bit entries.
VGA_ORDER = 'KrgybmcwkRGYBMCW'

# The colour bitmap strips are keyed on (TImageList's mask colour).
MASK_COLOUR = (255, 0, 255)


def check_grid(name, grid):
    if not grid:
        raise ValueError('%s: empty grid' % name)
    width = len(grid[0])
    for i, row in enumerate(grid):
        if len(row) != width:
            raise ValueError('%s: row %d is %d wide, not %d' % (name, i, len(row), width))
        for ch in row:
            if ch not in PALETTE:
                raise ValueError('%s: row %d has unknown colour %r' % (name, i, ch))
    return width, len(grid)


def scale(grid, factor):
    """Each pixel becomes a factor x factor block."""
    return [''.join(ch * factor for ch in row) for row in grid for _ in range(factor)]


def place(grid, width, height, left, top):
    """The grid on a transparent canvas of width x height with its corner at (left, top)."""
    gw, gh = len(grid[0]), len(grid)
    if left < 0 or top < 0 or left + gw > width or top + gh > height:
        raise ValueError('grid does not fit the canvas')
    rows = ['.' * width for _ in range(top)]
    for row in grid:
        rows.append('.' * left + row + '.' * (width - left - gw))
    rows.extend('.' * width for _ in range(height - top - gh))
    return rows


def overlay(base, grid, left, top):
    """Grid drawn over base at (left, top); its transparent pixels leave base showing."""
    rows = list(base)
    for y, row in enumerate(grid):
        line = list(rows[top + y])
        for x, ch in enumerate(row):
            if ch != '.':
                line[left + x] = ch
        rows[top + y] = ''.join(line)
    return rows


def transpose(grid):
    return [''.join(row[x] for row in grid) for x in range(len(grid[0]))]


def hstack(grids):
    return [''.join(parts) for parts in zip(*grids)]


# ------------------------------------------------------------------------------ DIB pieces

def row_bytes(width, bits):
    return ((width * bits + 31) // 32) * 4


def info_header(width, height, bits, colours, image_size):
    # BITMAPINFOHEADER; resolution left at 0 (no device meaning for resources).
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, image_size, 0, 0, colours, 0)


def and_mask(grid, opaque):
    """1-bit mask, bottom-up: 1 where the pixel is transparent."""
    width = len(grid[0])
    stride = row_bytes(width, 1)
    out = bytearray()
    for row in reversed(grid):
        line = bytearray(stride)
        for x, ch in enumerate(row):
            if not opaque(ch):
                line[x >> 3] |= 0x80 >> (x & 7)
        out += line
    return bytes(out)


def dib_4bit(grid):
    """A 4-bit icon image: header (double height), 16 colours, pixels, AND mask."""
    width, height = len(grid[0]), len(grid)
    stride = row_bytes(width, 4)
    pixels = bytearray()
    for row in reversed(grid):
        line = bytearray(stride)
        for x, ch in enumerate(row):
            index = VGA_ORDER.index(ch) if PALETTE[ch][3] >= 128 else 0
            line[x >> 1] |= index << (4 if x % 2 == 0 else 0)
        pixels += line
    mask = and_mask(grid, lambda ch: PALETTE[ch][3] >= 128)
    colours = b''.join(struct.pack('<BBBB', PALETTE[c][2], PALETTE[c][1], PALETTE[c][0], 0) for c in VGA_ORDER)
    return info_header(width, height * 2, 4, 16, len(pixels) + len(mask)) + colours + bytes(pixels) + mask


def dib_32bit(grid):
    """A 32-bit icon image with straight alpha: header (double height), BGRA pixels, AND mask."""
    width, height = len(grid[0]), len(grid)
    pixels = bytearray()
    for row in reversed(grid):
        for ch in row:
            r, g, b, a = PALETTE[ch]
            pixels += struct.pack('<BBBB', b, g, r, a)
    mask = and_mask(grid, lambda ch: PALETTE[ch][3] > 0)
    return info_header(width, height * 2, 32, 0, len(pixels) + len(mask)) + bytes(pixels) + mask


def dib_cursor(grid):
    """A monochrome cursor image: XOR bits (1 = white) over the AND mask.

    'K' is black, 'W' white, '.' transparent; any other colour is taken as black and
    half-transparent shadow as transparent, since a monochrome cursor has no more."""
    width, height = len(grid[0]), len(grid)
    stride = row_bytes(width, 1)
    xor = bytearray()
    for row in reversed(grid):
        line = bytearray(stride)
        for x, ch in enumerate(row):
            if ch == 'W':
                line[x >> 3] |= 0x80 >> (x & 7)
        xor += line
    mask = and_mask(grid, lambda ch: PALETTE[ch][3] >= 128)
    colours = struct.pack('<BBBBBBBB', 0, 0, 0, 0, 255, 255, 255, 0)
    return info_header(width, height * 2, 1, 2, len(xor) + len(mask)) + colours + bytes(xor) + mask


# ------------------------------------------------------------------------------ files

def icon_file(entries):
    """An .ico file; entries are (grid, bits) with bits 4 or 32."""
    images = []
    for grid, bits in entries:
        width, height = len(grid[0]), len(grid)
        if width > 256 or height > 256:
            raise ValueError('icon entries are at most 256 pixels')
        data = dib_4bit(grid) if bits == 4 else dib_32bit(grid)
        images.append((width, height, 16 if bits == 4 else 0, 1, bits, data))
    return directory(1, images)


def cursor_file(grid, hot_x, hot_y):
    width, height = len(grid[0]), len(grid)
    if not (0 <= hot_x < width and 0 <= hot_y < height):
        raise ValueError('hot spot outside the cursor')
    # In a cursor directory the planes and bit-count fields hold the hot spot.
    return directory(2, [(width, height, 2, hot_x, hot_y, dib_cursor(grid))])


def directory(kind, images):
    out = bytearray(struct.pack('<HHH', 0, kind, len(images)))
    offset = 6 + 16 * len(images)
    for width, height, colours, field1, field2, data in images:
        out += struct.pack('<BBBBHHII', width % 256, height % 256, colours, 0, field1, field2, len(data), offset)
        offset += len(data)
    for image in images:
        out += image[5]
    return bytes(out)


def bitmap_file(grid, background=MASK_COLOUR):
    """A 24-bit bottom-up .bmp; transparent pixels take the background (mask) colour."""
    width, height = len(grid[0]), len(grid)
    stride = row_bytes(width, 24)
    pixels = bytearray()
    for row in reversed(grid):
        line = bytearray()
        for ch in row:
            r, g, b, a = PALETTE[ch]
            if a < 128:
                r, g, b = background
            line += struct.pack('<BBB', b, g, r)
        line += bytes(stride - len(line))
        pixels += line
    header = info_header(width, height, 24, 0, len(pixels))
    offset = 14 + len(header)
    return struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset) + header + bytes(pixels)


# ------------------------------------------------------------------------------ artwork

# The hand the picture viewer shows over a picture that can be dragged.
HAND_OPEN = [
    '.......KK.......',
    '...KK.KWWKKK....',
    '..KWWKKWWKWWK...',
    '..KWWKKWWKWWK.K.',
    '...KWWKWWKWWKKWK',
    '...KWWKWWKWWKWWK',
    '.KK.KWWWWWWWKWWK',
    'KWWKKWWWWWWWWWWK',
    'KWWWKWWWWWWWWWK.',
    '.KWWWWWWWWWWWWK.',
    '..KWWWWWWWWWWWK.',
    '..KWWWWWWWWWWK..',
    '...KWWWWWWWWWK..',
    '....KWWWWWWWK...',
    '.....KWWWWWWK...',
    '.....KWWWWWWK...',
]

# The same hand holding on, while the picture is dragged.
HAND_CLOSED = [
    '................',
    '................',
    '................',
    '................',
    '....KK.KK.KK....',
    '...KWWKWWKWWKK..',
    '...KWWWWWWWWKWK.',
    '....KWWWWWWWWWK.',
    '...KKWWWWWWWWWK.',
    '..KWWWWWWWWWWWK.',
    '..KWWWWWWWWWWWK.',
    '...KWWWWWWWWWK..',
    '....KWWWWWWWWK..',
    '.....KWWWWWWK...',
    '.....KWWWWWWK...',
    '................',
]

# Both hands sit at (8, 8) of their 32 x 32 cursor; the hot spot is the middle of the palm.
HAND_LEFT, HAND_TOP = 8, 8
HAND_HOT = (HAND_LEFT + 8, HAND_TOP + 10)

# The stock cursors Windows has no system cursor for: dragging, no-drop and the two splitters.
ARROW = [
    'K...........',
    'KK..........',
    'KWK.........',
    'KWWK........',
    'KWWWK.......',
    'KWWWWK......',
    'KWWWWWK.....',
    'KWWWWWWK....',
    'KWWWWWWWK...',
    'KWWWWWWWWK..',
    'KWWWWWKKKKK.',
    'KWWKWWK.....',
    'KWK.KWWK....',
    'KK..KWWK....',
    'K....KWWK...',
    '.....KWWK...',
    '......KK....',
]

DRAG_BOX = [
    'KKKKKKKKK',
    'KWWWWWWWK',
    'KWKKKKKWK',
    'KWWWWWWWK',
    'KWKKKKKWK',
    'KWWWWWWWK',
    'KKKKKKKKK',
]

NO_SIGN = [
    '....KKKKK....',
    '..KKWWWWWKK..',
    '.KWWWKKKWWWK.',
    '.KWWK...KWWK.',
    'KWWK...KWWWWK',
    'KWK...KWWKKWK',
    'KWK..KWWK.KWK',
    'KWKKWWK...KWK',
    'KWWWWK...KWWK',
    '.KWWK...KWWK.',
    '.KWWWKKKWWWK.',
    '..KKWWWWWKK..',
    '....KKKKK....',
]

# Two bars with arrows out of them; the hot spot is the gap between the bars.
SPLIT_H = [
    '........KK.KK........',
    '........KW.WK........',
    '....K...KW.WK...K....',
    '...KK...KW.WK...KK...',
    '..KWKKKKKW.WKKKKKWK..',
    '.KWWWWWWWW.WWWWWWWWK.',
    '..KWKKKKKW.WKKKKKWK..',
    '...KK...KW.WK...KK...',
    '....K...KW.WK...K....',
    '........KW.WK........',
    '........KK.KK........',
]

STOCK_CURSORS = {
    # file name: (grid pieces as (grid, left, top), hot spot)
    'Drag.cur': ([(ARROW, 0, 0), (DRAG_BOX, 8, 18)], (0, 0)),
    'NoDrop.cur': ([(ARROW, 0, 0), (NO_SIGN, 8, 16)], (0, 0)),
    'HSplit.cur': ([(SPLIT_H, 6, 10)], (16, 15)),
    'VSplit.cur': ([(transpose(SPLIT_H), 10, 6)], (15, 16)),
}

# Test set: a cross whose centre, the hot spot, is off the middle so a wrong reading shows.
TEST_CURSOR_HOT = (10, 6)
TEST_CURSOR = [
    '....K....',
    '....K....',
    '....K....',
    '...KWK...',
    'KKKW.WKKK',
    '...KWK...',
    '....K....',
    '....K....',
    '....K....',
]

# Test icon: a framed picture (sky, sun, hill) with a shadow.
TEST_ICON_16 = [
    'KKKKKKKKKKKKKK..',
    'KWWWWWWWWWWWWKs.',
    'KWCCCCCCCCCCWKs.',
    'KWCCCCCCCYYCWKs.',
    'KWCCCCCCYYYYWKs.',
    'KWCCCCCCYYYYWKs.',
    'KWCCCCCCCYYCWKs.',
    'KWCCCgCCCCCCWKs.',
    'KWCCgggCCCCCWKs.',
    'KWCgggggCCCgWKs.',
    'KWgggggggCggWKs.',
    'KWGGGGGGGGGGWKs.',
    'KWGGGGGGGGGGWKs.',
    'KWWWWWWWWWWWWKs.',
    'KKKKKKKKKKKKKKs.',
    '.sssssssssssss..',
]

# Test strip: four 16 x 16 images on the mask colour (transparent cells), each with a
# solid shape whose colour identifies it.
STRIP_CELLS = [
    [  # 0: red square
        '................',
        '................',
        '................',
        '................',
        '....RRRRRRRR....',
        '....RRRRRRRR....',
        '....RRRRRRRR....',
        '....RRRRRRRR....',
        '....RRRRRRRR....',
        '....RRRRRRRR....',
        '....RRRRRRRR....',
        '....RRRRRRRR....',
        '................',
        '................',
        '................',
        '................',
    ],
    [  # 1: green diamond
        '................',
        '.......GG.......',
        '......GGGG......',
        '.....GGGGGG.....',
        '....GGGGGGGG....',
        '...GGGGGGGGGG...',
        '..GGGGGGGGGGGG..',
        '.GGGGGGGGGGGGGG.',
        '.GGGGGGGGGGGGGG.',
        '..GGGGGGGGGGGG..',
        '...GGGGGGGGGG...',
        '....GGGGGGGG....',
        '.....GGGGGG.....',
        '......GGGG......',
        '.......GG.......',
        '................',
    ],
    [  # 2: blue cross
        '................',
        '......BBBB......',
        '......BBBB......',
        '......BBBB......',
        '......BBBB......',
        '......BBBB......',
        '.BBBBBBBBBBBBBB.',
        '.BBBBBBBBBBBBBB.',
        '.BBBBBBBBBBBBBB.',
        '.BBBBBBBBBBBBBB.',
        '......BBBB......',
        '......BBBB......',
        '......BBBB......',
        '......BBBB......',
        '......BBBB......',
        '................',
    ],
    [  # 3: black-framed yellow box
        '................',
        '................',
        '..KKKKKKKKKKKK..',
        '..KYYYYYYYYYYK..',
        '..KYYYYYYYYYYK..',
        '..KYYYYYYYYYYK..',
        '..KYYYYYYYYYYK..',
        '..KYYYYYYYYYYK..',
        '..KYYYYYYYYYYK..',
        '..KYYYYYYYYYYK..',
        '..KYYYYYYYYYYK..',
        '..KYYYYYYYYYYK..',
        '..KYYYYYYYYYYK..',
        '..KKKKKKKKKKKK..',
        '................',
        '................',
    ],
]


# ------------------------------------------------------------------------------ program artwork

def magnifier(size):
    """The program icon at size x size: a magnifying glass over a small landscape (the "search
    icon" the minimize notice points at). Drawn from circles and a line so every size is sharp."""
    import math
    cx = cy = size * 0.40
    r = size * 0.36
    ring = max(1.0, size / 16.0)
    sun_x, sun_y, sun_r = cx + r * 0.30, cy - r * 0.28, r * 0.24
    width = max(1.2, size * 0.085)
    h0 = (cx + r * 0.62, cy + r * 0.62)
    h1 = (size - 1.0 - width, size - 1.0 - width)
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            d = math.hypot(px - cx, py - cy)
            # Distance to the handle's centre line.
            vx, vy = h1[0] - h0[0], h1[1] - h0[1]
            t = max(0.0, min(1.0, ((px - h0[0]) * vx + (py - h0[1]) * vy) / (vx * vx + vy * vy)))
            dh = math.hypot(px - (h0[0] + t * vx), py - (h0[1] + t * vy))
            ch = '.'
            if d <= r - ring:
                ch = 'C'
                if py > cy + r * 0.15 - (px - cx) * 0.35:
                    ch = 'g'  # the hill
                elif math.hypot(px - sun_x, py - sun_y) <= sun_r:
                    ch = 'Y'
                if d > r - ring - max(1.0, size / 16.0) and px < cx - r * 0.2 and py < cy - r * 0.2:
                    ch = 'W'  # the glint on the glass
            elif d <= r:
                ch = 'K'
            elif d <= r + ring * 0.6 and dh > width:
                ch = '.'
            if d > r - ring and dh <= width:
                ch = 'r' if dh <= width - min(1.0, width / 2) else 'K'
            row.append(ch)
        rows.append(''.join(row))
    return rows


# A 5 x 7 pixel font for the banner's words (capitals, digits, "." and blank).
FONT = {
    'A': ['.KKK.', 'K...K', 'K...K', 'KKKKK', 'K...K', 'K...K', 'K...K'],
    'C': ['.KKK.', 'K...K', 'K....', 'K....', 'K....', 'K...K', '.KKK.'],
    'E': ['KKKKK', 'K....', 'K....', 'KKKK.', 'K....', 'K....', 'KKKKK'],
    'I': ['.KKK.', '..K..', '..K..', '..K..', '..K..', '..K..', '.KKK.'],
    'L': ['K....', 'K....', 'K....', 'K....', 'K....', 'K....', 'KKKKK'],
    'M': ['K...K', 'KK.KK', 'K.K.K', 'K.K.K', 'K...K', 'K...K', 'K...K'],
    'O': ['.KKK.', 'K...K', 'K...K', 'K...K', 'K...K', 'K...K', '.KKK.'],
    'P': ['KKKK.', 'K...K', 'K...K', 'KKKK.', 'K....', 'K....', 'K....'],
    'Q': ['.KKK.', 'K...K', 'K...K', 'K...K', 'K.K.K', 'K..K.', '.KK.K'],
    'R': ['KKKK.', 'K...K', 'K...K', 'KKKK.', 'K.K..', 'K..K.', 'K...K'],
    'T': ['KKKKK', '..K..', '..K..', '..K..', '..K..', '..K..', '..K..'],
    'U': ['K...K', 'K...K', 'K...K', 'K...K', 'K...K', 'K...K', '.KKK.'],
    ' ': ['.....'] * 7,
}


def text_grid(text, colour, factor):
    """The words in the pixel font, one blank column between letters, scaled by factor."""
    rows = ['' for _ in range(7)]
    for i, ch in enumerate(text):
        glyph = FONT[ch]
        for y in range(7):
            rows[y] += ('.' if i else '') + glyph[y].replace('K', colour)
    return scale(rows, factor)


BANNER_SIZE = (320, 80)
BANNER_TITLE = 'QUILLMOOR'
BANNER_SUBTITLE = 'PICTURE COLLECTOR'


def banner():
    """Bitmap 101 of the splash and About windows: the icon and the product's name on navy."""
    width, height = BANNER_SIZE
    canvas = ['b' * width for _ in range(height)]
    # A lighter band behind the words and a line under it.
    canvas = overlay(canvas, ['B' * (width - 80)] * 2, 80, 62)
    icon = magnifier(60)
    canvas = overlay(canvas, icon, 10, 10)
    shadow = text_grid(BANNER_TITLE, 'K', 4)
    title = text_grid(BANNER_TITLE, 'W', 4)
    canvas = overlay(canvas, shadow, 88, 12)
    canvas = overlay(canvas, title, 86, 10)
    canvas = overlay(canvas, text_grid(BANNER_SUBTITLE, 'Y', 1), 88, 48)
    return canvas


def artwork():
    """Every file this script writes: name -> bytes."""
    files = {}
    for name, grid in (('HandOpened', HAND_OPEN), ('HandClosed', HAND_CLOSED)):
        check_grid(name, grid)
        files[name + '.cur'] = cursor_file(place(grid, 32, 32, HAND_LEFT, HAND_TOP), *HAND_HOT)

    for name, (pieces, hot) in STOCK_CURSORS.items():
        canvas = ['.' * 32] * 32
        for grid, left, top in pieces:
            check_grid(name, grid)
            canvas = overlay(canvas, grid, left, top)
        files[name] = cursor_file(canvas, *hot)

    check_grid('TestCursor', TEST_CURSOR)
    cx, cy = TEST_CURSOR_HOT
    files['TestCursor.cur'] = cursor_file(place(TEST_CURSOR, 32, 32, cx - 4, cy - 4), cx, cy)

    check_grid('TestIcon', TEST_ICON_16)
    icon32 = scale(TEST_ICON_16, 2)
    files['TestIcon.ico'] = icon_file([(icon32, 32), (TEST_ICON_16, 32), (icon32, 4), (TEST_ICON_16, 4)])

    for i, cell in enumerate(STRIP_CELLS):
        if check_grid('TestStrip cell %d' % i, cell) != (16, 16):
            raise ValueError('strip cells are 16 x 16')
    files['TestStrip.bmp'] = bitmap_file(hstack(STRIP_CELLS))

    # The program icon (16 and 32 pixels, each in 32 and 4 bits) and the banner, bitmap 101.
    icon16, icon32 = magnifier(16), magnifier(32)
    files['Quillmoor.ico'] = icon_file([(icon32, 32), (icon16, 32), (icon32, 4), (icon16, 4)])
    files['Banner.bmp'] = bitmap_file(banner())
    return files


# ============================================================================== main window
# The main window's image strips: the task tree, the address rows, the report page and the
# "Standard" toolbar. Each cell is 16 x 16 on the mask colour; cells are drawn from a few
# shapes so each kind reads at a glance.

def _mw_canvas():
    return [['.'] * 16 for _ in range(16)]


def _mw_rect(c, x0, y0, x1, y1, fill, edge=None):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            border = x in (x0, x1) or y in (y0, y1)
            c[y][x] = edge if (edge and border) else fill


def _mw_folder(c, fill='Y', open_=False):
    _mw_rect(c, 1, 3, 6, 5, fill, 'y')
    _mw_rect(c, 1, 4, 14, 13, fill, 'y')
    if open_:
        _mw_rect(c, 3, 7, 15, 13, 'W', 'y')


def _mw_page(c, fill='W'):
    _mw_rect(c, 3, 1, 12, 14, fill, 'K')
    for y in (4, 6, 8, 10):
        for x in range(5, 11):
            c[y][x] = 'k'


def _mw_badge(c, colour, shape):
    """A small mark in the lower right corner: a play triangle, a square or a clock."""
    if shape == 'play':
        for i in range(5):
            for y in range(9 + i // 2, 16 - i // 2 - (1 if i % 2 else 0)):
                c[y][10 + i] = colour
    elif shape == 'stop':
        _mw_rect(c, 9, 9, 15, 15, colour, 'K')
    elif shape == 'clock':
        _mw_rect(c, 9, 9, 15, 15, 'W', colour)
        c[12][12] = c[11][12] = c[10][12] = 'K'
        c[12][13] = c[12][14] = 'K'


def _mw_task(c, fill='C'):
    # A picture frame: the task's kind is the picture it collects.
    _mw_rect(c, 0, 1, 12, 11, fill, 'b')
    for x in range(2, 11):
        c[9][x] = 'g'
    c[3][9] = c[3][10] = c[4][9] = c[4][10] = 'Y'


def _mw_cells_tree():
    cells = []
    root = _mw_canvas(); _mw_rect(root, 1, 1, 14, 14, 'w', 'K'); _mw_rect(root, 3, 3, 12, 12, 'B', 'b')
    cells.append(root)
    opened = _mw_canvas(); _mw_folder(opened, open_=True); cells.append(opened)
    page = _mw_canvas(); _mw_page(page); cells.append(page)
    running = _mw_canvas(); _mw_task(running); _mw_badge(running, 'G', 'play'); cells.append(running)
    stopped = _mw_canvas(); _mw_task(stopped); _mw_badge(stopped, 'R', 'stop'); cells.append(stopped)
    folder = _mw_canvas(); _mw_folder(folder); cells.append(folder)
    queued = _mw_canvas(); _mw_task(queued); _mw_badge(queued, 'b', 'clock'); cells.append(queued)
    return cells


def _mw_cells_urls():
    idle = _mw_canvas(); _mw_rect(idle, 4, 4, 11, 11, 'w', 'k')
    running = _mw_canvas(); _mw_badge(running, 'G', 'play')
    running = [row[:] for row in running]
    # Move the play mark to the middle.
    mid = _mw_canvas()
    for y in range(16):
        for x in range(16):
            if running[y][x] != '.':
                mid[y - 5][x - 6] = running[y][x]
    return [idle, mid]


def _mw_cells_report():
    cells = []
    for colour in ('B', 'G', 'Y', 'C'):
        c = _mw_canvas()
        _mw_rect(c, 3, 3, 12, 12, colour, 'K')
        c[6][7] = c[6][8] = 'K'
        for y in range(8, 11):
            c[y][7] = c[y][8] = 'K'
        cells.append(c)
    return cells


def _mw_arrow_right(c, colour):
    for x in range(3, 10):
        c[7][x] = c[8][x] = colour
    for i in range(5):
        for y in range(3 + i, 13 - i):
            c[y][9 + i] = colour


def _mw_cells_toolbar():
    cells = []
    new = _mw_canvas(); _mw_page(new); c = new; c[1][13] = c[2][14] = c[0][14] = c[1][15] = 'Y'; cells.append(new)
    newf = _mw_canvas(); _mw_folder(newf); newf[1][13] = newf[2][14] = newf[0][14] = newf[1][15] = 'R'; cells.append(newf)
    prop = _mw_canvas(); _mw_page(prop); _mw_rect(prop, 8, 8, 15, 15, 'w', 'K'); prop[11][11] = prop[12][12] = 'K'
    cells.append(prop)
    delete = _mw_canvas()
    for i in range(12):
        delete[2 + i][2 + i] = delete[2 + i][3 + i] = 'R'
        delete[2 + i][13 - i] = delete[2 + i][12 - i] = 'R'
    cells.append(delete)
    run = _mw_canvas(); _mw_arrow_right(run, 'g'); cells.append(run)
    stop = _mw_canvas(); _mw_rect(stop, 3, 3, 12, 12, 'R', 'r'); cells.append(stop)
    restart = _mw_canvas()
    for x in range(3, 13):
        restart[3][x] = restart[12][x] = 'b'
    for y in range(3, 13):
        restart[y][3] = restart[y][12] = 'b'
    restart[3][12] = '.'; restart[2][11] = restart[4][11] = 'b'; restart[1][10] = restart[5][10] = 'b'
    cells.append(restart)
    stopall = _mw_canvas(); _mw_rect(stopall, 1, 1, 9, 9, 'R', 'r'); _mw_rect(stopall, 6, 6, 14, 14, 'R', 'r')
    cells.append(stopall)
    refresh = _mw_canvas()
    for x in range(3, 13):
        refresh[3][x] = refresh[12][x] = 'g'
    for y in range(3, 13):
        refresh[y][3] = refresh[y][12] = 'g'
    refresh[12][3] = '.'; refresh[11][4] = refresh[13][4] = 'g'; refresh[10][5] = refresh[14][5] = 'g'
    cells.append(refresh)
    imp = _mw_canvas(); _mw_rect(imp, 1, 9, 14, 14, 'w', 'K')
    for y in range(1, 8):
        imp[y][7] = imp[y][8] = 'B'
    for i in range(4):
        imp[4 + i][4 + i] = imp[4 + i][11 - i] = 'B'
    cells.append(imp)
    options = _mw_canvas(); _mw_rect(options, 2, 2, 13, 13, 'w', 'K')
    for y in (5, 8, 11):
        for x in range(4, 12):
            options[y][x] = 'k'
        options[y][6 if y != 8 else 9] = 'B'
    cells.append(options)
    helpc = _mw_canvas(); _mw_rect(helpc, 2, 2, 13, 13, 'B', 'b')
    for (x, y) in ((6, 4), (7, 4), (8, 4), (9, 5), (9, 6), (8, 7), (7, 8), (7, 9), (7, 11)):
        helpc[y][x] = 'W'
    cells.append(helpc)
    return cells


def main_window_artwork():
    files = {}
    for name, cells in (('MainTree', _mw_cells_tree()), ('MainUrls', _mw_cells_urls()),
                        ('MainReport', _mw_cells_report()), ('MainToolBar', _mw_cells_toolbar())):
        grids = [[''.join(row) for row in cell] for cell in cells]
        for i, g in enumerate(grids):
            if check_grid('%s cell %d' % (name, i), g) != (16, 16):
                raise ValueError('main window cells are 16 x 16')
        files[name + '.bmp'] = bitmap_file(hstack(grids))
    return files


_artwork_without_main_window = artwork


def artwork():
    files = _artwork_without_main_window()
    files.update(main_window_artwork())
    return files
# ============================================================================== end of main window


# ============================================================================== command bars
# The command bar framework's cursors (screen cursors 1041-1044 and 2100-2113) and bitmaps (the
# caption glyphs of floating windows and the menu-expand chevrons). Cursors are 32 x 32; arrow
# cursors have their hot spot at the arrow's tip, the others at the centre pixel (16, 16).

CB_CENTRE = (16, 16)

# Small marks drawn beside the arrow: a plus for copying, a cross for removing.
CB_PLUS = [
    '..KKK..',
    '..KWK..',
    'KKKWKKK',
    'KWWWWWK',
    'KKKWKKK',
    '..KWK..',
    '..KKK..',
]

CB_CROSS = [
    'KK...KK',
    'KWK.KWK',
    '.KWKWK.',
    '..KWK..',
    '.KWKWK.',
    'KWK.KWK',
    'KK...KK',
]

# A double arrow, left and right; the vertical one is its transpose.
CB_DOUBLE_ARROW = [
    '...K...........K...',
    '..KK...........KK..',
    '.KWKKKKKKKKKKKKKWK.',
    'KWWWWWWWWWWWWWWWWWK',
    '.KWKKKKKKKKKKKKKWK.',
    '..KK...........KK..',
    '...K...........K...',
]

# The bar an edit's sizing arrow runs through.
CB_BAR = ['KKKK'] + ['KWWK'] * 15 + ['KKKK']

# Scroll cursors: a dot at the hot spot and arrowheads in their directions.
CB_DOT = [
    '.KKK.',
    'KWWWK',
    'KWKWK',
    'KWWWK',
    '.KKK.',
]

CB_HEAD_UP = [
    '....K....',
    '...KWK...',
    '..KWWWK..',
    '.KWWWWWK.',
    'KKKKKKKKK',
]


def _cb_centred(pieces):
    """Pieces as (grid, dx, dy) with (dx, dy) the offset of the grid's centre from (16, 16)."""
    canvas = ['.' * 32] * 32
    for grid, dx, dy in pieces:
        w, h = check_grid('command bar cursor', grid)
        canvas = overlay(canvas, grid, CB_CENTRE[0] + dx - w // 2, CB_CENTRE[1] + dy - h // 2)
    return canvas


def _cb_arrow(marks):
    """The arrow at the corner with marks (grid, left, top) beside it."""
    canvas = overlay(['.' * 32] * 32, ARROW, 0, 0)
    for grid, left, top in marks:
        canvas = overlay(canvas, grid, left, top)
    return canvas


def _cb_heads(directions):
    down = list(reversed(CB_HEAD_UP))
    left = transpose(CB_HEAD_UP)
    right = [row[::-1] for row in left]
    heads = {'up': (CB_HEAD_UP, 0, -7), 'down': (down, 0, 7), 'left': (left, -7, 0), 'right': (right, 7, 0)}
    return [(CB_DOT, 0, 0)] + [heads[d] for d in directions]


def command_bar_cursors():
    """File name -> (grid, hot spot) of every cursor of the framework."""
    drag = _cb_arrow([(DRAG_BOX, 8, 18)])
    copy = _cb_arrow([(DRAG_BOX, 8, 18), (CB_PLUS, 18, 22)])
    no_drop = _cb_centred([(NO_SIGN, 0, 0)])
    sizing = overlay(_cb_centred([(CB_BAR, 0, 0)]), CB_DOUBLE_ARROW, CB_CENTRE[0] - 9, CB_CENTRE[1] - 3)
    multi = _cb_arrow([(DRAG_BOX, 12, 22), (DRAG_BOX, 8, 18)])
    tip = (0, 0)
    return {
        'CBBarDrag.cur': (drag, tip),
        'CBBarDragCopy.cur': (copy, tip),
        'CBBarDragNoDrop.cur': (no_drop, CB_CENTRE),
        'CBBarEditSizing.cur': (sizing, CB_CENTRE),
        'UIDragCopy.cur': (copy, tip),
        'UIFullScroll.cur': (_cb_centred(_cb_heads(['up', 'down', 'left', 'right'])), CB_CENTRE),
        'UIHorScroll.cur': (_cb_centred(_cb_heads(['left', 'right'])), CB_CENTRE),
        'UIVerScroll.cur': (_cb_centred(_cb_heads(['up', 'down'])), CB_CENTRE),
        'UIUpScroll.cur': (_cb_centred(_cb_heads(['up'])), CB_CENTRE),
        'UIRightScroll.cur': (_cb_centred(_cb_heads(['right'])), CB_CENTRE),
        'UIDownScroll.cur': (_cb_centred(_cb_heads(['down'])), CB_CENTRE),
        'UILeftScroll.cur': (_cb_centred(_cb_heads(['left'])), CB_CENTRE),
        'UIRemove.cur': (_cb_arrow([(CB_CROSS, 10, 18)]), tip),
        'UIVertSize.cur': (_cb_centred([(transpose(CB_DOUBLE_ARROW), 0, 0)]), CB_CENTRE),
        'UIHorzSize.cur': (_cb_centred([(CB_DOUBLE_ARROW, 0, 0)]), CB_CENTRE),
        'UIMultiDrag.cur': (multi, tip),
        'UINoDrop.cur': (no_drop, CB_CENTRE),
        'UIDrag.cur': (drag, tip),
    }


# Caption glyphs of floating windows, 16 x 16 on the mask colour.
CB_CLOSE = [
    '................',
    '................',
    '................',
    '....KK....KK....',
    '.....KK..KK.....',
    '......KKKK......',
    '.......KK.......',
    '......KKKK......',
    '.....KK..KK.....',
    '....KK....KK....',
    '................',
    '................',
    '................',
    '................',
    '................',
    '................',
]

CB_MAXIMIZE = [
    '................',
    '................',
    '...KKKKKKKKK....',
    '...KKKKKKKKK....',
    '...K.......K....',
    '...K.......K....',
    '...K.......K....',
    '...K.......K....',
    '...K.......K....',
    '...K.......K....',
    '...KKKKKKKKK....',
    '................',
    '................',
    '................',
    '................',
    '................',
]

CB_RESTORE = [
    '................',
    '................',
    '.....KKKKKK.....',
    '.....KKKKKK.....',
    '.....K....K.....',
    '...KKKKKK.K.....',
    '...KKKKKK.K.....',
    '...K....KKK.....',
    '...K....K.......',
    '...K....K.......',
    '...KKKKKK.......',
    '................',
    '................',
    '................',
    '................',
    '................',
]

CB_MINIMIZE = [
    '................',
    '................',
    '................',
    '................',
    '................',
    '................',
    '................',
    '................',
    '................',
    '...KKKKKK.......',
    '...KKKKKK.......',
    '................',
    '................',
    '................',
    '................',
    '................',
]

# Two chevrons pointing down in two grey shades, for the painter to recolour; pixel (0, 0)
# shows the transparent colour.
CB_EXPAND = [
    '.........',
    '.k.....k.',
    '.wk...kw.',
    '..wk.kw..',
    '.k.wkw.k.',
    '.wk.w.kw.',
    '..wk.kw..',
    '...wkw...',
    '....w....',
]

COMMAND_BAR_BITMAPS = {
    'CBBarClose.bmp': CB_CLOSE,
    'CBBarMaximize.bmp': CB_MAXIMIZE,
    'CBBarRestore.bmp': CB_RESTORE,
    'CBBarMinimize.bmp': CB_MINIMIZE,
    'CBBarSubMenuExpand.bmp': CB_EXPAND,
}


def command_bar_artwork():
    files = {}
    for name, (grid, hot) in command_bar_cursors().items():
        if check_grid(name, grid) != (32, 32):
            raise ValueError('%s: command bar cursors are 32 x 32' % name)
        files[name] = cursor_file(grid, *hot)
    for name, grid in COMMAND_BAR_BITMAPS.items():
        check_grid(name, grid)
        files[name] = bitmap_file(grid)
    return files


_artwork_without_command_bars = artwork


def artwork():
    files = _artwork_without_command_bars()
    files.update(command_bar_artwork())
    return files
# ============================================================================== end of command bars


# ============================================================================== look-and-feel painters
# The five images of the look-and-feel painters' image list, 16 x 16 on white (the list's
# transparent colour, so no image uses white itself): the indicator's arrow, a pencil, an
# insertion mark, three dots and a double arrow.

UI_WHITE = (255, 255, 255)

UI_ARROW = [
    '................',
    '................',
    '................',
    '................',
    '.....K..........',
    '.....KK.........',
    '.....KKK........',
    '.....KKKK.......',
    '.....KKKKK......',
    '.....KKKK.......',
    '.....KKK........',
    '.....KK.........',
    '.....K..........',
    '................',
    '................',
    '................',
]

UI_PENCIL = [
    '................',
    '..........KK....',
    '.........KrrK...',
    '........KYrrrK..',
    '.......KYYKrK...',
    '......KYYYYK....',
    '.....KYYYYK.....',
    '....KYYYYK......',
    '...KyYYYK.......',
    '...KwyYK........',
    '..KwwwK.........',
    '..KwwK..........',
    '..KKK...........',
    '................',
    '................',
    '................',
]

UI_INSERT = [
    '................',
    '................',
    '................',
    '.......K........',
    '...K...K...K....',
    '....K..K..K.....',
    '.....K.K.K......',
    '......KKK.......',
    '...KKKKKKKKK....',
    '......KKK.......',
    '.....K.K.K......',
    '....K..K..K.....',
    '...K...K...K....',
    '.......K........',
    '................',
    '................',
]

UI_MULTI_DOT = ['.' * 16] * 7 + ['..KK...KK...KK..'] * 2 + ['.' * 16] * 7

UI_MULTI_ARROW = (['.' * 16] * 4 + [
    '..K.....K.......',
    '..KK....KK......',
    '..KKK...KKK.....',
    '..KKKK..KKKK....',
    '..KKKKK.KKKKK...',
    '..KKKK..KKKK....',
    '..KKK...KKK.....',
    '..KK....KK......',
    '..K.....K.......',
] + ['.' * 16] * 3)

LOOK_AND_FEEL_BITMAPS = {
    'UIArrow.bmp': UI_ARROW,
    'UIEdit.bmp': UI_PENCIL,
    'UIInsert.bmp': UI_INSERT,
    'UIMultiDot.bmp': UI_MULTI_DOT,
    'UIMultiArrow.bmp': UI_MULTI_ARROW,
}


def look_and_feel_artwork():
    files = {}
    for name, grid in LOOK_AND_FEEL_BITMAPS.items():
        if check_grid(name, grid) != (16, 16):
            raise ValueError('%s: the look-and-feel images are 16 x 16' % name)
        if any('W' in row for row in grid):
            raise ValueError('%s: white is the transparent colour' % name)
        files[name] = bitmap_file(grid, UI_WHITE)
    return files


_artwork_without_look_and_feel = artwork


def artwork():
    files = _artwork_without_look_and_feel()
    files.update(look_and_feel_artwork())
    return files
# ============================================================================== end of look-and-feel painters


def write_file(path, data):
    # Written whole under another name first, so a stopped build never leaves half a file.
    tmp = path + '.tmp'
    with open(tmp, 'wb') as f:
        f.write(data)
    os.replace(tmp, path)


def main(argv):
    if len(argv) != 2 or argv[1] in ('-h', '--help'):
        sys.stderr.write(__doc__)
        return 2
    files = artwork()
    if argv[1] == '--list':
        for name in sorted(files):
            print(name)
        return 0
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    for name in sorted(files):
        write_file(os.path.join(out, name), files[name])
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
