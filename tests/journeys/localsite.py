"""A small web site on 127.0.0.1 with a few pictures, and the task for it made and run through
the program's own menus and dialog."""

import base64
import io
import os
import sys
import time

from PIL import Image, ImageDraw

import jlib
import qm
from jlib import Rect, StepFailed, check

sys.path.insert(0, os.path.join(jlib.ROOT, "tests", "server"))
from testserver import TestServer  # noqa: E402

TASK_NAME = "Local site"


def picture(kind, w, h, seed):
    """A picture with broad bands and a disc, different for every seed: easy to tell apart on
    the screen, and a viewer's turn or zoom changes it visibly."""
    def level(v):
        return max(0, min(255, v))
    img = Image.new("RGB", (w, h), ((seed * 70) % 256, (seed * 130 + 60) % 256, (seed * 40 + 120) % 256))
    d = ImageDraw.Draw(img)
    for i in range(0, w, 40):
        d.rectangle((i, 0, i + 19, h // 3), fill=((i * 3 + seed * 50) % 256, 40, level(200 - seed * 30)))
    d.ellipse((w // 4, h // 3, w // 4 + h // 2, h // 3 + h // 2), fill=(250, 250, level(40 + seed * 40)))
    d.polygon([(w - 10, h - 10), (w - 10, h // 2), (w // 2, h - 10)], fill=(20, level(20 + seed * 60), 20))
    # Fine grain keeps every file well above the program's smallest saved size (10 KB).
    grain = Image.merge("RGB", [Image.effect_noise((w, h), 60)] * 3)
    img = Image.blend(img, grain, 0.2)
    out = io.BytesIO()
    img.save(out, kind, **({"quality": 90} if kind == "JPEG" else {}))
    return out.getvalue()


class LocalSite:
    """The site: an index page with three pictures and a link to a second page with two more."""

    def __init__(self):
        self.pictures = {
            "pics/harbour.jpg": picture("JPEG", 480, 360, 1),
            "pics/meadow.jpg": picture("JPEG", 400, 300, 2),
            "pics/tower.png": picture("PNG", 300, 400, 3),
            "more/river.jpg": picture("JPEG", 360, 270, 4),
            "more/field.jpg": picture("JPEG", 420, 315, 5),
        }
        self.server = None

    def start(self):
        self.server = TestServer().start()
        index = ("<html><body><h1>Pictures</h1>"
                 '<a href="pics/harbour.jpg"><img src="pics/harbour.jpg"></a>'
                 '<img src="pics/meadow.jpg"> <img src="pics/tower.png">'
                 '<p><a href="page2.html">more</a></p></body></html>')
        page2 = '<html><body><img src="more/river.jpg"><a href="more/field.jpg">field</a></body></html>'
        routes = {
            "/": {"body": index, "headers": {"Content-Type": "text/html"}},
            "/index.html": {"body": index, "headers": {"Content-Type": "text/html"}},
            "/page2.html": {"body": page2, "headers": {"Content-Type": "text/html"}},
        }
        for path, data in self.pictures.items():
            ctype = "image/png" if path.endswith(".png") else "image/jpeg"
            routes["/" + path] = {"body_base64": base64.b64encode(data).decode(), "headers": {"Content-Type": ctype}}
        self.server.state.set_routes({"routes": routes, "replace": True})
        return self

    @property
    def url(self):
        return f"http://{self.server.address}/index.html"

    def stop(self):
        if self.server:
            self.server.stop()
            self.server = None


def tree_root(s):
    return os.path.join(s.documents(), "Zirovudi dira Riv")


def saved_files(s):
    """The files the task saved: name -> bytes, from every "Saved" folder under the download
    folder of the task. Read while the crawl runs: a file being written is renamed to its own
    name when it is whole, so one listed a moment ago may be gone; the next look finds it."""
    found = {}
    base = os.path.join(tree_root(s), "Images", "Downloaded Files")
    for dirpath, _, files in os.walk(base):
        for f in files:
            try:
                with open(os.path.join(dirpath, f), "rb") as fh:
                    found[os.path.join(os.path.relpath(dirpath, base), f)] = fh.read()
            except FileNotFoundError:
                continue
    return found


def wait_saved(s, site, timeout=60):
    """True once the task's saved files are exactly the pictures served, byte for byte."""
    want = {os.path.basename(k): v for k, v in site.pictures.items()}

    def saved():
        return {os.path.basename(k): v for k, v in saved_files(s).items()} == want
    return s.wait_until(saved, timeout, poll=0.3)


def white_fields(s, win, min_width=200):
    """The edit fields of a dialog: runs of white rows at least min_width wide, top to bottom,
    as screen rectangles."""
    img = s.grab(win.rect)
    px = img.load()
    w, h = img.size
    spans = []
    for y in range(h):
        best = (0, 0)
        run = 0
        for x in range(w):
            if px[x, y] == (255, 255, 255):
                run += 1
                if run > best[1]:
                    best = (x - run + 1, run)
            else:
                run = 0
        spans.append(best if best[1] >= min_width else None)
    # Rows whose long white runs overlap belong to one field (a caret splits a row's run).
    fields = []
    group = None
    for y, span in enumerate(spans + [None]):
        if span and group and span[0] < group[2] and span[0] + span[1] > group[1]:
            group = [group[0], min(group[1], span[0]), max(group[2], span[0] + span[1]), y]
            continue
        if group and group[3] - group[0] + 1 >= 8:
            fields.append(Rect(win.rect.x + group[1], win.rect.y + group[0], group[2] - group[1], group[3] - group[0] + 1))
        group = [y, span[0], span[0] + span[1], y] if span else None
    return fields


def tasks_menu_row(s, main, index, what):
    """Opens the Tasks menu by a click on its title and clicks its row `index` (rows counted with
    the disabled ones, separators left out)."""
    bar = qm.menu_bar(s, main)
    before = s.windows()
    s.click(*bar.titles[0].center)
    win, img = qm.wait_menu(s, before, what="the Tasks menu")
    rows = qm.menu_rows(img, (win.rect.x, win.rect.y))
    check(len(rows) > index, f"the Tasks menu shows {len(rows)} rows")
    check(rows[index].enabled, f"{what} is disabled in the Tasks menu")
    s.move(rows[index].rect.x + 30, rows[index].rect.center[1])
    time.sleep(0.2)
    s.click(rows[index].rect.x + 30, rows[index].rect.center[1])
    check(s.window_gone(win, 5), f"the Tasks menu stays open after a click on {what}")


def type_into(s, field, text, what):
    """A click into an empty edit field, a wait for its caret (the field has the focus), the
    text typed; the field then shows it."""
    s.click(*field.center)
    check(s.wait_until(lambda: jlib.dark_pixels(s.grab(field)) > 0, 4, poll=0.05),
          f"no caret in {what} after a click on it")
    before = s.grab(field.inset(2))
    s.type(text)
    check(s.wait_change(field.inset(2), before, timeout=4, min_fraction=0.01) is not None,
          f"{what} does not show the typed text")


def make_task(s, main, site):
    """Tasks, New; the address and the name typed into the dialog; OK by Enter."""
    tasks_menu_row(s, main, 0, "New")
    dlg = s.find_window(r"^New Task$", timeout=10, what="the New Task dialog")
    s.settle(dlg.rect)
    fields = white_fields(s, dlg)
    check(len(fields) >= 2, f"the New Task dialog shows {len(fields)} edit fields")
    url, name = fields[0], fields[1]
    type_into(s, url, site.url, "the address field")
    type_into(s, name, TASK_NAME, "the task name field")
    s.key("Return")
    if not s.window_gone(dlg, 5):
        raise StepFailed("the New Task dialog did not close on Enter")
    return dlg


def make_task_in_tree(s, main, site):
    """make_task, then the task tree's text rows once it shows one row more."""
    tree = qm.panes(s, main)[0]
    rows0 = qm.text_rows(s, tree.inset(2))
    make_task(s, main, site)
    rows = s.wait_until(lambda: (lambda r: r if len(r) == len(rows0) + 1 else None)(qm.text_rows(s, tree.inset(2))), 5)
    check(rows, f"the task tree does not show one row more ({len(rows0)} before)")
    return rows
