"""The Report page of a task that ran against a local site: after the task ended it shows the
task's final count, as a fresh look at the task does."""

import json
import os
import sys
import urllib.request

import jlib
import qm
from jlib import Rect, check

sys.path.insert(0, os.path.join(jlib.ROOT, "tests", "server"))
from testserver import TestServer  # noqa: E402

JOURNEY = jlib.Journey("report", "the Report page after a short task", fresh_start=True)

NEW_BUTTON, RUN_BUTTON = 0, 4
TASK_NAME = "Report Check"


def control(server, path, body=None):
    data = json.dumps(body).encode() if body is not None else None
    req = urllib.request.Request(f"http://{server.address}/__control/{path}", data=data,
                                 method="POST" if data else "GET")
    with urllib.request.urlopen(req, timeout=10) as r:
        return json.loads(r.read())


def state_area(s, main):
    """The state panel: below the lists, from its tabs to the status bar."""
    r = main.rect
    lower = Rect(r.x, r.y + r.h // 2, r.w, r.h // 2 - 24)
    img = s.settle(lower)
    # The tabs: the lowest band of the left part that holds text above the white page.
    px = img.load()
    white = [sum(1 for x in range(20, r.w - 40) if min(px[x, y]) >= 252) >= 0.6 * (r.w - 60)
             for y in range(img.size[1])]
    pages = [(a, b) for a, b in jlib.runs(white, 1) if b - a >= 30]
    check(pages, "no log or report page in the lower half of the main window")
    page = pages[-1]
    tabs = img.crop((0, max(0, page[0] - 24), r.w // 2, page[0]))
    words = jlib.column_runs(tabs, jlib.is_dark, 8)
    check(len(words) >= 2, f"the Log and Report tabs are not found above the page ({len(words)} words)")
    report_tab = (lower.x + (words[1][0] + words[1][1]) // 2, lower.y + max(0, page[0] - 24) + 12)
    return Rect(lower.x + 4, lower.y + page[0], r.w - 8, page[1] - page[0]), report_tab


@JOURNEY.setup
def setup(s, ctx):
    server = TestServer().start()
    ctx["server"] = server
    control(server, "routes", {"replace": True, "routes": {
        "/": {"headers": {"Content-Type": "text/html"}, "body": "<html><body>Nothing to fetch.</body></html>"}}})
    main = qm.main_at_rest(s, ctx)


@JOURNEY.step("after a short task ended the Report page shows its final count")
def report_after_end(s, ctx):
    main, server = ctx["main"], ctx["server"]
    buttons = qm.toolbar(s, main)
    # The task: made by the New command, named, its address typed.
    s.click(main.rect.x + 40, buttons[0].face.bottom + 110)
    s.key("Home")
    s.click(*buttons[NEW_BUTTON].rect.center)
    dlg = s.find_window(r"^New Task$", timeout=10, what="the New Task dialog")
    s.point_into(dlg)
    s.settle(dlg.rect)
    s.type(TASK_NAME)
    s.key("shift+Tab", "shift+Tab", "shift+Tab")
    s.type(f"http://{server.address}/")
    s.key("Return")
    check(s.window_gone(dlg, 10), "the New Task dialog did not close on Return")
    qm.rest_mouse(s, main)
    page, report_tab = state_area(s, main)
    s.click(*report_tab)
    filled = s.wait_until(lambda: len(jlib.row_runs(s.settle(page), jlib.is_dark, 3)) >= 4, 5)
    check(filled, "the Report page does not show its rows for the new task")
    before = s.settle(page)
    qm.rest_mouse(s, main)
    s.click(*buttons[RUN_BUTTON].rect.center)
    fetched = s.wait_until(lambda: control(server, "log")["requests"], 15)
    check(fetched, "the task fetched nothing from the local site")
    ended = s.wait_until(lambda: qm.toolbar(s, main)[RUN_BUTTON].enabled, 15)
    check(ended, "the task did not end (Run stays disabled)")
    after = s.settle(page)
    # The count is a few digits of a large page: any changed pixel counts.
    check(jlib.changed_box(before, after) is not None, "the Report page shows the count it showed before the task ran")
    # A fresh look at the task: another node selected and the task again.
    s.click(main.rect.x + 40, buttons[0].face.bottom + 110)
    s.key("Up")
    s.wait_change(page, after)
    s.key("Down")
    # The page is drawn anew for the task: wait until it shows what it showed after the end (a
    # stale count never does).
    seen = []
    same = s.wait_until(lambda: (lambda img: seen.append(img) or jlib.changed_box(after, img) is None)(
        s.settle(page)), 10)
    check(same, "the Report page after the task's end differs from a fresh look at the task (its Files count "
                f"is stale): they differ in {jlib.changed_box(after, seen[-1])}")
