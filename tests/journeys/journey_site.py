"""A task for a local site made and run from the Tasks menu; its pictures in the viewer (zoomed,
turned, stepped through its menu), the Library window in thumbnail mode, a gallery made."""

import os
import shutil
import time

import jlib
import localsite
import qm
from jlib import Rect, StepFailed, check

JOURNEY = jlib.Journey("site", "a local site's task, the viewer, the Library window and a gallery")

# The Image menu's rows (separators left out) and the viewer's menu rows.
IMAGE_LIBRARY_ROW = 13
VIEWER_ROWS = ["Slide Show", "Prev", "Next", "Original Size", "Zoom In", "Zoom Out", "Turn Left", "Turn Right",
               "Close"]
# The Library window's toolbar buttons, by their captions' order.
GALLERY = "journey-gallery"


def saturated(img, limit=60):
    """How many pixels are clearly coloured (a picture, not the greys of windows)."""
    hsv = img.convert("HSV")
    s = hsv.split()[1]
    return s.point(lambda v: 255 if v > limit else 0).histogram()[255]


def coloured_box(img):
    """The bounding box of the clearly coloured pixels of a picture, or None."""
    s = img.convert("HSV").split()[1].point(lambda v: 255 if v > 60 else 0)
    return s.getbbox()


def images_list(s, ctx):
    return qm.images_list(s, ctx["main"])


def picture_rows(s, ctx):
    return qm.picture_rows(s, ctx["main"])


@JOURNEY.setup
def setup(s, ctx):
    ctx["site"] = localsite.LocalSite().start()
    main = qm.main_at_rest(s, ctx)
    # The gallery's destination: an empty folder, as a user picks one.
    folder = os.path.join(s.prefix, "drive_c", GALLERY)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)


@JOURNEY.teardown
def teardown(s, ctx):
    if "site" in ctx:
        ctx["site"].stop()


@JOURNEY.step("a task for the local site is made from the Tasks menu")
def make_task(s, ctx):
    main = ctx["main"]
    rows = localsite.make_task_in_tree(s, main, ctx["site"])
    projects = os.path.join(localsite.tree_root(s), "Images", "Projects")
    names = [f for _, _, fs in os.walk(projects) for f in fs]
    check(any(localsite.TASK_NAME in n for n in names), f"no task file for {localsite.TASK_NAME!r} in {projects}")
    ctx["task_row"] = rows[-1]


@JOURNEY.step("the task runs from the Tasks menu and saves every picture as served")
def run_task(s, ctx):
    main = ctx["main"]
    if "task_row" in ctx:
        s.click(*ctx["task_row"].center)
        time.sleep(0.3)
    localsite.tasks_menu_row(s, main, 4, "Run")
    want = ctx["site"].pictures
    if not localsite.wait_saved(s, ctx["site"]):
        have = sorted(os.path.basename(k) for k in localsite.saved_files(s))
        raise StepFailed(f"the saved files are {have}, not the {len(want)} pictures served, byte for byte")
    # At the first-start size the list is a few rows high: it shows the pictures that fit (at
    # least three) and scrolls to the rest; the files themselves were checked above.
    least = min(len(want), 3)
    rows = s.wait_until(lambda: (lambda r: r if least <= len(r) <= len(want) else None)(picture_rows(s, ctx)), 10)
    check(rows, f"the images list does not show the pictures ({least} at least of {len(want)})")
    ctx["picture_rows"] = rows


def open_viewer(s, ctx):
    rows = ctx.get("picture_rows") or picture_rows(s, ctx)
    check(rows, "the images list shows no picture")
    before = s.windows()
    s.double_click(*rows[0].center)
    fresh = s.new_windows(before, timeout=10, min_size=200)
    check(fresh, "no viewer window opened on the double click")
    viewer = max(fresh, key=lambda w: w.rect.w * w.rect.h)
    ctx["viewer"] = viewer
    return viewer


def picture_area(viewer):
    # The viewer's window below its two toolbar rows.
    r = viewer.rect
    return Rect(r.x, r.y + 60, r.w, r.h - 60)


@JOURNEY.step("a double click on a picture opens the viewer showing it")
def viewer_opens(s, ctx):
    viewer = open_viewer(s, ctx)
    area = picture_area(viewer)
    img = s.wait_until(lambda: (lambda i: i if saturated(i) > 2000 else None)(s.settle(area)), 10)
    check(img, "the viewer shows no picture")


def viewer_menu(s, ctx):
    viewer = ctx["viewer"]
    area = picture_area(viewer)
    # A point of the window's black ground, left of the centred picture.
    x, y = area.x + 20, area.y + area.h // 2
    before = s.windows()
    s.click(x, y, button=3)
    win, img = qm.wait_menu(s, before, what="the viewer's menu (right click)")
    rows = qm.menu_rows(img, (win.rect.x, win.rect.y))
    check(len(rows) == len(VIEWER_ROWS), f"the viewer's menu shows {len(rows)} rows, not {len(VIEWER_ROWS)}")
    return win, img, rows


def viewer_command(s, ctx, name):
    area = picture_area(ctx["viewer"])
    before = s.settle(area)
    win, img, rows = viewer_menu(s, ctx)
    row = rows[VIEWER_ROWS.index(name)]
    check(row.enabled, f"{name} is disabled in the viewer's menu")
    s.move(row.rect.x + 30, row.rect.center[1])
    time.sleep(0.2)
    s.click(row.rect.x + 30, row.rect.center[1])
    check(s.window_gone(win, 5), f"the viewer's menu stays open after {name}")
    after = s.wait_change(area, before, timeout=8, min_fraction=0.01)
    check(after is not None, f"{name} did not change the picture shown")
    return before, after


@JOURNEY.step("the viewer's menu opens by a right click and Down steps through its rows drawn selected")
def viewer_menu_steps(s, ctx):
    win, base, rows = viewer_menu(s, ctx)
    enabled = [i for i, r in enumerate(rows) if r.enabled]
    check(len(enabled) >= 6, f"the viewer's menu shows {len(enabled)} enabled rows")
    seen = []
    current = None
    for _ in enabled:
        sel = qm.next_drawn(s, win, base, rows, "Down", current)
        check(sel is not None, f"Down did not move the drawn selection on from row {current}")
        seen.append(sel)
        current = sel
    check(seen == enabled, f"Down drew rows {[i + 1 for i in seen]}, not the enabled rows {[i + 1 for i in enabled]} in order")
    s.point_into(win)
    s.key("Escape")
    check(s.window_gone(win, 3), "Esc did not close the viewer's menu")
    check(any(w.id == ctx["viewer"].id for w in s.program_windows()), "Esc in the menu closed the viewer too")


@JOURNEY.step("Zoom In from the viewer's menu zooms the picture")
def zoom(s, ctx):
    before, after = viewer_command(s, ctx, "Zoom In")
    b0, b1 = coloured_box(before), coloured_box(after)
    check(b0 and b1, "no picture in the viewer")
    a0 = (b0[2] - b0[0]) * (b0[3] - b0[1])
    a1 = (b1[2] - b1[0]) * (b1[3] - b1[1])
    check(a1 > a0 or a1 >= 0.95 * before.size[0] * before.size[1],
          f"the picture did not grow: {a0} pixels before, {a1} after")


@JOURNEY.step("Turn Right from the viewer's menu turns the picture")
def turn(s, ctx):
    viewer_command(s, ctx, "Original Size")
    before, after = viewer_command(s, ctx, "Turn Right")
    b0, b1 = coloured_box(before), coloured_box(after)
    check(b0 and b1, "no picture in the viewer")
    w0, h0 = b0[2] - b0[0], b0[3] - b0[1]
    w1, h1 = b1[2] - b1[0], b1[3] - b1[1]
    # A whole picture turned a quarter swaps its sides; a cut one at least changes its box.
    check((abs(w1 - h0) <= 4 and abs(h1 - w0) <= 4) or (w0, h0) != (w1, h1) or b0 != b1,
          f"the picture's box stayed {w0}x{h0}")


@JOURNEY.step("Next from the viewer's menu shows the next picture")
def next_picture(s, ctx):
    viewer_command(s, ctx, "Next")


@JOURNEY.step("Esc closes the viewer")
def close_viewer(s, ctx):
    viewer = ctx["viewer"]
    s.point_into(viewer)
    s.key("Escape")
    check(s.window_gone(viewer, 5), "the viewer stays open after Esc")
    qm.rest_mouse(s, ctx["main"])


@JOURNEY.step("the Library window opens from the Image menu and lists the pictures")
def library(s, ctx):
    main = ctx["main"]
    bar = qm.menu_bar(s, main)
    before = s.windows()
    s.click(*bar.titles[2].center)
    win, img = qm.wait_menu(s, before, what="the Image menu")
    rows = qm.menu_rows(img, (win.rect.x, win.rect.y))
    check(len(rows) > IMAGE_LIBRARY_ROW and rows[IMAGE_LIBRARY_ROW].enabled,
          f"the Image menu shows {len(rows)} rows, no enabled Library row")
    row = rows[IMAGE_LIBRARY_ROW]
    s.move(row.rect.x + 30, row.rect.center[1])
    time.sleep(0.2)
    s.click(row.rect.x + 30, row.rect.center[1])
    lib = s.find_window(r"^Library$", timeout=10, what="the Library window")
    ctx["library"] = lib
    s.settle(lib.rect)
    buttons = qm.library_buttons(s, lib)
    ctx["library_buttons"] = buttons
    want = len(ctx["site"].pictures)
    panes = [p for p in qm.panes_in(s, lib.rect, 60) if p.w > 100]
    check(panes, "the Library window shows no list")
    listed = s.wait_until(lambda: (lambda r: r if len(r) >= want else None)(qm.text_rows(s, panes[0].inset(2))), 10)
    check(listed, f"the Library list does not show the {want} pictures")
    ctx["library_rows"] = listed


@JOURNEY.step("a gallery of the Library's pictures is made")
def gallery(s, ctx):
    rows = ctx["library_rows"]
    s.click(*rows[0].center)
    s.click(*ctx["library_buttons"][qm.LIBRARY_BUTTONS.index("HTML")].center)
    dlg = s.find_window(r"^Generate HTML File$", timeout=10, what="the gallery dialog")
    s.settle(dlg.rect)
    # The wide fields: destination folder, picture folder name, title, page name.
    fields = localsite.white_fields(s, dlg, min_width=150)
    check(len(fields) == 4, f"the gallery dialog shows {len(fields)} wide edit fields, not 4")
    localsite.type_into(s, fields[0], "C:\\" + GALLERY, "the destination folder field")
    # "Generate all images": the right one of the two choices a row below the page name field.
    page = fields[-1]
    choice = Rect(page.x + 88, page.y + 30, 16, 20)
    before = s.grab(choice)
    s.click(choice.x + 7, choice.y + 9)
    check(s.wait_change(choice, before, timeout=3) is not None, "the choice of all pictures did not take the click")
    s.key("Return")
    check(s.window_gone(dlg, 10), "the gallery dialog did not close on Enter")
    folder = os.path.join(s.prefix, "drive_c", GALLERY)
    want = sorted(ctx["site"].pictures.values())

    def made():
        page = os.path.join(folder, "index.html")
        pics = os.path.join(folder, "images")
        if not os.path.isfile(page) or not os.path.isdir(pics):
            return None
        got = []
        for f in os.listdir(pics):
            with open(os.path.join(pics, f), "rb") as fh:
                got.append(fh.read())
        return sorted(got) == want
    check(s.wait_until(made, 30), f"no gallery with the {len(want)} pictures in {folder}")
    # The offer to open the page now: No.
    ask = s.find_window(r"^Information$", timeout=10, what="the question whether to view the gallery")
    s.point_into(ask)
    s.key("n")
    check(s.window_gone(ask, 5), "the question whether to view the gallery did not close on N (No)")


@JOURNEY.step("the Library window's Preview shows the pictures as thumbnails")
def thumbnails(s, ctx):
    lib = ctx["library"]
    s.point_into(lib)
    body = Rect(lib.rect.x, lib.rect.y + 50, lib.rect.w, lib.rect.h - 80)
    before = s.settle(body)
    s.click(*ctx["library_buttons"][qm.LIBRARY_BUTTONS.index("Preview")].center)
    after = s.wait_change(body, before, timeout=10, min_fraction=0.05)
    check(after is not None, "Preview did not change the Library window")
    img = s.wait_until(lambda: (lambda i: i if saturated(i) > 5000 else None)(s.settle(body)), 15)
    check(img, "the Library window shows no thumbnails in Preview")


@JOURNEY.step("Alt+F4 closes the Library window")
def close_library(s, ctx):
    lib = ctx["library"]
    s.point_into(lib)
    s.key("alt+F4")
    check(s.window_gone(lib, 5), "the Library window did not close on Alt+F4")
    qm.rest_mouse(s, ctx["main"])
