"""The "Standard" toolbar's chevron: its "Add or Remove Buttons" entries toggle their buttons at
once while the menu stays open."""

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
