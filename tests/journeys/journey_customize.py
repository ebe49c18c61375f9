"""The Customize dialog: opened from the toolbars' popup, a command dragged onto the "Standard"
toolbar and off it again."""

import time

import jlib
import qm
from jlib import Rect, check

JOURNEY = jlib.Journey("customize", "the Customize dialog's drags onto and off the toolbar")


@JOURNEY.setup
def setup(s, ctx):
    main = qm.main_at_rest(s, ctx)
    ctx["bar"] = qm.menu_bar(s, main)


@JOURNEY.recover
def recover(s, ctx):
    s.release()
    dlg = [w for w in s.program_windows() if w.name == "Customize"]
    if dlg:
        s.point_into(dlg[0])
        s.key("Escape")
        s.window_gone(dlg[0], 3)
    qm.rest_mouse(s, ctx["main"])
    s.key("Escape")


def tabs(s, dlg):
    """The tab captions along the dialog's top: text runs of the first text row."""
    strip = Rect(dlg.rect.x, dlg.rect.y, dlg.rect.w, 60)
    img = s.grab(strip)
    for a, b in jlib.row_runs(img, jlib.is_dark, 2):
        if b - a < 6:
            continue
        cols = jlib.column_runs(img.crop((0, a, img.size[0], b)), jlib.is_dark, 8)
        if len(cols) >= 3:
            return [Rect(strip.x + x0, strip.y + a, x1 - x0, b - a) for x0, x1 in cols]
    return []


@JOURNEY.step("the toolbars' popup opens by a right click on the bars and its Customize row opens the dialog")
def open_dialog(s, ctx):
    main = ctx["main"]
    buttons = qm.toolbar(s, main, ctx["bar"])
    ctx["buttons0"] = len(buttons)
    # The dock beside the toolbar, past its last button and chevron.
    x, y = main.rect.right - 120, buttons[0].rect.center[1]
    before = s.windows()
    s.click(x, y, button=3)
    win, img = qm.wait_menu(s, before, what="the toolbars' popup")
    rows = qm.menu_rows(img, (win.rect.x, win.rect.y))
    # One row per toolbar but the main menu, then Customize.
    check(len(rows) == 2, f"the toolbars' popup shows {len(rows)} rows, not 2 (Standard, Customize)")
    row = rows[-1]
    s.move(row.rect.x + 30, row.rect.center[1])
    time.sleep(0.2)
    s.click(row.rect.x + 30, row.rect.center[1])
    dlg = s.find_window(r"^Customize$", timeout=10, what="the Customize dialog")
    ctx["dialog"] = dlg
    s.settle(dlg.rect)
    # The dialog may still be drawing its pages (or what was under it) when it first settles.
    seen = []
    t = s.wait_until(lambda: (lambda found: seen.append(len(found)) or (found if len(found) == 3 else None))(
        tabs(s, dlg)), 5)
    check(t, f"the Customize dialog shows {seen[-1]} tabs, not 3")
    ctx["tabs"] = t


def commands_page(s, ctx):
    dlg = ctx["dialog"]
    body = Rect(dlg.rect.x, ctx["tabs"][0].bottom + 4, dlg.rect.w, dlg.rect.bottom - ctx["tabs"][0].bottom - 4)
    before = s.settle(body)
    s.click(*ctx["tabs"][1].center)
    check(s.wait_change(body, before, timeout=5) is not None, "the Commands tab did not show its page")
    s.settle(body)
    panes = [p for p in qm.panes_in(s, body, 40) if p.w > 60]
    check(len(panes) >= 2, f"the Commands page shows {len(panes)} lists, not the categories and the commands")
    return panes[0], panes[1]


def strip_of(main, buttons):
    return Rect(buttons[0].face.x, buttons[0].face.y - 2, main.rect.right - 30 - buttons[0].face.x,
                buttons[0].face.h + 4)


@JOURNEY.step("a command dragged from the Commands page onto the toolbar becomes a button")
def drag_on(s, ctx):
    main = ctx["main"]
    _, commands = commands_page(s, ctx)
    rows = qm.text_rows(s, commands.inset(2))
    check(rows, "the Commands list shows no command")
    buttons = qm.toolbar(s, main, ctx["bar"])
    strip = strip_of(main, buttons)
    before = s.settle(strip)
    ctx["strip"], ctx["strip0"] = strip, before
    src = rows[0]
    # Onto the left edge of the last button ("Help"): the new button goes in before it.
    dst = (buttons[-1].rect.x + 2, buttons[-1].rect.center[1])
    s.drag(src.x + 10, src.center[1], *dst, steps=12)
    check(s.wait_change(strip, before, timeout=5) is not None, "the toolbar did not change after the drop")
    s.settle(strip)
    after = qm.toolbar(s, main, ctx["bar"])
    check(len(after) == len(buttons) + 1, f"the toolbar shows {len(after)} buttons after the drop, not {len(buttons) + 1}")
    f = buttons[-1].face
    help0 = before.crop((f.x - strip.x, f.y - strip.y, f.right - strip.x, f.bottom - strip.y))
    check(jlib.same(s.grab(after[-1].face), help0), "the last button is no longer the one it was before the drop")
    ctx["dropped"] = after[-2]


@JOURNEY.step("the new button dragged off the toolbar is removed")
def drag_off(s, ctx):
    main = ctx["main"]
    check("dropped" in ctx, "no button was dropped onto the toolbar")
    b = ctx["dropped"]
    dlg = ctx["dialog"]
    strip = ctx["strip"]
    before = s.settle(strip)
    # Onto the log pane, away from every bar.
    dst = qm.neutral_point(s, main)
    s.drag(b.rect.center[0], b.rect.center[1], *dst, steps=12)
    check(s.wait_change(strip, before, timeout=5) is not None, "the toolbar did not change after the drag off")
    now = s.settle(strip)
    check(jlib.same(now, ctx["strip0"]), "the toolbar does not look as before the command was added")
    check(len(qm.toolbar(s, main, ctx["bar"])) == ctx["buttons0"], "the toolbar's buttons are not back to the first count")
    s.point_into(dlg)
    s.key("Escape")
    check(s.window_gone(dlg, 5), "the Customize dialog did not close on Esc")
