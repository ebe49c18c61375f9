"""The context menus of the task tree and the images list: by a right click (at the mouse), by
Shift+F10 and by the menu key (at the selected node or row)."""

import time

import jlib
import localsite
import qm
from jlib import check

JOURNEY = jlib.Journey("context", "the task tree's and the images list's context menus")

# The popup menus carry the rows of the Tasks and the Image menus (separators left out).
TASKS_ROWS = 12
IMAGE_ROWS = 15


def tree_rows(s, ctx):
    tree = qm.panes(s, ctx["main"])[0]
    return tree, qm.text_rows(s, tree.inset(2))


def list_rows(s, ctx):
    return qm.images_list(s, ctx["main"]), qm.picture_rows(s, ctx["main"])


@JOURNEY.setup
def setup(s, ctx):
    main = qm.main_at_rest(s, ctx)
    _, rows = tree_rows(s, ctx)
    # The task with pictures: the site journey's when it ran in this program, else made here.
    if len(rows) < 4:
        site = ctx["site"] = localsite.LocalSite().start()
        rows = localsite.make_task_in_tree(s, main, site)
        s.click(*rows[-1].center)
        localsite.tasks_menu_row(s, main, 4, "Run")
        check(localsite.wait_saved(s, site), "the task did not save the pictures served")
        # The selection onto the top row: the new task's highlight would otherwise join the
        # row above it when the steps read the tree's rows.
        s.click(*rows[0].center)
    ctx["task_row"] = rows[-1]


@JOURNEY.teardown
def teardown(s, ctx):
    if "site" in ctx:
        ctx["site"].stop()


@JOURNEY.recover
def recover(s, ctx):
    qm.rest_mouse(s, ctx["main"])
    for _ in range(2):
        if qm.menus_closed(s, timeout=0.3):
            break
        s.key("Escape")


def popup(s, what, action, count):
    """Runs action (a right click or keys) and returns the menu window that opened, its picture
    and its rows; fails when none opens. A menu unfolds as it opens, and on a loaded machine a
    frame of that can stay long enough to look settled: the rows are read again until `count`
    show or the menu stays as it is for a few seconds."""
    before = s.windows()
    action()
    win, img = qm.wait_menu(s, before, what=what)
    rows = qm.menu_rows(img, (win.rect.x, win.rect.y))
    deadline = time.monotonic() + 5
    while len(rows) != count and time.monotonic() < deadline:
        img = s.settle(win.rect)
        rows = qm.menu_rows(img, (win.rect.x, win.rect.y))
    return win, img, rows


def close(s, ctx, win):
    s.key("Escape")
    check(s.window_gone(win, 3), "Esc did not close the context menu")
    qm.rest_mouse(s, ctx["main"])


def at_mouse(win, x, y):
    # The menu's corner at the click (a menu near the screen's edge may open up or left of it).
    return (x - 2 <= win.rect.x <= x + 8 or x - 2 <= win.rect.right <= x + 8) and \
           (y - 2 <= win.rect.y <= y + 8 or y - 2 <= win.rect.bottom <= y + 8)


def at_row(win, pane, row):
    # The menu's top edge at the row (just below or over it) and its left edge inside the pane.
    return pane.x - 4 <= win.rect.x <= pane.right and row.y - 20 <= win.rect.y <= row.bottom + 24


def right_click(s, ctx, pane, row, count, what):
    x, y = row.x + min(20, row.w // 2), row.center[1]
    win, img, rows = popup(s, what, lambda: s.click(x, y, button=3), count)
    check(len(rows) == count, f"{what} shows {len(rows)} rows, not {count}")
    check(at_mouse(win, x, y), f"{what} opened at {win.rect}, not at the mouse ({x}, {y})")
    close(s, ctx, win)


def by_keys(s, ctx, pane, row, keys, count, what):
    """The row selected by a click, the mouse put aside, then the keys."""
    s.click(row.x + min(20, row.w // 2), row.center[1])
    time.sleep(0.3)
    qm.rest_mouse(s, ctx["main"])
    win, img, rows = popup(s, what, lambda: s.key(keys), count)
    check(len(rows) == count, f"{what} shows {len(rows)} rows, not {count}")
    check(at_row(win, pane, row), f"{what} opened at {win.rect}, not at the selected row {row}")
    close(s, ctx, win)


@JOURNEY.step("a right click on a task tree node opens the Tasks menu at the mouse")
def tree_right_click(s, ctx):
    tree, rows = tree_rows(s, ctx)
    check(len(rows) >= 4, f"the tree shows {len(rows)} rows")
    right_click(s, ctx, tree, rows[1], TASKS_ROWS, "the task tree's menu (right click)")


@JOURNEY.step("Shift+F10 in the task tree opens the Tasks menu at the selected node")
def tree_shift_f10(s, ctx):
    tree, rows = tree_rows(s, ctx)
    by_keys(s, ctx, tree, rows[2], "shift+F10", TASKS_ROWS, "the task tree's menu (Shift+F10)")


@JOURNEY.step("the menu key in the task tree opens the Tasks menu at the selected node")
def tree_menu_key(s, ctx):
    tree, rows = tree_rows(s, ctx)
    by_keys(s, ctx, tree, rows[1], "Menu", TASKS_ROWS, "the task tree's menu (menu key)")


def pictures(s, ctx):
    """The task with pictures selected; the images list and its rows."""
    tree, rows = tree_rows(s, ctx)
    s.click(*rows[-1].center)
    got = s.wait_until(lambda: (lambda r: r if len(r[1]) >= 3 else None)(list_rows(s, ctx)), 10)
    check(got, "the images list shows no pictures for the selected task")
    return got


@JOURNEY.step("a right click on an images list row opens the Image menu at the mouse")
def list_right_click(s, ctx):
    pane, rows = pictures(s, ctx)
    right_click(s, ctx, pane, rows[1], IMAGE_ROWS, "the images list's menu (right click)")


@JOURNEY.step("Shift+F10 in the images list opens the Image menu at the selected row")
def list_shift_f10(s, ctx):
    pane, rows = pictures(s, ctx)
    by_keys(s, ctx, pane, rows[2], "shift+F10", IMAGE_ROWS, "the images list's menu (Shift+F10)")


@JOURNEY.step("the menu key in the images list opens the Image menu at the selected row")
def list_menu_key(s, ctx):
    pane, rows = pictures(s, ctx)
    by_keys(s, ctx, pane, rows[3], "Menu", IMAGE_ROWS, "the images list's menu (menu key)")
