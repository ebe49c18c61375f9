#!/usr/bin/env python3
"""The program's own crawl as a user sees it: Quillmoor.exe (as built) crawling the crawl bench's
site with the task selected, its images list and log pane shown, against the engine driver's
crawl of the same site in the same run; how long the main window keeps input, painting and sent
messages waiting meanwhile; and how long Stop takes on a task whose start page has 50,000 links.

    program_crawl_ui.py <build dir>/bin/engine_driver.exe <wine-run.sh> [options]
    program_crawl_ui.py <build dir> [options]
        --pictures N      pictures of the crawled site (3000)
        --latency-ms N    latency of every response (5, as the crawl bench's)
        --links N         links on the start page of the Stop case (50000; 0 leaves it out)
        --menu-every-s N  a menu opened every N seconds of the crawl (2; 0: none)
        --display N       the X display number to start Xvfb on (default: the first free from 400)
        --timeout-s N     the longest crawl waited for (900)

(run with a Python that has Pillow, as the journeys are: /usr/bin/python3 on Debian)

Everything is measured from outside the program, as a person would notice it:
- Crawl time: from the click on Run to the task shown stopped (the toolbar's Run drawn enabled
  and Stop disabled again), and to every picture on disk (the workers save pictures without
  waiting for the window, so that can come much earlier); the driver's is its process's wall
  time, with one warm-up crawl first (as the crawl bench times it).
- Answers: bench/ui_probe (a small Win32 program run in the same Wine prefix) invalidates a small
  square of the task tree every 100 ms and times until the window painted it: painting comes
  only once no input or posted message waits, so this is the wait of input and painting. It
  also times a sent WM_NULL, which the user-interface thread serves before all of those. And
  every --menu-every-s seconds the bench clicks the Help menu's title (XTest) and times until the
  X server shows the menu's window. A sample still waiting when the crawl ends counts with the
  time it waited up to then (shown as ">=").
- Stop: the task on a start page of --links links is run, and once that page is served Stop is
  clicked on the toolbar; the time until the toolbar shows the task stopped, and whether the
  server saw requests after that.

The program runs from a copy of Quillmoor.exe with a Wine prefix of its own (kept under the
build dir as bench-ui/, its user's folders its own), on a first start's state, on a private Xvfb display. Its tasks are
written beforehand by the engine driver into the project folder the program reads at its start,
and selected through the task tree as a user does: a click on its first row and the task's name
typed; the bench checks the Run button is then enabled (a task, not a folder, is selected).
Prints the figures against the goals (crawl within 1.5x the driver's; input and paint waits at
most 200 ms at the 95th percentile and 1 s at most; Stop within 1 s). Fails (exit 1) only when
the crawl did not save exactly the site's pictures or a step could not be done.
"""

import ctypes
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "engine", "crawl"))
sys.path.insert(0, os.path.join(ROOT, "tests", "journeys"))
import crawl_bench  # noqa: E402
import jlib  # noqa: E402
import localsite  # noqa: E402
import program_crawl_memory  # noqa: E402
import qm  # noqa: E402
from crawlkit import Server, win_path  # noqa: E402

CRAWL_TASK = "crawlbench"
STOP_TASK = "stopbench"
HELP_MENU = 3
GOALS = {"ratio": 1.5, "p95": 200.0, "max": 1000.0, "stop": 1.0}


def parse_args(argv):
    opts = {"pictures": 3000, "latency": 5.0, "links": 50000, "menu_every": 2.0, "display": None, "timeout": 900}
    keys = {"--pictures": ("pictures", int), "--latency-ms": ("latency", float), "--links": ("links", int),
            "--menu-every-s": ("menu_every", float), "--display": ("display", int), "--timeout-s": ("timeout", int)}
    rest = []
    i = 0
    while i < len(argv):
        if argv[i] in keys and i + 1 < len(argv):
            name, kind = keys[argv[i]]
            opts[name] = kind(argv[i + 1])
            i += 2
        else:
            rest.append(argv[i])
            i += 1
    return rest, opts


def start_display(number):
    if number is None:
        return program_crawl_memory.start_display()
    p = subprocess.Popen(["Xvfb", ":%d" % number, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline and not os.path.exists("/tmp/.X11-unix/X%d" % number):
        time.sleep(0.05)
    if p.poll() is not None:
        raise SystemExit("program_crawl_ui: Xvfb could not start on :%d" % number)
    return p, ":%d" % number


class TopWindows:
    """The viewable top-level X windows of a display (Wine maps every popup as one), read with
    XQueryTree: cheap enough to poll every few milliseconds, where xwininfo costs tens of them."""

    class Attrs(ctypes.Structure):
        _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
                    ("border_width", ctypes.c_int), ("depth", ctypes.c_int), ("visual", ctypes.c_void_p),
                    ("root", ctypes.c_ulong), ("class_", ctypes.c_int), ("bit_gravity", ctypes.c_int),
                    ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                    ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
                    ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong),
                    ("map_installed", ctypes.c_int), ("map_state", ctypes.c_int),
                    ("all_event_masks", ctypes.c_long), ("your_event_mask", ctypes.c_long),
                    ("do_not_propagate_mask", ctypes.c_long), ("override_redirect", ctypes.c_int),
                    ("screen", ctypes.c_void_p)]

    def __init__(self, display):
        x = ctypes.CDLL("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                                 ctypes.POINTER(ctypes.c_uint)]
        x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p]
        x.XFree.argtypes = [ctypes.c_void_p]
        # A window gone between the query and its attributes is an error the default handler
        # would end the process for: the bench's handler ignores it.
        self.handler = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)
        x.XSetErrorHandler(self.handler)
        self.x = x
        self.dpy = x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise OSError("cannot open display %s" % display)
        self.root = x.XDefaultRootWindow(self.dpy)

    def menus(self):
        """The ids of the viewable windows of a menu's size (a hint window is smaller)."""
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        kids, n = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        if not self.x.XQueryTree(self.dpy, self.root, ctypes.byref(root), ctypes.byref(parent), ctypes.byref(kids),
                                 ctypes.byref(n)):
            return set()
        ids = [kids[i] for i in range(n.value)]
        if kids:
            self.x.XFree(kids)
        found = set()
        a = self.Attrs()
        for w in ids:
            if self.x.XGetWindowAttributes(self.dpy, w, ctypes.byref(a)) and a.map_state == 2 and \
                    a.width >= 40 and a.height >= 30:
                found.add(w)
        return found


class Probe:
    """ui_probe.exe beside the program, its lines read as they come: (kind, ms, time read)."""

    def __init__(self, s, exe, work):
        self.stop_file = os.path.join(work, "probe.stop")
        self.samples = []
        self.ready = threading.Event()
        self.target = None
        self.proc = subprocess.Popen([os.path.join(ROOT, "tools", "wine-run.sh"), exe, win_path(self.stop_file), "100"],
                                     env=s.env(), stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        if not self.ready.wait(60):
            raise jlib.StepFailed("ui_probe did not find the main window")

    def _read(self):
        for line in self.proc.stdout:
            now = time.monotonic()
            parts = line.split()
            if parts and parts[0] == "ready":
                self.target = " ".join(parts[1:])
                self.ready.set()
            elif len(parts) == 2 and parts[0] in ("P", "S", "P-open", "S-open"):
                ms = float(parts[1])
                # A sample's start on the bench's clock: when its line came, less its length.
                self.samples.append((parts[0][0], ms, now - ms / 1000.0, parts[0].endswith("open")))

    def finish(self):
        with open(self.stop_file, "w"):
            pass
        try:
            self.proc.wait(30)
        except subprocess.TimeoutExpired:
            self.proc.kill()
        self.reader.join(10)


def stats(values):
    """(count, median, 95th percentile, maximum) of the values (nearest-rank percentile)."""
    v = sorted(values)
    if not v:
        return 0, 0.0, 0.0, 0.0
    return len(v), v[len(v) // 2], v[min(len(v) - 1, int(0.95 * len(v) + 0.999) - 1)], v[-1]


def report_waits(name, samples):
    values = [ms for ms, _ in samples]
    n, med, p95, top = stats(values)
    if not n:
        print("  %-34s no sample" % name)
        return
    open_ = any(o and ms == top for ms, o in samples)
    met = p95 <= GOALS["p95"] and top <= GOALS["max"]
    print("  %-34s %4d samples: median %8.1f ms, 95th %8.1f ms, max %s%8.1f ms  %s"
          % (name, n, med, p95, ">=" if open_ else "  ", top, "meets the goal" if met else "misses the goal"))


def make_task(s, driver, name, url, folder, depth, work):
    projects = os.path.join(localsite.tree_root(s), "Images", "Projects")
    os.makedirs(projects, exist_ok=True)
    subprocess.run([os.path.join(ROOT, "tools", "wine-run.sh"), driver, "make", "--project",
                    win_path(os.path.join(projects, name + ".wrp")), "--name", name, "--url", url,
                    "--folder", win_path(folder) + "\\", "--depth", str(depth), "--limit", "off",
                    "--web-structure", "off", "--mask", "jpg, Pics", "--mask", "gif, Pics", "--mask", "png, Pics",
                    "--json", win_path(os.path.join(work, "make.json"))],
                   check=True, env=s.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def log_pane_rows(s, main, lists):
    """How many rows below the lists are white across most of the window: the log pane's."""
    r = main.rect
    img = s.grab(jlib.Rect(r.x, lists.bottom + 2, r.w, max(1, r.bottom - lists.bottom - 2)))
    px = img.load()
    w, h = img.size
    return sum(1 for y in range(h) if sum(1 for x in range(0, w, 4) if px[x, y] == (255, 255, 255)) * 4 > w // 2)


def driver_crawl(s, driver, url, work, pictures, depth):
    """The engine driver's crawl of the site: a warm-up, then the timed one."""
    times = []
    for name in ("warm", "timed"):
        folder = os.path.join(work, "driver-" + name)
        project = os.path.join(work, name + ".wrp")
        wine = os.path.join(ROOT, "tools", "wine-run.sh")
        subprocess.run([wine, driver, "make", "--project", win_path(project), "--name", name, "--url", url,
                        "--folder", win_path(folder) + "\\", "--depth", str(depth), "--limit", "off",
                        "--web-structure", "off", "--mask", "jpg, Pics", "--mask", "gif, Pics", "--mask", "png, Pics",
                        "--json", win_path(os.path.join(work, "make.json"))],
                       check=True, env=s.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        t, proc = crawl_bench.timed([wine, driver, "crawl", "--project", win_path(project), "--time-limit", "3600",
                                     "--json", win_path(os.path.join(work, "crawl.json"))], s.env())
        if not crawl_bench.check("the engine driver (%s)" % name, folder, pictures) or proc.returncode:
            raise jlib.StepFailed("the engine driver's crawl did not save the site's pictures")
        times.append(t)
        shutil.rmtree(folder, ignore_errors=True)
    return times[-1]


def program_crawl(s, main, probe, xwin, opts, folder, pictures):
    """Runs the selected task by a click on Run and watches it to its end; returns the times
    (to every picture on disk, to the task shown stopped) and the menu samples."""
    buttons = qm.toolbar(s, main)
    help_title = qm.menu_bar(s, main).titles[HELP_MENU]
    t0 = time.monotonic()
    s.click(*buttons[qm.RUN_BUTTON].rect.center)
    saved_at = stopped_at = None
    menus = []           # (ms, still open at the end)
    menu_since = None    # the click that is to open the menu
    menu_before = None
    next_menu = t0 + opts["menu_every"] if opts["menu_every"] > 0 else None
    deadline = t0 + opts["timeout"]
    last_count = 0
    counted = 0
    while time.monotonic() < deadline:
        now = time.monotonic()
        if menu_since is not None:
            if xwin.menus() - menu_before:
                menus.append(((time.monotonic() - menu_since) * 1000.0, False))
                s.key("Escape")
                s.wait_until(lambda: not (xwin.menus() - menu_before), 5, poll=0.02)
                s.key("Escape")  # the menu bar out of its keyboard mode
                qm.rest_mouse(s, main)
                menu_since = None
                next_menu = time.monotonic() + opts["menu_every"]
        elif next_menu is not None and now >= next_menu:
            menu_before = xwin.menus()
            s.click(*help_title.center)
            menu_since = time.monotonic()
        if saved_at is None and now - counted >= 0.25:
            counted = now
            last_count = program_crawl_memory.count_saved(folder)
            if last_count >= len(pictures):
                saved_at = time.monotonic()
        if saved_at is not None and menu_since is None:
            if qm.task_shown_stopped(s, main):
                stopped_at = time.monotonic()
                break
        time.sleep(0.01)
    if menu_since is not None:
        # A menu clicked during the crawl that never opened within it.
        menus.append(((time.monotonic() - menu_since) * 1000.0, True))
        s.key("Escape")
    return t0, saved_at, stopped_at, menus, last_count


def stop_case(s, main, server, xwin, links, latency, limit=120):
    """Stop on a task whose start page has `links` links, clicked once that page was served: the
    seconds to the task shown stopped (None past the limit), when the program's "Please wait"
    window (the one window Stop opens) showed and went, and the requests after it showed stopped."""
    routes = {"/": {"body": "<html><body>" + "".join('<a href="l/%05d.html">%d</a>\n' % (i, i) for i in range(links))
                    + "</body></html>", "headers": {"Content-Type": "text/html"}}}
    server.routes(routes, defaults={"delay": latency / 1000.0})
    qm.select_task(s, main, STOP_TASK)
    buttons = qm.toolbar(s, main)
    s.click(*buttons[qm.RUN_BUTTON].rect.center)
    served = s.wait_until(lambda: (lambda c: c["requests"] >= 1 and c["in_flight"] == 0)(server.counters()), 60)
    jlib.check(served, "the start page of the Stop case was not served")
    time.sleep(1.0)   # the task busy with the page's links
    before = xwin.menus()
    t0 = time.monotonic()
    s.click(*buttons[qm.STOP_BUTTON].rect.center)
    took = wait_shown = wait_gone = None
    while time.monotonic() - t0 < limit:
        now = time.monotonic() - t0
        extra = xwin.menus() - before
        if extra and wait_shown is None:
            wait_shown = now
        elif not extra and wait_shown is not None and wait_gone is None:
            wait_gone = now
        if qm.task_shown_stopped(s, main):
            took = time.monotonic() - t0
            break
        time.sleep(0.01)
    after = server.counters()["requests"]
    time.sleep(1.0)
    return took, (wait_shown, wait_gone), server.counters()["requests"] - after


def main():
    args, opts = parse_args(sys.argv[1:])
    if not args:
        print(__doc__)
        return 2
    build = os.path.abspath(args[0])
    if os.path.isfile(build):
        build = os.path.dirname(os.path.dirname(build))
    driver = os.path.join(build, "bin", "engine_driver.exe")
    probe_exe = os.path.join(build, "bench", "probes", "ui_probe.exe")
    if not os.path.isfile(probe_exe):
        subprocess.run(["cmake", "--build", build, "--target", "ui_probe"], check=True, stdout=subprocess.DEVNULL)
    for f in (os.path.join(build, "bin", "Quillmoor.exe"), driver, probe_exe):
        if not os.path.isfile(f):
            print("program_crawl_ui: %s is missing: give the build dir or its engine driver" % f)
            return 2
    here = os.path.join(build, "bench-ui")
    os.makedirs(os.path.join(here, "bin"), exist_ok=True)
    shutil.copy2(os.path.join(build, "bin", "Quillmoor.exe"), os.path.join(here, "bin", "Quillmoor.exe"))
    work = tempfile.mkdtemp(prefix="qm-program-ui-", dir="/dev/shm" if os.path.isdir("/dev/shm") else None)
    xvfb, display = start_display(opts["display"])
    s = jlib.Session(here, "bare", display, os.path.join(here, "shots"), log=lambda *a: None)
    server = Server()
    ok = False
    try:
        routes, pictures = crawl_bench.site(opts["pictures"])
        server.routes(routes, defaults={"delay": opts["latency"] / 1000.0})
        url = "http://%s/" % server.address
        program_crawl_memory.private_prefix(s)
        print("program_crawl_ui: %d pages, %d pictures, %g ms latency, display %s" %
              (crawl_bench.PAGES, len(pictures), opts["latency"], display), flush=True)
        driver_time = driver_crawl(s, driver, url, work, pictures, crawl_bench.DEPTH)
        print("  engine driver: %.2f s" % driver_time, flush=True)

        s.reset_state()
        lib = os.path.join(here, "bin", "imglib.db")
        if os.path.exists(lib):
            os.remove(lib)
        folder = os.path.join(work, "saved")
        make_task(s, driver, CRAWL_TASK, url, folder, crawl_bench.DEPTH, work)
        make_task(s, driver, STOP_TASK, url, os.path.join(work, "stop"), 2, work)
        main_win = s.start(fresh=False)
        qm.select_task(s, main_win, CRAWL_TASK)
        # What the user sees: the images list below the address list, and the log pane.
        panes = qm.panes(s, main_win)
        lists = qm.images_list(s, main_win)
        jlib.check(lists != panes[1], "the images list does not show below the address list")
        log_rows = log_pane_rows(s, main_win, lists)
        jlib.check(log_rows >= 30, "the log pane does not show below the lists (%d white rows)" % log_rows)
        s.shot("selected")
        print("  main window %s; task tree, address list, images list %s and log pane (%d rows high) shown"
              % (main_win.rect, lists, log_rows), flush=True)
        probe = Probe(s, probe_exe, work)
        xwin = TopWindows(display)
        server.clear()
        t0, saved_at, stopped_at, menus, count = program_crawl(s, main_win, probe, xwin, opts, folder, pictures)
        end = stopped_at or time.monotonic()
        # The samples begun before the task showed stopped; those still waiting end now.
        settle = time.monotonic() + 30
        while time.monotonic() < settle and any(st <= end and st + ms / 1000.0 > time.monotonic()
                                                for _, ms, st, _ in probe.samples[-4:]):
            time.sleep(0.1)
        probe.finish()
        s.shot("crawled")
        ok = crawl_bench.check("Quillmoor (the main window)", folder, pictures)
        if saved_at is None:
            print("  the crawl did not end within %d s (%d pictures saved)" % (opts["timeout"], count))
        else:
            # The workers save the pictures without waiting for the window: the crawl has ended
            # for the user once the window shows the task stopped.
            print("  program: every picture on disk after %.2f s (%.2fx the driver's)"
                  % (saved_at - t0, (saved_at - t0) / driver_time))
            if stopped_at:
                took = stopped_at - t0
                print("  program: the task shown stopped after %.2f s = %.2fx the driver's (goal at most %.1fx)"
                      % (took, took / driver_time, GOALS["ratio"]))
            else:
                print("  program: the task not shown stopped within the time-out")
        print("  waits of the main window during the crawl (probe's target: %s):" % probe.target)
        during = [(k, ms, o) for k, ms, st, o in probe.samples if t0 <= st <= end]
        report_waits("input and painting (tree repaint)", [(ms, o) for k, ms, o in during if k == "P"])
        report_waits("sent message (WM_NULL)", [(ms, o) for k, ms, o in during if k == "S"])
        report_waits("a menu opened by a click (Help)", menus)

        if opts["links"] > 0:
            took, (shown, gone), later = stop_case(s, main_win, server, xwin, opts["links"], opts["latency"])
            s.shot("stopped")
            if took is None:
                print("  Stop on a start page of %d links: not shown stopped within 120 s" % opts["links"])
            else:
                print("  Stop on a start page of %d links: shown stopped %.2f s after the click (goal at most %.0f s);"
                      " %d requests in the second after" % (opts["links"], took, GOALS["stop"], later))
            if shown is not None:
                # On a display without a window manager Wine holds the hide of a managed window.
                print("    its Please wait window showed %.2f s after the click and went %s" % (
                    shown, "%.2f s after it" % gone if gone is not None else "not before the task showed stopped"))
        sys.stdout.flush()
    except jlib.StepFailed as e:
        print("program_crawl_ui: %s" % e)
        s.shot("failed")
        ok = False
    finally:
        s.stop()
        server.stop()
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
