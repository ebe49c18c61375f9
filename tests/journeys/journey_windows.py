"""The program's own windows as a user meets them: the main window's panels at the size of a
first start, the images list's context menu, the Options dialog's pages by keyboard, the Library
window's status texts, and the notice shown when the window goes to the notification area."""

import os

from PIL import Image

import jlib
import qm
from jlib import Rect, check

JOURNEY = jlib.Journey("windows", "the main window's panels, dialogs and notice", fresh_start=True)

# The toolbar's Options button, the Image menu's Library row and the View menu's Failed URL
# panel row, by position.
OPTIONS_BUTTON = 10
IMAGE_TITLE = 2
LIBRARY_ROW = 13
VIEW_TITLE = 1
FAILED_PANEL_ROW = 2
FAILED_BUTTONS = 4
# A list's body and the log keep this many rows of pixels at the least; a row of a list this many.
MIN_BODY = 30
ROW_HEIGHT = 17


def make_pictures(s):
    """Three small pictures in the "Saved" folder of every sample task, so the images list of
    whichever task is selected holds rows."""
    root = os.path.join(s.documents(), "Zirovudi dira Riv", "Images", "Downloaded Files")
    folders = [os.path.join(root, d) for d in sorted(os.listdir(root)) if os.path.isdir(os.path.join(root, d))]
    check(folders, f"no task folders under {root}")
    for d in folders:
        saved = os.path.join(d, "Saved")
        os.makedirs(saved, exist_ok=True)
        for i, colour in enumerate(((200, 60, 60), (60, 160, 60), (60, 60, 200))):
            Image.new("RGB", (40 + 10 * i, 30), colour).save(os.path.join(saved, f"picture{i + 1}.png"))


def bands(flags, min_len):
    return [(a, b) for a, b in jlib.runs(flags, 1) if b - a >= min_len]


def panels(s, main):
    """The main window's client stack below the toolbar, read down a column inside the lists:
    the white boxes (a list with its column headers, the log) and the bands holding text, in
    screen coordinates."""
    r = main.rect
    top = qm.toolbar(s, main)[0].face.bottom + 4
    area = Rect(r.x, top, r.w, r.bottom - top - 24)
    img = s.settle(area)
    px = img.load()
    # Boxes: a column between the address list's first columns and the middle of the images
    # list, whose rows are white but for their text.
    x0, x1 = int(0.42 * r.w), int(0.55 * r.w)
    white = [sum(1 for x in range(x0, x1) if min(px[x, y]) >= 252) >= 0.5 * (x1 - x0) for y in range(img.size[1])]
    # Text: the width of the images list (the left half of the lists' part), off its scroll arrows.
    t0, t1 = int(0.37 * r.w), int(0.64 * r.w)
    text = [any(jlib.is_dark(px[x, y]) for x in range(t0, t1)) for y in range(img.size[1])]
    boxes = [(area.y + a, area.y + b) for a, b in bands(white, 20)]
    texts = [(area.y + a, area.y + b) for a, b in bands(text, 6)]
    return boxes, texts


def header_of(box, texts):
    """The column headers' text band at the top of a list's box, or None when it is cut."""
    for a, b in texts:
        if box[0] + 2 <= a <= box[0] + 12 and b <= box[0] + 24 and b - a >= 7:
            return (a, b)
    return None


def select_first_task(s, main, buttons):
    """A click on an empty spot of the task tree, then Home, Down (the first folder), Right (open
    it, once the tree shows it open), Down (its first task)."""
    r = main.rect
    tree = Rect(r.x, buttons[0].face.bottom + 4, r.w // 3, 120)
    s.click(r.x + 40, buttons[0].face.bottom + 110)
    s.key("Home", "Down")
    closed = s.settle(tree)
    s.key("Right")
    check(s.wait_change(tree, closed) is not None, "Right did not open the first folder of the task tree")
    s.key("Down")


def near(a, b, tolerance=8):
    return abs(a - b) <= tolerance


@JOURNEY.setup
def setup(s, ctx):
    main = qm.main_window(s)
    ctx["main"] = main
    make_pictures(s)
    qm.rest_mouse(s, main)
    s.settle(main.rect)
    ctx["buttons"] = qm.toolbar(s, main)


@JOURNEY.step("at the first-start size a selected task shows every panel with whole list headers")
def first_start_panels(s, ctx):
    main = ctx["main"]
    check(near(main.rect.w, 600, 12) and near(main.rect.h, 400, 40), f"the main window starts at {main.rect}")
    select_first_task(s, main, ctx["buttons"])
    qm.rest_mouse(s, main)

    def ready():
        found = panels(s, main)
        return found if len(found[0]) >= 3 else None
    boxes, texts = s.wait_until(ready, 6) or panels(s, main)
    check(len(boxes) >= 3, f"the address list, the images list and the log do not each show: white boxes {boxes}")
    for name, box in (("address list", boxes[0]), ("images list", boxes[1])):
        head = header_of(box, texts)
        check(head is not None, f"the {name} ({box}) shows no whole column headers at its top (text bands {texts})")
        check(box[1] - head[1] >= MIN_BODY, f"the {name} ({box}) keeps {box[1] - head[1]} rows below its headers")
    check(boxes[2][1] - boxes[2][0] >= MIN_BODY, f"the log ({boxes[2]}) is {boxes[2][1] - boxes[2][0]} rows high")
    # The images list's rows start below its headers' text.
    ctx["images_rows"] = (header_of(boxes[1], texts)[1] + 4, boxes[1][1])


def view_failed_panel(s, main):
    """The View menu's Failed URL panel row clicked: the panel shows or goes."""
    bar = qm.menu_bar(s, main)
    before = s.windows()
    s.click(*bar.titles[VIEW_TITLE].center)
    win, img = qm.wait_menu(s, before, what="the View menu")
    rows = qm.menu_rows(img, (win.rect.x, win.rect.y))
    check(len(rows) > FAILED_PANEL_ROW and rows[FAILED_PANEL_ROW].enabled, "no enabled Failed URL panel row")
    row = rows[FAILED_PANEL_ROW]
    s.click(row.rect.x + 30, row.rect.center[1])
    check(s.window_gone(win, 5), "the View menu stays open")


def grey_captions(img, rows):
    """The disabled buttons' captions in the given rows of a picture, as (x0, y0, x1, y1): runs
    of grey text, the buttons' frame lines (long straight grey runs) left out."""
    w, h = img.size
    px = img.load()
    grey = [[jlib.is_grey_text(px[x, y]) for x in range(w)] for y in range(h)]
    ink = [[False] * w for _ in range(h)]
    for y in range(h):
        for x0, x1 in jlib.runs(grey[y], 1):
            if x1 - x0 < 15:
                for x in range(x0, x1):
                    ink[y][x] = True
    for x in range(w):
        for y0, y1 in jlib.runs([grey[y][x] for y in range(h)], 1):
            if y1 - y0 >= 12:
                for y in range(y0, y1):
                    ink[y][x] = False
    found = []
    for a, b in jlib.runs([any(r) and rows[y] for y, r in enumerate(ink)], 2):
        if b - a < 5:
            continue
        for x0, x1 in jlib.runs([any(ink[y][x] for y in range(a, b)) for x in range(w)], 8):
            if x1 - x0 >= 15:  # a word, not a scroll arrow's glyph
                found.append((x0, a, x1, b))
    return found


@JOURNEY.step("at the first-start size the Failed URL panel shows its four buttons whole")
def failed_buttons(s, ctx):
    main = ctx["main"]
    qm.rest_mouse(s, main)
    top = qm.toolbar(s, main)[0].face.bottom + 4
    # The buttons stand at the panel's right, beside its list.
    strip = Rect(main.rect.right - 220, top, 216, main.rect.bottom - top - 24)
    hidden = s.settle(strip)
    view_failed_panel(s, main)
    shown = s.wait_change(strip, hidden, timeout=5)
    check(shown is not None, "the Failed URL panel did not show")
    changed = jlib.changed_mask(hidden, shown)
    px = changed.load()
    rows = [any(px[x, y] for x in range(changed.size[0])) for y in range(changed.size[1])]
    captions = grey_captions(shown, rows)
    heights = sorted(b - a for _, a, _, b in captions)
    qm.rest_mouse(s, main)
    view_failed_panel(s, main)
    check(s.wait_change(strip, shown, timeout=5) is not None, "the Failed URL panel did not go again")
    check(len(captions) == FAILED_BUTTONS, f"the Failed URL panel shows {len(captions)} button captions, "
                                           f"not {FAILED_BUTTONS}: {captions}")
    check(heights[-1] - heights[0] <= 1, f"the buttons' captions are cut: their heights are {heights}")
    # Each button's lower frame shows below its caption, inside what changed (the panel).
    for x0, a, x1, b in captions:
        below = range(b, min(b + 12, len(rows)))
        framed = any(rows[y] and sum(1 for x in range(x0, x1) if px[x, y]) >= (x1 - x0) // 2 for y in below)
        check(framed, f"the button whose caption is at {x0},{a} in {strip} has no lower edge in the panel")


@JOURNEY.step("the images list's menu opens at the mouse, and by Shift+F10 and the menu key at the row")
def images_menu(s, ctx):
    main = ctx["main"]
    check("images_rows" in ctx, "the images list was not found by the step before")
    top, bottom = ctx["images_rows"]
    x = main.rect.x + int(0.42 * main.rect.w)
    row_y = top + ROW_HEIGHT + ROW_HEIGHT // 2
    check(row_y < bottom, f"the images list ({top}..{bottom}) has no room for its second row")
    before = s.windows()
    s.click(x, row_y, button=3)
    win, _ = qm.wait_menu(s, before, what="the images list's menu after a right click")
    corner_x = near(win.rect.x, x, 4) or near(win.rect.right, x, 4)
    corner_y = near(win.rect.y, row_y, 4) or near(win.rect.bottom, row_y, 4)
    check(corner_x and corner_y, f"the menu {win.rect} does not open at the mouse ({x}, {row_y})")
    s.key("Escape")
    check(s.window_gone(win, 3), "Esc did not close the images list's menu")
    row_bottom = top + 2 * ROW_HEIGHT
    for key in ("shift+F10", "Menu"):
        before = s.windows()
        s.key(key)
        win, _ = qm.wait_menu(s, before, what=f"the images list's menu after {key}")
        at_row = near(win.rect.y, row_bottom, 6) or near(win.rect.bottom, row_bottom, 6)
        check(at_row, f"{key} opened the menu at {win.rect}, not at the selected row (its bottom at {row_bottom})")
        s.key("Escape")
        check(s.window_gone(win, 3), f"Esc did not close the menu opened by {key}")


@JOURNEY.step("Ctrl+Tab and Ctrl+Shift+Tab turn the Options dialog's pages")
def options_pages(s, ctx):
    main = ctx["main"]
    qm.rest_mouse(s, main)
    buttons = qm.toolbar(s, main)
    s.click(*buttons[OPTIONS_BUTTON].rect.center)
    dlg = s.find_window(r"^Default options$", timeout=10, what="the Options dialog")
    ctx["dialog"] = dlg
    s.point_into(dlg)
    first = s.settle(dlg.rect)
    s.key("ctrl+Tab")
    second = s.wait_change(dlg.rect, first, min_fraction=0.02)
    check(second is not None, "Ctrl+Tab did not turn the page")
    s.key("ctrl+Tab")
    third = s.wait_change(dlg.rect, second, min_fraction=0.02)
    check(third is not None, "a second Ctrl+Tab did not turn the page")
    check(not jlib.same(third, first), "two Ctrl+Tab came back to the first page")
    s.key("ctrl+shift+Tab")
    back = s.wait_change(dlg.rect, third, min_fraction=0.02)
    check(back is not None, "Ctrl+Shift+Tab did not turn the page")
    check(jlib.same(back, second, allowed=0.01), "Ctrl+Shift+Tab did not go back to the page before")
    s.key("Escape")
    check(s.window_gone(dlg, 5), "the Options dialog did not close on Esc")


@JOURNEY.step("the Library window's status bar shows a button's hint whole")
def library_status(s, ctx):
    main = ctx["main"]
    qm.rest_mouse(s, main)
    bar = qm.menu_bar(s, main)
    before = s.windows()
    s.click(*bar.titles[IMAGE_TITLE].center)
    win, img = qm.wait_menu(s, before, what="the Image menu")
    rows = qm.menu_rows(img, (win.rect.x, win.rect.y))
    check(len(rows) == 15 and rows[LIBRARY_ROW].enabled, f"the Image menu shows {len(rows)} rows, not 15 "
                                                        "with Library enabled")
    s.click(*rows[LIBRARY_ROW].rect.center)
    lib = s.find_window(r"^Library$", timeout=10, what="the Library window")
    ctx["library"] = lib
    top = s.settle(Rect(lib.rect.x, lib.rect.y, lib.rect.w, 70))
    lines = jlib.row_runs(top.crop((0, 0, top.size[0] - 30, top.size[1])), jlib.is_dark, 2)
    check(lines, "no toolbar captions in the Library window")
    # The toolbar's line holds the most words (the caption's buttons hold few).
    y0, y1 = max(lines, key=lambda l: len(jlib.column_runs(top.crop((0, l[0], top.size[0], l[1])), jlib.is_dark, 9)))
    captions = jlib.column_runs(top.crop((0, y0, top.size[0], y1)), jlib.is_dark, 9)
    check(len(captions) >= 6, f"the Library window's toolbar shows {len(captions)} captions")
    status = qm.status_bar(s, lib)
    widest = 0
    for a, b in captions:
        shown = s.settle(status)
        s.move(lib.rect.x + (a + b) // 2, lib.rect.y + (y0 + y1) // 2)
        # A button without a hint (or with the hint shown already) changes nothing.
        now = s.wait_change(status, shown, timeout=1.5) or shown
        cols = jlib.column_runs(now, jlib.is_dark, 12)
        if cols:
            widest = max(widest, cols[-1][1] - cols[0][0])
    check(widest >= 120, f"the widest hint in the Library window's status bar is {widest} pixels: cut off")
    s.point_into(lib)
    s.key("alt+F4")
    check(s.window_gone(lib, 5), "the Library window did not close")


def tray_icon(s):
    """Where the program's notification-area icon is: the first icon of Wine's tray window on
    the bare display, the right end of the virtual desktop's taskbar."""
    if s.mode == "bare":
        tray = s.find_window(r"^Wine System Tray$", timeout=5, what="the notification area")
        return (tray.rect.x + 10, tray.rect.y + tray.rect.h // 2)
    w, h = s.grab().size
    return (w - 11, h - 11)


def close_main(s, main):
    """The main window's close (Alt+F4): the window hides and the notice shows."""
    qm.rest_mouse(s, main)
    s.click(*qm.neutral_point(s, main))
    s.key("alt+F4")
    note = s.find_window(r"^Minized$", timeout=10, what="the notice")
    check(s.window_gone(main, 5), "the main window stays on the screen beside the notice")
    s.point_into(note)
    s.settle(note.rect)
    return note


def restore_main(s):
    s.click(*tray_icon(s))
    return qm.main_window(s, timeout=10)


@JOURNEY.step("the notice answers Return and Esc and goes when the window comes back from the tray")
def notice(s, ctx):
    main = ctx["main"]
    for key in ("Return", "Escape"):
        note = close_main(s, main)
        s.key(key)
        check(s.window_gone(note, 5), f"the notice did not close on {key}")
        main = restore_main(s)
    note = close_main(s, main)
    main = restore_main(s)
    check(s.window_gone(note, 5), "the notice stays on the screen once the window is back")
    ctx["main"] = main
