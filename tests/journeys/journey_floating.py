"""The "Standard" toolbar floated off its row by its grip: its shape, its caption, sized by an
edge, above its form, and docked back by a double click on its caption."""

import jlib
import qm
from jlib import Rect, check

JOURNEY = jlib.Journey("floating", "the Standard toolbar floating", fresh_start=True)

BAR_TITLE = r"^Standard$"


def bar_window(s, timeout=5.0):
    return s.find_window(BAR_TITLE, timeout=timeout, what="the floating Standard toolbar")


def caption(win):
    """The caption strip: the top of the window inside its 3-pixel frame."""
    r = win.rect
    return Rect(r.x + 3, r.y + 3, r.w - 6, 14)


def ink_in(img, background):
    """Pixels of img that clearly differ from the background colour."""
    px = img.load()
    w, h = img.size
    return sum(1 for x in range(w) for y in range(h)
               if max(abs(a - b) for a, b in zip(px[x, y], background)) > 60)


@JOURNEY.setup
def setup(s, ctx):
    main = qm.main_at_rest(s, ctx)
    bar = qm.menu_bar(s, main)
    buttons = qm.toolbar(s, main, bar)
    ctx["buttons"] = buttons
    first = buttons[0].rect
    # The grip: the dotted strip left of the first button.
    ctx["grip"] = (first.x - 9, first.center[1])
    ctx["strip"] = Rect(main.rect.x, first.y - 4, main.rect.w, first.h + 8)


@JOURNEY.step("dragged off by its grip it floats as its row, its name in the caption")
def float_by_grip(s, ctx):
    main = ctx["main"]
    gx, gy = ctx["grip"]
    # Over the log pane, away from every dock site.
    to = (main.rect.x + 60, main.rect.y + main.rect.h * 3 // 5)
    s.drag(gx, gy, to[0], to[1], steps=10)
    win = bar_window(s)
    img = s.settle(win.rect)
    check(win.rect.w > 3 * win.rect.h,
          f"the floating bar is {win.rect.w} x {win.rect.h}: not the shape of its row")
    cap = caption(win)
    check(cap.w > 80, f"the caption is {cap.w} pixels wide")
    # The name sits at the caption's left, before the mark and the close button.
    name = s.grab(Rect(cap.x + 2, cap.y, cap.w - 40, cap.h))
    back = name.getpixel((0, 0))
    check(ink_in(name, back) > 20, "the caption shows no name")
    ctx["bar"] = win
    ctx["bar_img"] = img


@JOURNEY.step("dragging its right edge sizes it into more lines")
def size_by_edge(s, ctx):
    win = bar_window(s)
    r = win.rect
    y = r.y + r.h // 2 + 4
    s.drag(r.right - 2, y, r.x + r.w * 2 // 3, y, steps=10)
    s.wait_until(lambda: bar_window(s).rect.w < r.w - 20, 5)
    now = bar_window(s)
    s.settle(now.rect)
    check(now.rect.w < r.w - 20, f"the right edge dragged half way left left the width at {now.rect.w} (was {r.w})")
    check(now.rect.h > r.h + 10, f"the narrower bar did not take more lines (height {now.rect.h}, was {r.h})")
    ctx["bar"] = now


@JOURNEY.step("a double click on its caption docks it back in its row")
def dock_back(s, ctx):
    win = bar_window(s)
    cap = caption(win)
    s.double_click(cap.x + 20, cap.center[1])
    check(s.window_gone(win, 5), "the floating bar stays after a double click on its caption")
    main = ctx["main"]
    s.settle(ctx["strip"])
    buttons = qm.toolbar(s, main)
    check(len(buttons) == len(ctx["buttons"]),
          f"the docked toolbar shows {len(buttons)} buttons, not {len(ctx['buttons'])}")


@JOURNEY.step("floated again by a double click on its grip, a click on the main window leaves it above")
def stays_above(s, ctx):
    main = ctx["main"]
    gx, gy = ctx["grip"]
    s.double_click(gx, gy)
    win = bar_window(s)
    check(win.rect.intersects(main.rect), f"the bar {win.rect} does not lie over the main window {main.rect}")
    before = s.settle(win.rect)
    ctx["floating"] = before
    # The log pane beside the bar.
    x = win.rect.right + 40 if win.rect.right + 60 < main.rect.right else main.rect.x + 20
    y = min(main.rect.bottom - 40, win.rect.bottom - 5)
    check(not win.rect.contains(x, y), "no point of the log pane beside the bar")
    s.click(x, y)
    after = s.settle(win.rect)
    check(jlib.changed_fraction(before, after) < 0.05, "the main window came up over the floating bar")


@JOURNEY.step("a click on its caption leaves it above the main window")
def caption_click(s, ctx):
    win = bar_window(s)
    before = ctx.get("floating") or s.settle(win.rect)
    cap = caption(win)
    s.click(cap.x + 20, cap.center[1])
    after = s.settle(win.rect)
    check(jlib.changed_fraction(before, after) < 0.05, "after a click on its caption the bar is covered")
