"""The main window while a task crawls a site of 3,000 pictures: a menu opens and Stop stops the
task while the crawl is still running, as the screen and the disk show it. A window that does
not answer until the crawl ends (as it once did) fails both steps; how long each answer took is
printed, not judged: the bench (bench/program_crawl_ui.py) measures it on a quiet machine."""

import os
import time

import jlib
import localsite
import qm
from jlib import StepFailed, check
from testserver import TestServer

JOURNEY = jlib.Journey("busy_crawl", "a menu and Stop answer during a crawl of 3,000 pictures",
                       fresh_start=True)

PAGES = 30
PER_PAGE = 100
# Every response waits this long: the crawl then lasts well beyond the steps that need it running.
LATENCY = 0.02
# How long the journey waits for a menu or Stop to answer: far more than a loaded machine needs,
# far less than the crawl lasts.
ANSWER = 30.0
# How long a stopped task is watched for more pictures or requests.
QUIET = 1.0


class BusySite:
    """An index linking 30 pages of 100 pictures each, every picture a distinct file above the
    program's smallest saved size (10 KB), served by the journey's own server."""

    def __init__(self):
        self.server = None
        self.count = PAGES * PER_PAGE

    def start(self):
        self.server = TestServer().start()
        html = {"Content-Type": "text/html"}
        routes = {"/index.html": {"body": "<html><body>" + "".join(
            f'<a href="p{p:02d}.html">page {p}</a>\n' for p in range(PAGES)) + "</body></html>", "headers": html}}
        for p in range(PAGES):
            names = [f"p{p:02d}/i{i:03d}.jpg" for i in range(PER_PAGE)]
            routes[f"/p{p:02d}.html"] = {"body": "<html><body>" + "".join(
                f'<img src="{n}">\n' for n in names) + "</body></html>", "headers": html}
            for i, n in enumerate(names):
                routes["/" + n] = {"generate": {"kind": "pattern", "pattern": f"<{n}>", "size": 11000 + 7 * i},
                                   "headers": {"Content-Type": "image/jpeg"}}
        self.server.state.set_routes({"routes": routes, "replace": True, "defaults": {"delay": LATENCY}})
        return self

    @property
    def url(self):
        return f"http://{self.server.address}/index.html"

    def requests(self):
        return self.server.state.counters()["requests"]

    def stop(self):
        if self.server:
            self.server.stop()
            self.server = None


def files(s):
    """The names of the files under the tasks' download folder (the site's task is the only one
    that ran), read without their contents: the crawl writes thousands."""
    found = []
    for _, _, names in os.walk(os.path.join(localsite.tree_root(s), "Images", "Downloaded Files")):
        found += names
    return found


def saved(s):
    """How many pictures the task has on disk (finished files, not those still being written)."""
    return sum(1 for name in files(s) if not name.endswith("!!wr"))


def crawl_running(s, ctx, what):
    n = saved(s)
    check(n < ctx["site"].count and not qm.task_shown_stopped(s, ctx["main"]),
          f"the crawl ended ({n} pictures saved) before {what} could be tried")


@JOURNEY.setup
def setup(s, ctx):
    ctx["site"] = BusySite().start()
    qm.main_at_rest(s, ctx)


@JOURNEY.teardown
def teardown(s, ctx):
    if "site" in ctx:
        ctx["site"].stop()
    # The program may still be working off a crawl (or the clicks it could not take during one):
    # the next journey gets a program started anew.
    s.stop()


@JOURNEY.step("a task for a site of 3,000 pictures runs from the toolbar and saves pictures")
def run_task(s, ctx):
    main = ctx["main"]
    rows = localsite.make_task_in_tree(s, main, ctx["site"])
    s.click(*rows[-1].center)
    check(s.wait_until(lambda: qm.toolbar(s, main)[qm.RUN_BUTTON].enabled, 5), "Run stays disabled on the new task")
    qm.rest_mouse(s, main)
    s.click(*qm.toolbar(s, main)[qm.RUN_BUTTON].rect.center)
    qm.rest_mouse(s, main)
    check(s.wait_until(lambda: saved(s) >= 100, 60, poll=0.1), f"{saved(s)} pictures saved a minute after Run")
    crawl_running(s, ctx, "the menu")


@JOURNEY.step("during the crawl a click on the Tasks title opens its menu while the crawl goes on")
def menu_opens(s, ctx):
    main = ctx["main"]
    crawl_running(s, ctx, "the menu")
    title = qm.menu_bar(s, main).titles[0]
    before = s.windows()
    s.click(*title.center)
    clicked = time.monotonic()
    try:
        win, _ = qm.wait_menu(s, before, timeout=ANSWER, what="the Tasks menu")
    except StepFailed:
        raise StepFailed(f"the Tasks menu did not open within {ANSWER:.0f} s of the click, "
                         f"{saved(s)} pictures saved so far") from None
    s.log(f"        the menu stood drawn (still for 0.6 s) {time.monotonic() - clicked:.2f} s after the click")
    n = saved(s)
    check(n < ctx["site"].count, f"the menu showed only when the crawl had ended ({n} pictures saved)")
    check(qm.menu_under(win, title), f"the window {win.rect} that opened is not under the Tasks title")
    s.key("Escape")
    check(s.window_gone(win, 3), "the Tasks menu stays open after Esc")
    s.key("Escape")
    qm.rest_mouse(s, main)


@JOURNEY.step("Stop on the toolbar stops the task before its crawl ends and no picture is saved after")
def stop_task(s, ctx):
    main = ctx["main"]
    crawl_running(s, ctx, "Stop")
    s.click(*qm.toolbar(s, main)[qm.STOP_BUTTON].rect.center)
    clicked = time.monotonic()
    stopped = s.wait_until(lambda: qm.task_shown_stopped(s, main), ANSWER, poll=0.02)
    qm.rest_mouse(s, main)
    check(stopped, f"the toolbar does not show the task stopped within {ANSWER:.0f} s of the click on Stop")
    s.log(f"        the task showed stopped {time.monotonic() - clicked:.2f} s after the click")
    n, asked = saved(s), ctx["site"].requests()
    check(n < ctx["site"].count, f"every picture ({n}) was saved: the crawl ended before Stop took")
    # A stopped task saves nothing more and asks the server for nothing more.
    later = s.wait_until(lambda: saved(s) != n or ctx["site"].requests() != asked, QUIET, poll=0.1)
    check(not later, f"after Stop the task went on: {saved(s) - n} more pictures saved, "
                     f"{ctx['site'].requests() - asked} more requests")
    left = [name for name in files(s) if name.endswith("!!wr")]
    check(not left, f"partial files stay after Stop: {left[:3]}")
