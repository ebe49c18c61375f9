"""The "Standard" toolbar's chevron: its "Add or Remove Buttons" entries toggle their buttons at
once while the menu stays open; its window takes the keys (Esc closes it, the arrows move nothing
behind it) and closes on a click outside the program."""

import jlib
import qm
from jlib import Rect, StepFailed, check

JOURNEY = jlib.Journey("chevron", "the toolbar's chevron and its Add or Remove Buttons menu", fresh_start=True)


def unnamed_new(s, before, min_h=15, timeout=5.0):
    """The program's new windows without a name (menus; a hint has its text as its name),
    biggest first."""
    # A hint can show first: the wait is for such a window itself.
    fresh = s.new_windows(before, timeout=timeout, min_size=10,
                          where=lambda w: not w.name and w.rect.w >= 40 and w.rect.h >= min_h)
    return sorted(fresh, key=lambda w: -w.rect.w * w.rect.h)


def alive(s, win):
    return any(w.id == win.id for w in s.windows())


@JOURNEY.setup
def setup(s, ctx):
    main = qm.main_at_rest(s, ctx)
    buttons = qm.toolbar(s, main)
    last = buttons[-1].rect
    strip = Rect(main.rect.x, last.y - 4, main.rect.w, last.h + 8)
    ctx["strip"] = strip
    # The chevron: the small mark right of the last button.
    img = s.settle(strip)
    px = img.load()
    cols = [x for x in range(last.right - strip.x + 4, img.size[0] - 2)
            if any(jlib.is_dark(px[x, y]) for y in range(img.size[1]))]
    check(cols, "no chevron right of the toolbar's last button")
    ctx["chevron"] = (strip.x + (cols[0] + cols[-1]) // 2 if cols[-1] - cols[0] < 12 else strip.x + cols[0] + 3,
                      strip.center[1] + 2)


@JOURNEY.step("Add or Remove Buttons toggles a button on the toolbar at once and the menu stays open")
def toggle(s, ctx):
    main = ctx["main"]
    strip = ctx["strip"]
    strip0 = s.settle(strip)
    before = s.windows()
    s.click(*ctx["chevron"])
    found = unnamed_new(s, before)
    check(found, "the chevron opened no window")
    quick = found[0]
    s.settle(quick.rect)
    # Its last entry is "Add or Remove Buttons".
    before = s.windows()
    s.click(quick.rect.x + quick.rect.w // 2, quick.rect.bottom - 10)
    found = [w for w in unnamed_new(s, before, min_h=100)]
    check(found, "Add or Remove Buttons opened no menu")
    sub = found[0]
    img = s.settle(sub.rect)
    rows = qm.menu_rows(img, (sub.rect.x, sub.rect.y))
    check(len(rows) >= 8, f"the Add or Remove Buttons menu shows {len(rows)} rows")
    entry = rows[1]                      # "New Folder"
    left = Rect(strip.x, strip.y, max(10, min(quick.rect.x, sub.rect.x) - strip.x), strip.h)
    left0 = strip0.crop((0, 0, left.w, left.h))
    s.move(entry.rect.x + 40, entry.rect.center[1])
    s.settle(sub.rect)
    s.click(entry.rect.x + 40, entry.rect.center[1])
    changed = s.wait_change(left, left0, timeout=4)
    check(alive(s, sub), "the Add or Remove Buttons menu closed on the click")
    check(changed is not None, "the toolbar did not change: the button was not taken off")
    # Clicked again, the button comes back, the menu still open.
    s.click(entry.rect.x + 40, entry.rect.center[1])
    ok = s.wait_until(lambda: jlib.same(s.grab(left), left0), 4)
    check(alive(s, sub), "the menu closed on the second click")
    check(ok, "the toolbar does not look as before after the second click")
    s.key("Escape", "Escape", "Escape")
    check(qm.menus_closed(s, 3), "the menus stay open after Esc")


def open_chevron(s, ctx):
    """The chevron's window, opened by a click once the mouse rested away from it (so the click
    pairs with no earlier one into a double click)."""
    qm.rest_mouse(s, ctx["main"])
    s.settle(ctx["strip"])
    before = s.windows()
    s.click(*ctx["chevron"])
    found = unnamed_new(s, before)
    check(found, "the chevron opened no window")
    s.settle(found[0].rect)
    return found[0]


def outside_point(s, ctx):
    """A point of the screen outside every window of the program (the desktop)."""
    main = ctx["main"].rect
    wins = [w.rect for w in s.program_windows() if w.shown()]
    for x, y in ((main.right + 40, main.y + 40), (main.x + 40, main.bottom + 40), (main.x - 40, main.y + 40),
                 (main.x + 40, main.y - 40)):
        if 5 <= x < 1275 and 5 <= y < 990 and not any(r.contains(x, y) for r in wins):
            return x, y
    raise StepFailed(f"no point of the screen outside the program's windows (main window {main})")


@JOURNEY.step("the chevron's window takes the arrows from the task tree and closes on Esc")
def keys(s, ctx):
    main = ctx["main"]
    tree = qm.panes(s, main)[0]
    rows = qm.text_rows(s, tree.inset(2))
    check(len(rows) >= 2, f"the task tree shows {len(rows)} rows, not two at least")
    # The first row selected, so that Down would move the tree's selection.
    s.click(rows[0].x + min(rows[0].w // 2, 40), rows[0].center[1])
    first = s.settle(tree)
    s.key("Down")
    tree0 = s.wait_change(tree, first, timeout=3)
    check(tree0 is not None, "Down does not move the task tree's selection (nothing to compare with)")
    quick = open_chevron(s, ctx)
    # The window may lie over the tree's right end: the part left of it is compared.
    left = Rect(tree.x, tree.y, max(10, min(tree.w, quick.rect.x - tree.x - 2)), tree.h)
    left0 = tree0.crop((0, 0, left.w, left.h))
    s.key("Down", "Down", "Right")
    check(alive(s, quick), "the arrows closed the chevron's window")
    check(jlib.same(s.settle(left), left0), "the arrows moved the task tree's selection behind the chevron's window")
    s.key("Escape")
    check(s.window_gone(quick, 3), "Esc did not close the chevron's window")
    check(jlib.same(s.settle(tree), tree0), "the task tree changed while the chevron's window was open")


@JOURNEY.step("a click outside the program (on the bare display: elsewhere in it) closes the chevron's window")
def click_outside(s, ctx):
    quick = open_chevron(s, ctx)
    # On the bare display a click on the empty screen reaches no window of the program (nothing
    # tells it of the click): there the click goes to the program's log pane instead.
    x, y = outside_point(s, ctx) if s.mode == "desktop" else qm.neutral_point(s, ctx["main"])
    s.click(x, y)
    check(s.window_gone(quick, 3), f"the chevron's window stays open after a click at {x},{y} outside it")
    # Back into the program: on a display without a window manager the keys go to the window
    # under the pointer.
    qm.rest_mouse(s, ctx["main"])
    s.click(*qm.neutral_point(s, ctx["main"]))
