"""A proxy set in the Options dialog (closed by Return) carries a new task's crawl: the journey
starts a small proxy on 127.0.0.1 in front of its local site and reads the crawl's requests off
it. The pictures saved are then stepped through in the viewer by the keys, and scrolled in the
Library window's thumbnails by the mouse wheel."""

import base64
import os
import time

import jlib
import localproxy
import localsite
import qm
from jlib import Rect, StepFailed, check

JOURNEY = jlib.Journey("proxy", "the proxy of the options in a new task's crawl; the pictures by keys and wheel",
                       fresh_start=True)

# The toolbar's Options button, the Image menu's Library row and the Tasks menu's rows, by position.
OPTIONS_BUTTON = 10
IMAGE_TITLE = 2
LIBRARY_ROW = 13
RUN_ROW = 4
# Ctrl+Tab turns from "General" to "Proxy" in three pages.
PROXY_PAGE = 3
# More pictures than the Library window shows as thumbnails at its first size (6 x 4).
PICTURES = 36
VIEWER_ROWS = 9


class PictureSite(localsite.LocalSite):
    """An index page showing PICTURES pictures, each of its own colours: the crawl lists them in
    any order, and the viewer's next picture must look different from the one before whichever
    it is."""

    def __init__(self):
        super().__init__()
        self.pictures = {f"pics/p{i:02d}.jpg": localsite.picture("JPEG", 240, 180, i + 1) for i in range(PICTURES)}

    def start(self):
        self.server = localsite.TestServer().start()
        index = "<html><body>" + "".join(f'<img src="{p}">' for p in self.pictures) + "</body></html>"
        routes = {"/index.html": {"body": index, "headers": {"Content-Type": "text/html"}}}
        for path, data in self.pictures.items():
            routes["/" + path] = {"body_base64": base64.b64encode(data).decode(),
                                  "headers": {"Content-Type": "image/jpeg"}}
        self.server.state.set_routes({"routes": routes, "replace": True})
        return self


def saturated(img, limit=60):
    s = img.convert("HSV").split()[1]
    return s.point(lambda v: 255 if v > limit else 0).histogram()[255]


def open_options(s, ctx):
    main = ctx["main"]
    qm.rest_mouse(s, main)
    s.click(*qm.toolbar(s, main)[OPTIONS_BUTTON].rect.center)
    dlg = s.find_window(r"^Default options$", timeout=10, what="the Options dialog")
    s.point_into(dlg)
    s.settle(dlg.rect)
    return dlg


def turn_pages(s, dlg, key, count):
    page = s.settle(dlg.rect)
    for n in range(count):
        s.key(key)
        page = s.wait_change(dlg.rect, page, min_fraction=0.02)
        check(page is not None, f"{key} number {n + 1} did not turn the Options dialog's page")
    return page


def proxy_fields(s, dlg):
    """The Proxy page's server and port fields (white, enabled or not), top down."""
    fields = [f for f in localsite.white_fields(s, dlg, min_width=40) if f.h <= 30]
    check(len(fields) == 2, f"the Proxy page shows {len(fields)} edit fields, not the server and the port")
    return fields


def fields_enabled(s, fields):
    """Enabled fields show their text dark; disabled ones in grey."""
    return all(jlib.dark_pixels(s.grab(f.inset(2))) > 0 for f in fields)


def replace_text(s, field, text):
    s.click(*field.center)
    time.sleep(0.2)
    s.key("End", "shift+Home")
    s.type(text)


@JOURNEY.setup
def setup(s, ctx):
    ctx["site"] = PictureSite().start()
    ctx["proxy"] = localproxy.LocalProxy().start()
    qm.main_at_rest(s, ctx)


@JOURNEY.teardown
def teardown(s, ctx):
    for key in ("proxy", "site"):
        if key in ctx:
            ctx[key].stop()


@JOURNEY.step("the proxy is set on the Options dialog's Proxy page and Return in the extension list is OK")
def set_proxy(s, ctx):
    dlg = open_options(s, ctx)
    turn_pages(s, dlg, "ctrl+Tab", PROXY_PAGE)
    fields = proxy_fields(s, dlg)
    check(not fields_enabled(s, fields), "the proxy fields are enabled before the box is ticked")
    # The tick box: the one small white square of the page.
    boxes = [f for f in localsite.white_fields(s, dlg, min_width=9) if f.w <= 16 and f.h <= 16]
    check(len(boxes) == 1, f"the Proxy page shows {len(boxes)} tick boxes, not 1")
    s.click(*boxes[0].center)
    check(s.wait_until(lambda: fields_enabled(s, fields), 4), "ticking the proxy box did not enable the server and port fields")
    server, port = fields
    replace_text(s, server, "127.0.0.1")
    replace_text(s, port, str(ctx["proxy"].port))
    s.click(*(dlg.rect.x + 8, dlg.rect.y + dlg.rect.h // 2))  # off the fields: no caret in the pictures
    ctx["proxy_page"] = [s.settle(f) for f in fields]
    # Back on "General", a row of the extension list clicked: the list has the keyboard.
    turn_pages(s, dlg, "ctrl+shift+Tab", PROXY_PAGE)
    # The extension list's rows: its grid lines cut them into white bands of one width, stacked.
    wide = localsite.white_fields(s, dlg, min_width=100)
    rows = [f for f in wide if sum(1 for g in wide if (g.x, g.w) == (f.x, f.w)) >= 3]
    check(rows, "no extension list on the General page")
    s.click(*rows[0].center)
    time.sleep(0.3)
    s.key("Return")
    check(s.window_gone(dlg, 5), "Return in the extension list did not close the Options dialog")


@JOURNEY.step("the Options dialog opens again with the proxy kept")
def proxy_kept(s, ctx):
    check("proxy_page" in ctx, "the proxy was not set by the step before")
    dlg = open_options(s, ctx)
    turn_pages(s, dlg, "ctrl+Tab", PROXY_PAGE)
    fields = proxy_fields(s, dlg)
    check(fields_enabled(s, fields), "the proxy fields are disabled: the tick did not stay")
    for f, before, what in zip(fields, ctx["proxy_page"], ("server", "port")):
        check(jlib.same(s.settle(f), before, allowed=0.02), f"the proxy {what} field does not show what was typed")
    s.key("Escape")
    check(s.window_gone(dlg, 5), "the Options dialog did not close on Esc")


@JOURNEY.step("a new task for the site crawls through the proxy and saves every picture")
def crawl_through_proxy(s, ctx):
    main, site, proxy = ctx["main"], ctx["site"], ctx["proxy"]
    rows = localsite.make_task_in_tree(s, main, site)
    s.click(*rows[-1].center)
    time.sleep(0.3)
    localsite.tasks_menu_row(s, main, RUN_ROW, "Run")
    if not localsite.wait_saved(s, site, timeout=90):
        have = len(localsite.saved_files(s))
        raise StepFailed(f"{have} files saved, not the {len(site.pictures)} pictures served, byte for byte")
    # The pictures' rows for the steps after, also when the requests went round the proxy.
    rows = s.wait_until(lambda: qm.picture_rows(s, main), 10)
    check(rows, "the images list shows no picture")
    ctx["picture_rows"] = rows
    base = f"http://{site.server.address}/"
    asked = {t for m, t in proxy.requests() if m == "GET"}
    want = {base + "index.html"} | {base + p for p in site.pictures}
    missing = sorted(want - asked)
    check(not missing, f"{len(missing)} addresses did not go through the proxy, {missing[:3]} among them "
                       f"({len(proxy.requests())} requests reached it)")


@JOURNEY.step("in the viewer the arrows leave the delay alone, Page Down shows the next picture")
def viewer_keys(s, ctx):
    rows = ctx.get("picture_rows")
    check(rows, "no picture rows from the step before")
    before = s.windows()
    s.double_click(*rows[0].center)
    fresh = s.new_windows(before, timeout=10, min_size=200)
    check(fresh, "no viewer window opened on the double click")
    viewer = max(fresh, key=lambda w: w.rect.w * w.rect.h)
    ctx["viewer"] = viewer
    bars = Rect(viewer.rect.x, viewer.rect.y, viewer.rect.w, 60)
    area = Rect(viewer.rect.x, viewer.rect.y + 60, viewer.rect.w, viewer.rect.h - 60)
    shown = s.wait_until(lambda: (lambda i: i if saturated(i) > 2000 else None)(s.settle(area)), 10)
    check(shown, "the viewer shows no picture")
    s.point_into(viewer)
    toolbar = s.settle(bars)
    s.key("Up", "Up", "Right")
    check(s.wait_change(bars, toolbar, timeout=1.5) is None, "the arrow keys changed the viewer's toolbar (the delay)")
    s.key("Next")
    check(s.wait_change(area, shown, timeout=8, min_fraction=0.01) is not None,
          "Page Down did not change the picture shown")
    before = s.windows()
    s.key("Menu")
    win, img = qm.wait_menu(s, before, what="the viewer's menu (menu key)")
    rows = qm.menu_rows(img, (win.rect.x, win.rect.y))
    check(len(rows) == VIEWER_ROWS, f"the menu key opened a menu of {len(rows)} rows, not the viewer's {VIEWER_ROWS}")
    s.key("Escape")
    check(s.window_gone(win, 3), "Esc did not close the viewer's menu")
    s.key("Escape")
    check(s.window_gone(viewer, 5), "the viewer stays open after Esc")
    qm.rest_mouse(s, ctx["main"])


@JOURNEY.step("the mouse wheel scrolls the Library window's thumbnails down and back")
def thumbnails_wheel(s, ctx):
    main = ctx["main"]
    bar = qm.menu_bar(s, main)
    before = s.windows()
    s.click(*bar.titles[IMAGE_TITLE].center)
    win, img = qm.wait_menu(s, before, what="the Image menu")
    rows = qm.menu_rows(img, (win.rect.x, win.rect.y))
    check(len(rows) > LIBRARY_ROW and rows[LIBRARY_ROW].enabled, "no enabled Library row in the Image menu")
    s.click(rows[LIBRARY_ROW].rect.x + 30, rows[LIBRARY_ROW].rect.center[1])
    lib = s.find_window(r"^Library$", timeout=10, what="the Library window")
    ctx["library"] = lib
    s.settle(lib.rect)
    buttons = qm.library_buttons(s, lib)
    body = Rect(lib.rect.x + 10, lib.rect.y + 70, lib.rect.w - 40, lib.rect.h - 110)
    listed = s.settle(body)
    s.click(*buttons[qm.LIBRARY_BUTTONS.index("Preview")].center)
    check(s.wait_change(body, listed, timeout=10, min_fraction=0.05) is not None, "Preview did not change the window")

    def all_drawn():
        img = s.settle(body)
        return img if saturated(img) > 0.15 * body.w * body.h else None
    top = s.wait_until(all_drawn, 20)
    check(top, "the Library window does not fill with thumbnails in Preview")
    s.move(*body.center)
    time.sleep(0.2)
    s.click(*body.center, button=5)
    down = s.wait_change(body, top, timeout=5, min_fraction=0.05)
    check(down is not None, "the wheel turned down did not scroll the thumbnails")
    down = s.wait_until(all_drawn, 10) or down
    s.click(*body.center, button=4)
    back = s.wait_change(body, down, timeout=5, min_fraction=0.05)
    check(back is not None, "the wheel turned up did not scroll the thumbnails")
    check(jlib.same(s.settle(body), top, allowed=0.01), "the wheel up and down did not come back to the first rows")


@JOURNEY.step("Alt+F4 closes the Library window")
def close_library(s, ctx):
    lib = ctx["library"]
    s.point_into(lib)
    s.key("alt+F4")
    check(s.window_gone(lib, 5), "the Library window did not close on Alt+F4")
    qm.rest_mouse(s, ctx["main"])
