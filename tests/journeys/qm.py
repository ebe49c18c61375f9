"""What the journeys know of Quillmoor's main window, found from what the screen shows.

The regions (the menu bar's titles, the toolbar's buttons, the status bar, an open menu's rows)
are measured on a picture of the window as it stands, so a change of font or theme moves them
instead of breaking the verdict.
"""

from dataclasses import dataclass

import jlib
from jlib import Rect, StepFailed, check

MAIN_TITLE = r"^Quillmoor \d"


def main_window(s, timeout=10.0):
    return s.find_window(MAIN_TITLE, timeout=timeout, what="the main window")


def neutral_point(s, main):
    """A point off the program's bars and lists where the mouse rests between steps: the log
    pane low in the main window. It stays inside the window: on a display without a window
    manager the keyboard goes to the window under the pointer."""
    return (main.rect.x + main.rect.w // 2, main.rect.bottom - 50)


def rest_mouse(s, main):
    s.move(*neutral_point(s, main))


def main_at_rest(s, ctx):
    """A journey's start: the main window found and kept as ctx["main"], the mouse resting on it
    and the window drawn still."""
    main = main_window(s)
    ctx["main"] = main
    rest_mouse(s, main)
    s.settle(main.rect)
    return main


def _is_light(p):
    return min(p) >= 200


def _is_ink(p):
    # A pixel of a glyph or a text on the bars' light face: dark, or clearly coloured.
    return max(p) < 120 or (max(p) - min(p) > 60)


@dataclass
class MenuBar:
    band: Rect          # the strip of the menu bar (titles' height, the window's width)
    titles: list        # Rect of each title, left to right


def menu_bar(s, main, img=None):
    """The menu bar's titles: the first strip below the window's top whose face is light and
    which holds text, cut into words."""
    r = main.rect
    top = Rect(r.x, r.y, r.w, min(90, r.h))
    img = img or s.grab(top)
    px = img.load()
    w, h = img.size
    text_rows = []
    for y in range(h):
        row = [px[x, y] for x in range(0, w - 24)]
        light = sum(1 for p in row if _is_light(p))
        dark = sum(1 for p in row if jlib.is_dark(p))
        text_rows.append(light > 0.7 * len(row) and dark > 0)
    runs = jlib.runs(text_rows, 3)
    check(runs, "no menu bar found at the top of the main window")
    y0, y1 = runs[0]
    strip = img.crop((0, y0, w, y1))
    cols = jlib.column_runs(strip, jlib.is_dark, 7)
    titles = [Rect(r.x + a, r.y + y0, b - a, y1 - y0) for a, b in cols
              if b - a >= 12 and a < w - 30]
    check(len(titles) >= 2, f"the menu bar shows {len(titles)} titles")
    band = Rect(r.x, r.y + max(0, y0 - 6), r.w, (y1 - y0) + 12)
    return MenuBar(band, titles)


@dataclass
class Button:
    rect: Rect      # the glyph's box, a few pixels inside the button
    enabled: bool

    @property
    def face(self):
        return self.rect.inset(-4, -3)


def toolbar(s, main, bar=None, img=None):
    """The "Standard" toolbar's buttons: the glyphs in the strip below the menu bar, each told
    enabled (coloured or dark pixels) or disabled (only greys)."""
    bar = bar or menu_bar(s, main)
    r = main.rect
    strip = Rect(r.x, bar.band.bottom, r.w, 30)
    img = img or s.grab(strip)
    rows = jlib.row_runs(img.crop((0, 0, img.size[0] - 30, img.size[1])), _is_ink, 2)
    check(rows, "no toolbar below the menu bar")
    y0, y1 = max(rows, key=lambda t: t[1] - t[0])
    glyphs = img.crop((0, y0, img.size[0], y1))
    cols = jlib.column_runs(glyphs, lambda p: _is_ink(p) or jlib.is_grey_text(p), 3)
    buttons = []
    px = glyphs.load()
    for a, b in cols:
        if b - a < 8 or b - a > 24:
            continue   # the grip, a separator, the chevron
        coloured = any(max(p) < 90 or max(p) - min(p) > 40
                       for x in range(a, b) for y in range(glyphs.size[1]) for p in [px[x, y]])
        buttons.append(Button(Rect(strip.x + a, strip.y + y0, b - a, y1 - y0), coloured))
    check(len(buttons) >= 4, f"the toolbar shows {len(buttons)} buttons")
    return buttons


def status_bar(s, main):
    """The status bar's text: the bottom strip of the window, without the size grip."""
    r = main.rect
    inset = 0 if s.mode == "bare" else 4
    return Rect(r.x + inset + 2, r.bottom - inset - 20, r.w - 2 * inset - 24, 18)


@dataclass
class MenuRow:
    rect: Rect
    enabled: bool


def menu_rows(img, origin):
    """The rows of an open menu window (picture img, at screen point origin): text bands, each
    enabled (dark text) or disabled (grey text)."""
    w, h = img.size
    body = img.crop((24, 0, w - 4, h))
    px = body.load()
    bw, bh = body.size
    kinds = []
    for y in range(bh):
        row = [px[x, y] for x in range(bw)]
        if any(jlib.is_dark(p) for p in row):
            kinds.append(1)
        elif sum(1 for p in row if jlib.is_grey_text(p)) >= 2 and \
                sum(1 for p in row if jlib.is_grey_text(p)) < 0.5 * bw:
            kinds.append(2)
        else:
            kinds.append(0)
    rows = []
    for a, b in jlib.runs([k != 0 for k in kinds], 3):
        if b - a < 5:
            continue   # a separator's line
        enabled = any(kinds[y] == 1 for y in range(a, b))
        mid = (a + b) // 2
        top = max(0, mid - 9)
        rows.append(MenuRow(Rect(origin[0] + 2, origin[1] + top, w - 4, min(18, h - top)), enabled))
    return rows


def wait_menu(s, before, timeout=5.0, what="a menu"):
    """The menu window that opened since `before`, drawn; fails the step when none opens."""
    # A hint window can show first: the wait is for a window of a menu's size.
    fresh = s.new_windows(before, timeout=timeout, min_size=20, where=lambda w: w.rect.h >= 30 and w.rect.w >= 40)
    if not fresh:
        raise StepFailed(f"{what} did not open ({s.under_pointer()})")
    win = max(fresh, key=lambda w: w.rect.w * w.rect.h)
    # A menu unfolds as it opens: on a loaded machine a frame of that can stand still for a
    # quarter of a second, so a menu counts as drawn after a longer quiet than other windows.
    img = s.settle(win.rect, quiet=0.6)
    return win, img


def menus_closed(s, timeout=3.0):
    """True once no menu window of the program shows (only named windows stay)."""
    return s.wait_until(lambda: not [w for w in s.program_windows()
                                     if not w.name and w.rect.w >= 40 and w.rect.h >= 30], timeout)


def panes(s, main, bar=None):
    """The white panes below the toolbar, left to right: the task tree first, then the list
    beside it (the address list, or the images list when a task's pictures show)."""
    bar = bar or menu_bar(s, main)
    r = main.rect
    return panes_in(s, Rect(r.x, bar.band.bottom, r.w, r.bottom - bar.band.bottom), 30)


def panes_in(s, rect, probe=30):
    """The white panes of a region, left to right. A pane's columns are those with some white
    in a band of rows `probe` pixels below the region's top (frames and splitters hold none);
    its height is how far up and down its left edge stays white."""
    img = s.grab(rect)
    px = img.load()
    w, h = img.size
    y0 = min(probe, h - 1)
    ys = range(y0, min(y0 + 60, h))
    cols = [any(px[x, y] == (255, 255, 255) for y in ys) for x in range(w)]

    def white_edge(x0, y):
        return any(px[x, y] == (255, 255, 255) for x in range(x0 + 1, min(x0 + 4, w)))
    found = []
    for x0, x1 in jlib.runs(cols, 2):
        if x1 - x0 < 40:
            continue
        top = y0
        while top > 0 and white_edge(x0, top - 1):
            top -= 1
        bottom = y0
        while bottom < h - 1 and white_edge(x0, bottom + 1):
            bottom += 1
        found.append(Rect(rect.x + x0, rect.y + top, x1 - x0, bottom - top + 1))
    check(found, f"no white pane in {rect}")
    return found


def _is_content(p):
    # On a white pane: text, icons and a selected row's highlight; not the grey tree lines.
    return max(p) < 90 or max(p) - min(p) > 80


def text_rows(s, rect, min_gap=3):
    """Rows of content (text, icons, a selected row's highlight) inside a white pane: screen
    rectangles, top down."""
    img = s.grab(rect)
    rows = []
    for a, b in jlib.row_runs(img, _is_content, min_gap):
        if b - a < 5:
            continue
        cols = jlib.column_runs(img.crop((0, a, img.size[0], b)), _is_content, 6)
        x0, x1 = cols[0][0], cols[-1][1]
        rows.append(Rect(rect.x + x0, rect.y + a, x1 - x0, b - a))
    return rows


def menu_under(win, title):
    """The menu window hangs under the title: its left edge near the title's, its top at the
    bar's bottom."""
    return abs(win.rect.x - title.x) <= 16 and title.bottom - 4 <= win.rect.y <= title.bottom + 16


def selected_row(s, win, base, rows):
    """The index of the one row drawn differently from the menu's first look (base), None when
    the menu looks as it did, and a failure when the change spans more than one row."""
    now = s.settle(win.rect)
    box = jlib.changed_box(base, now)
    if box is None:
        return None
    box = box.offset(win.rect.x, win.rect.y)
    for i, r in enumerate(rows):
        if r.rect.inset(-1, -3).contains(box.x, box.y) and r.rect.inset(-1, -3).contains(box.right - 1, box.bottom - 1):
            return i
    raise StepFailed(f"the menu changed outside a single row: {box} (rows {[str(r.rect) for r in rows]})")


def next_drawn(s, win, base, rows, key, current):
    """Presses key until an enabled row other than `current` is drawn selected (at most as many
    times as there are rows); that row's index, or None."""
    for _ in range(len(rows)):
        before = s.grab(win.rect)
        s.key(key)
        # A disabled row is drawn as it was: no change within the wait means such a row.
        s.wait_change(win.rect, before, timeout=0.6)
        sel = selected_row(s, win, base, rows)
        if sel is not None and sel != current and rows[sel].enabled:
            return sel
    return None


def images_list(s, main):
    """The images list: right of the task tree stands the address list (emptied when a task
    ends); while a task's pictures show, the images list lies below it."""
    found = panes(s, main)
    check(len(found) >= 2, f"the main window shows {len(found)} white panes, not the tree and a list")
    address = found[1]
    r = main.rect
    below = Rect(address.x, address.bottom + 2, address.w, max(r.bottom - address.bottom - 2, 1))
    try:
        lists = panes_in(s, below, 30)
    except StepFailed:
        return address
    return lists[0] if lists[0].h > 20 else address


def picture_rows(s, main):
    """The rows of the images list, its column header left out (a row at the pane's top)."""
    pane = images_list(s, main)
    return [row for row in text_rows(s, pane.inset(2)) if row.y > pane.y + 12]


# The "Standard" toolbar's Run and Stop buttons, by their place among its buttons.
RUN_BUTTON, STOP_BUTTON = 4, 5


def task_shown_stopped(s, main):
    """The toolbar shows the selected task stopped: Run drawn enabled, Stop drawn disabled."""
    buttons = toolbar(s, main)
    return buttons[RUN_BUTTON].enabled and not buttons[STOP_BUTTON].enabled


def select_task(s, main, name):
    """Selects a task of the tree's top level as a user does: a click on the tree's first row
    and the task's name typed (the tree's incremental search). Run drawn enabled says a task,
    not a folder, is selected."""
    tree = panes(s, main)[0]
    rows = s.wait_until(lambda: text_rows(s, tree.inset(2)) or None, 10)
    check(rows, "the task tree shows no row")
    s.click(*rows[0].center)
    s.type(name)
    check(s.wait_until(lambda: toolbar(s, main)[RUN_BUTTON].enabled, 5),
          f"Run stays disabled: typing {name!r} in the task tree did not select that task")
    s.settle(main.rect)


# The Library window's toolbar captions, left to right.
LIBRARY_BUTTONS = ["Verify", "Delete", "View", "Clear", "Tn left", "Tn right", "Preview", "HTML", "Help"]


def library_buttons(s, lib):
    """The Library window's toolbar: its captions' text runs, left to right, in its top strip,
    one for each of LIBRARY_BUTTONS."""
    strip = Rect(lib.rect.x, lib.rect.y, lib.rect.w, 60)
    img = s.grab(strip)
    best = []
    # The text row with the most captions (above it a window frame's caption may show).
    for a, b in jlib.row_runs(img, jlib.is_dark, 2):
        if b - a < 6:
            continue
        cols = jlib.column_runs(img.crop((0, a, img.size[0], b)), jlib.is_dark, 8)
        if len(cols) > len(best):
            best = [Rect(strip.x + x0, strip.y + a, x1 - x0, b - a) for x0, x1 in cols]
    check(len(best) == len(LIBRARY_BUTTONS), f"the Library toolbar shows {len(best)} captions, not {len(LIBRARY_BUTTONS)}")
    return best
