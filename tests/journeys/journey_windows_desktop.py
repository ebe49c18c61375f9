"""The main window's status bar as the window is maximised inside a Wine virtual desktop, where
Wine sizes the windows as Windows does."""

import jlib
import qm
from jlib import Rect, check

JOURNEY = jlib.Journey("windows-desktop", "the status bar when the window is maximised", fresh_start=True,
                       modes=("desktop",))


def grown(s, main, wider):
    for w in s.program_windows():
        if w.id == main.id and ((w.rect.w > main.rect.w) if wider else (w.rect.w < main.rect.w)):
            return w
    return None


@JOURNEY.setup
def setup(s, ctx):
    main = qm.main_at_rest(s, ctx)


@JOURNEY.recover
def recover(s, ctx):
    main = qm.main_window(s, timeout=3)
    if main.rect.w > ctx["main"].rect.w:
        s.double_click(main.rect.x + main.rect.w // 2, main.rect.y + 8)
    qm.rest_mouse(s, qm.main_window(s, timeout=3))


@JOURNEY.step("after the window is maximised no old size grip stays in the status bar")
def no_old_grip(s, ctx):
    main = ctx["main"]
    # A double click on the caption maximises the window.
    s.double_click(main.rect.x + main.rect.w // 2, main.rect.y + 8)
    big = s.wait_until(lambda: grown(s, main, True), 5)
    check(big, f"the main window {main.rect} was not maximised by a double click on its caption")
    qm.rest_mouse(s, big)
    status = qm.status_bar(s, big)
    strip = s.settle(status)
    # Where the grip stood at the old width, and a stretch of the same bar left of it.
    old = Rect(main.rect.right - 26, status.y, 22, status.h)
    plain = old.offset(-120, 0)
    check(status.contains(plain.x, plain.y) and status.contains(old.right - 1, old.y),
          f"the status bar {status} does not reach the old grip's place {old}")
    crop = lambda r: strip.crop((r.x - status.x, 0, r.right - status.x, status.h))  # noqa: E731
    check(jlib.same(crop(old), crop(plain), allowed=0.01),
          f"the status bar still shows something at the old size grip's place {old}")
    s.double_click(big.rect.x + big.rect.w // 2, big.rect.y + 8)
    back = s.wait_until(lambda: grown(s, big, False), 5)
    check(back, "a second double click on the caption did not restore the window")
    qm.rest_mouse(s, back)
