"""The bars' hint window: no taskbar entry of its own, and none shown over the main window while
a modal dialog has it disabled."""

import subprocess

import jlib
import qm
from jlib import Rect, check

JOURNEY = jlib.Journey("hint", "the toolbar's hint window", fresh_start=True)

TASKBAR = Rect(0, 1000, 1280, 24)


def hint_window(s, before, timeout):
    fresh = s.new_windows(before, timeout=timeout, min_size=8,
                          where=lambda w: w.name and w.rect.h < 40 and not w.name.startswith("Default IME"))
    return fresh[0] if fresh else None


def x_props(s, wid):
    out = s.run("xprop", "-id", hex(wid), "WM_TRANSIENT_FOR", "_NET_WM_STATE", check_rc=False)
    info = s.run("xwininfo", "-id", hex(wid), "-all", check_rc=False)
    return out, info


@JOURNEY.setup
def setup(s, ctx):
    main = qm.main_at_rest(s, ctx)
    ctx["buttons"] = qm.toolbar(s, main)


@JOURNEY.step("a button's hint shows without a taskbar entry of its own, owned by the main window")
def no_taskbar(s, ctx):
    main = ctx["main"]
    button = ctx["buttons"][0]
    bar0 = s.settle(TASKBAR) if s.mode == "desktop" else None
    before = s.windows()
    s.move(*button.rect.center)
    s.move(button.rect.center[0] + 1, button.rect.center[1])
    hint = hint_window(s, before, timeout=4)
    check(hint is not None, "no hint showed over the first toolbar button")
    props, info = x_props(s, hint.id)
    if s.mode == "desktop":
        bar = s.settle(TASKBAR)
        check(jlib.same(bar, bar0), f"the taskbar changed while the hint {hint.name!r} showed")
    owned = f"0x{main.id:x}" in props
    skipped = "SKIP_TASKBAR" in props or "Override Redirect State: yes" in info
    check(owned or skipped, f"the hint window is neither owned by the main window nor kept off the taskbar: {props}")
    qm.rest_mouse(s, main)


@JOURNEY.step("no hint shows over the main window while the Options dialog has it disabled")
def not_while_disabled(s, ctx):
    main = ctx["main"]
    buttons = ctx["buttons"]
    # The Options button: the last but one.
    options = buttons[-2]
    before = s.windows()
    s.click(*options.rect.center)
    dlg = s.find_window(r"^Default options$", timeout=10, what="the Options dialog")
    s.settle(dlg.rect)
    target = next((b for b in buttons if b.enabled and not dlg.rect.contains(*b.rect.center)), None)
    check(target is not None, f"no enabled toolbar button lies outside the dialog at {dlg.rect} "
                              f"({sum(b.enabled for b in buttons)} of {len(buttons)} buttons enabled)")
    before = s.windows()
    s.move(*target.rect.center)
    s.move(target.rect.center[0] + 1, target.rect.center[1])
    hint = hint_window(s, before, timeout=3)
    check(hint is None, f"a hint {hint and hint.name!r} showed over the disabled main window")
    s.point_into(dlg)
    s.key("Escape")
    check(s.window_gone(dlg, 5), "the Options dialog did not close on Esc")
