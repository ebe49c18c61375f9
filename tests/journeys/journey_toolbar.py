"""The "Standard" toolbar under the mouse: hot, normal again, pressed, hot again after a click;
disabled buttons stay."""

import time

import jlib
import qm
from jlib import check

JOURNEY = jlib.Journey("toolbar", "the Standard toolbar's buttons under the mouse")

# The toolbar's buttons in order (a first start: no task selected).
NAMES = ["New", "New Folder", "Properties", "Delete", "Run", "Stop", "Restart", "Stop all", "Refresh",
         "Import", "Options", "Help"]
REFRESH = NAMES.index("Refresh")


def strip_of(ctx):
    b = ctx["buttons"]
    return jlib.Rect(b[0].face.x - 6, b[0].face.y - 2, b[-1].face.right - b[0].face.x + 12, b[0].face.h + 4)


def crop(img, outer, inner):
    return img.crop((inner.x - outer.x, inner.y - outer.y, inner.right - outer.x, inner.bottom - outer.y))


@JOURNEY.setup
def setup(s, ctx):
    main = qm.main_at_rest(s, ctx)
    ctx["buttons"] = qm.toolbar(s, main)
    check(len(ctx["buttons"]) == len(NAMES), f"the toolbar shows {len(ctx['buttons'])} buttons, not {len(NAMES)}")
    enabled = [NAMES[i] for i, b in enumerate(ctx["buttons"]) if b.enabled]
    check(enabled == ["New", "New Folder", "Refresh", "Import", "Options", "Help"],
          f"the buttons drawn enabled are {enabled}")
    ctx["strip"] = strip_of(ctx)
    ctx["base"] = s.settle(ctx["strip"])


@JOURNEY.recover
def recover(s, ctx):
    s.release()
    qm.rest_mouse(s, ctx["main"])
    s.key("Escape")


@JOURNEY.step("each enabled button is drawn hot under the mouse and normal after")
def hot(s, ctx):
    strip, base = ctx["strip"], ctx["base"]
    for i, b in enumerate(ctx["buttons"]):
        if not b.enabled:
            continue
        s.move(*b.rect.center)
        now = s.wait_change(b.face, crop(base, strip, b.face), min_fraction=0.05)
        check(now is not None, f"button {NAMES[i]} is not drawn hot under the mouse")
        img = s.settle(strip)
        box = jlib.changed_box(base, img)
        check(box is not None, f"button {NAMES[i]}: the toolbar looks as before")
        box = box.offset(strip.x, strip.y)
        check(b.face.inset(-4, -4).contains(box.x, box.y) and b.face.inset(-4, -4).contains(box.right - 1, box.bottom - 1),
              f"button {NAMES[i]}: the toolbar changed outside the button ({box}, button {b.face})")
        qm.rest_mouse(s, ctx["main"])
        ok = s.wait_until(lambda: jlib.same(s.grab(strip), base), 3)
        check(ok, f"button {NAMES[i]} is not drawn normal again once the mouse left it")


@JOURNEY.step("a disabled button is never drawn hot")
def disabled(s, ctx):
    strip, base = ctx["strip"], ctx["base"]
    for i, b in enumerate(ctx["buttons"]):
        if b.enabled:
            continue
        s.move(*b.rect.center)
        time.sleep(0.3)
        img = s.settle(strip)
        box = jlib.changed_box(base, img)
        hit = box is not None and b.face.inset(-4, -4).intersects(box.offset(strip.x, strip.y))
        check(not hit, f"the disabled button {NAMES[i]} is drawn differently under the mouse")
    qm.rest_mouse(s, ctx["main"])


@JOURNEY.step("a press is drawn pressed and no longer after the release")
def press(s, ctx):
    strip, base = ctx["strip"], ctx["base"]
    b = ctx["buttons"][REFRESH]
    # A point of the button other than the last step's, where the mouse last stood.
    at = (b.rect.center[0] + 2, b.rect.center[1] + 1)
    s.move(*at)
    hot = s.wait_change(b.face, crop(base, strip, b.face), min_fraction=0.05)
    check(hot is not None, "the Refresh button is not drawn hot under the mouse")
    s.press(*at)
    pressed = s.wait_change(b.face, hot, min_fraction=0.05)
    s.release()
    check(pressed is not None, "the Refresh button is not drawn pressed while the button is held")
    check(not jlib.same(pressed, crop(base, strip, b.face)), "the pressed button looks as a normal one")
    after = s.wait_change(b.face, pressed, min_fraction=0.05)
    check(after is not None, "the Refresh button stays drawn pressed after the release")
    qm.rest_mouse(s, ctx["main"])
    check(s.wait_until(lambda: jlib.same(s.grab(strip), base), 3), "the toolbar does not look as before after the press")


@JOURNEY.step("a clicked button is drawn hot again while the mouse stays on it")
def hot_after_click(s, ctx):
    strip, base = ctx["strip"], ctx["base"]
    b = ctx["buttons"][REFRESH]
    # A point of the button other than the last step's, where the mouse last stood.
    at = (b.rect.center[0] + 2, b.rect.center[1] + 1)
    s.move(*at)
    hot = s.wait_change(b.face, crop(base, strip, b.face), min_fraction=0.05)
    check(hot is not None, "the Refresh button is not drawn hot under the mouse")
    s.press(*at)
    pressed = s.wait_change(b.face, hot, min_fraction=0.05)
    s.release()
    check(pressed is not None, "the Refresh button is not drawn pressed while the button is held")
    # The mouse stays where it was: no move tells the toolbar where it is.
    ok = s.wait_until(lambda: jlib.same(s.grab(b.face), hot), 3)
    check(ok, "the Refresh button is not drawn hot again after the click while the mouse stays on it")
    qm.rest_mouse(s, ctx["main"])
    check(s.wait_until(lambda: jlib.same(s.grab(strip), base), 3), "the toolbar does not look as before after the click")
