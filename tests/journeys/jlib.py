"""The journeys' shared library: the program started from outside, XTest input, the X screen.

Everything here goes through the X server the way a person's mouse, keyboard and eyes do:
windows are found by their X properties (WM_NAME, WM_CLASS) in `xwininfo -root -tree`, input is
XTest (xdotool), pictures are read from the screen (Pillow's X grab, ImageMagick's `import` when
that is missing). Nothing is posted or sent to the program's windows.

Regions are compared with a tolerance (`changed_fraction`, `same`), and a picture is taken only
once the region stopped changing (`settle`): Wine under Xvfb shows a drawing a little after the
program made it.
"""

import ctypes
import io
import os
import re
import shutil
import signal
import subprocess
import time
import uuid
from dataclasses import dataclass

from PIL import Image, ImageChops

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))

# The pixel tolerance of every comparison: a channel may differ this much and count as equal.
TOLERANCE = 24
# How long a region must stay unchanged to count as drawn, and the longest wait for that.
QUIET = 0.25
SETTLE_TIMEOUT = 6.0
POLL = 0.05


class StepFailed(Exception):
    """A check of a step did not hold, or what it needed (a window, a region) was not found."""


def check(condition, message):
    if not condition:
        raise StepFailed(message)


@dataclass(frozen=True)
class Rect:
    x: int
    y: int
    w: int
    h: int

    @property
    def right(self):
        return self.x + self.w

    @property
    def bottom(self):
        return self.y + self.h

    @property
    def center(self):
        return (self.x + self.w // 2, self.y + self.h // 2)

    def box(self):
        return (self.x, self.y, self.right, self.bottom)

    def contains(self, x, y):
        return self.x <= x < self.right and self.y <= y < self.bottom

    def intersects(self, other):
        return not (other.x >= self.right or other.right <= self.x or other.y >= self.bottom or
                    other.bottom <= self.y)

    def inset(self, dx, dy=None):
        dy = dx if dy is None else dy
        return Rect(self.x + dx, self.y + dy, max(0, self.w - 2 * dx), max(0, self.h - 2 * dy))

    def offset(self, dx, dy):
        return Rect(self.x + dx, self.y + dy, self.w, self.h)

    def clip(self, other):
        x, y = max(self.x, other.x), max(self.y, other.y)
        r, b = min(self.right, other.right), min(self.bottom, other.bottom)
        return Rect(x, y, max(0, r - x), max(0, b - y))

    def __str__(self):
        return f"{self.w}x{self.h}+{self.x}+{self.y}"


@dataclass(frozen=True)
class Window:
    id: int
    name: str
    cls: str
    rect: Rect

    def shown(self):
        # Wine keeps 1x1 helper windows (the input method's, the clipboard's) mapped.
        return self.rect.w > 1 and self.rect.h > 1

    def __str__(self):
        return f'0x{self.id:x} "{self.name}" ({self.cls}) {self.rect}'


# ----------------------------------------------------------------------------------- pictures

def changed_mask(a, b, tolerance=TOLERANCE):
    """A 1-bit picture: set where a and b differ by more than the tolerance in any channel."""
    diff = ImageChops.difference(a.convert("RGB"), b.convert("RGB"))
    r, g, bl = diff.split()
    m = ImageChops.lighter(ImageChops.lighter(r, g), bl)
    return m.point(lambda v: 255 if v > tolerance else 0)


def changed_fraction(a, b, tolerance=TOLERANCE):
    """The share of pixels (0..1) that differ between two pictures of the same size."""
    if a.size != b.size:
        raise ValueError(f"pictures of different sizes: {a.size} and {b.size}")
    if a.size[0] * a.size[1] == 0:
        return 0.0
    hist = changed_mask(a, b, tolerance).histogram()
    return hist[255] / float(a.size[0] * a.size[1])


def changed_box(a, b, tolerance=TOLERANCE):
    """The bounding box (Rect, in the pictures' own coordinates) of what differs, or None."""
    box = changed_mask(a, b, tolerance).getbbox()
    if not box:
        return None
    return Rect(box[0], box[1], box[2] - box[0], box[3] - box[1])


def same(a, b, tolerance=TOLERANCE, allowed=0.002):
    """Equal within the tolerance, but for a few stray pixels (a caret, a blinking dot)."""
    return changed_fraction(a, b, tolerance) <= allowed


def dark_pixels(img, limit=90):
    """How many pixels are dark (every channel under limit): text and glyphs on a light face."""
    g = img.convert("RGB")
    r, gr, b = g.split()
    m = ImageChops.lighter(ImageChops.lighter(r, gr), b)
    return m.point(lambda v: 255 if v < limit else 0).histogram()[255]


def column_runs(img, is_ink, min_gap):
    """Runs of columns holding at least one pixel for which is_ink(rgb) holds, merged across
    gaps narrower than min_gap: [(x0, x1)] with x1 exclusive."""
    g = img.convert("RGB")
    w, h = g.size
    px = g.load()
    cols = [any(is_ink(px[x, y]) for y in range(h)) for x in range(w)]
    return runs(cols, min_gap)


def row_runs(img, is_ink, min_gap):
    g = img.convert("RGB")
    w, h = g.size
    px = g.load()
    rows = [any(is_ink(px[x, y]) for x in range(w)) for y in range(h)]
    return runs(rows, min_gap)


def runs(flags, min_gap):
    runs = []
    for i, f in enumerate(flags):
        if not f:
            continue
        if runs and i - runs[-1][1] < min_gap:
            runs[-1][1] = i + 1
        else:
            runs.append([i, i + 1])
    return [tuple(r) for r in runs]


def is_dark(p, limit=90):
    return max(p) < limit


def is_grey_text(p):
    # The greyed text of a disabled row: a mid grey, neither face nor ink.
    return 110 <= min(p) and max(p) <= 200 and max(p) - min(p) < 24


# ------------------------------------------------------------------------------------ screen

class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong)]


class XScreen:
    """Reads rectangles of the root window with XGetImage (libX11 through ctypes): a small
    region costs a small request, where a whole-screen grab costs 5 MB each time."""

    def __init__(self, display):
        x = ctypes.CDLL("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultScreen.argtypes = [ctypes.c_void_p]
        x.XRootWindow.restype = ctypes.c_ulong
        x.XRootWindow.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x.XDisplayWidth.argtypes = x.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x.XGetImage.restype = ctypes.POINTER(_XImage)
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XFree.argtypes = [ctypes.c_void_p]
        self.x = x
        self.dpy = x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise OSError(f"cannot open display {display}")
        scr = x.XDefaultScreen(self.dpy)
        self.root = x.XRootWindow(self.dpy, scr)
        self.size = (x.XDisplayWidth(self.dpy, scr), x.XDisplayHeight(self.dpy, scr))

    def grab(self, rect):
        r = rect.clip(Rect(0, 0, *self.size))
        if r.w <= 0 or r.h <= 0:
            return Image.new("RGB", (max(0, rect.w), max(0, rect.h)))
        p = self.x.XGetImage(self.dpy, self.root, r.x, r.y, r.w, r.h, 0xFFFFFFFF, 2)  # ZPixmap
        if not p:
            raise OSError(f"XGetImage failed for {r}")
        img = p.contents
        try:
            if img.bits_per_pixel != 32:
                raise OSError(f"a {img.bits_per_pixel}-bit screen is not read here")
            data = ctypes.string_at(img.data, img.bytes_per_line * img.height)
            pic = Image.frombytes("RGB", (img.width, img.height), data, "raw", "BGRX", img.bytes_per_line)
        finally:
            self.x.XFree(img.data)
            self.x.XFree(p)
        if r != rect:
            out = Image.new("RGB", (rect.w, rect.h))
            out.paste(pic, (r.x - rect.x, r.y - rect.y))
            return out
        return pic


# ------------------------------------------------------------------------------------ session

class Session:
    """One run of the program on one display, in one mode ("bare" or "desktop")."""

    def __init__(self, build, mode, display, shots, log=print):
        self.build = os.path.abspath(build)
        self.mode = mode
        self.display = display
        self.shots = shots
        self.log = log
        self.prefix = os.path.join(self.build, "wineprefix")
        self.exe = os.path.join(self.build, "bin", "Quillmoor.exe")
        self.marker = "quillmoor-journey-" + uuid.uuid4().hex
        self.proc = None
        self.started_at = None
        self.desktop_name = "QMJourney"
        self._grab = None
        os.makedirs(shots, exist_ok=True)

    # ------------------------------------------------------------------ environment
    def env(self):
        e = dict(os.environ)
        e.update(DISPLAY=self.display, WINEPREFIX=self.prefix, WINEARCH="win32",
                 WINEDEBUG=e.get("WINEDEBUG", "-all"), WINEDLLOVERRIDES="mscoree,mshtml=",
                 QM_JOURNEY_MARKER=self.marker)
        return e

    def run(self, *args, timeout=30, check_rc=True):
        r = subprocess.run(args, env=self.env(), stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           timeout=timeout, text=True)
        if check_rc and r.returncode != 0:
            raise StepFailed(f"{' '.join(args)} failed ({r.returncode}): {r.stderr.strip()[:300]}")
        return r.stdout

    # ------------------------------------------------------------------ the screen
    def grab(self, rect=None):
        """The screen (or a part of it) as the X server shows it now."""
        if self._grab is None:
            try:
                self._grab = XScreen(self.display)
            except OSError:
                self._grab = False
        if self._grab:
            return self._grab.grab(rect or Rect(0, 0, *self._grab.size))
        out = subprocess.run(["import", "-display", self.display, "-window", "root", "ppm:-"],
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30).stdout
        img = Image.open(io.BytesIO(out)).convert("RGB")
        return img.crop(rect.box()) if rect is not None else img

    def settle(self, rect=None, timeout=SETTLE_TIMEOUT, quiet=QUIET):
        """The region once it has not changed for `quiet` seconds (bounded by timeout: then the
        last picture, as the check that follows decides on it)."""
        last = self.grab(rect)
        stable_since = time.monotonic()
        deadline = stable_since + timeout
        while time.monotonic() < deadline:
            time.sleep(POLL)
            now = self.grab(rect)
            if not same(now, last, tolerance=4, allowed=0.0):
                last = now
                stable_since = time.monotonic()
            elif time.monotonic() - stable_since >= quiet:
                return now
        return last

    def wait_change(self, rect, before, timeout=SETTLE_TIMEOUT, min_fraction=0.002):
        """The region once it differs from `before` and has settled; None when it never did."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            now = self.grab(rect)
            if changed_fraction(now, before) > min_fraction:
                return self.settle(rect, timeout=max(0.5, deadline - time.monotonic()))
            time.sleep(POLL)
        return None

    def shot(self, name, img=None):
        """Keeps a picture of the screen as <name>.png; a screen that cannot be read (the
        display gone) or a full disk is reported, not raised: the step's verdict stands."""
        path = os.path.join(self.shots, name + ".png")
        try:
            (img or self.grab()).save(path)
        except Exception as e:  # noqa: BLE001
            self.log(f"        no screenshot {name}: {type(e).__name__}: {e}")
            return None
        return path

    # ------------------------------------------------------------------ windows
    def windows(self):
        """Every viewable window of the display with a WM_CLASS, in stacking order from the top,
        with its rectangle on the screen."""
        out = self.run("xwininfo", "-root", "-tree", check_rc=False)
        viewable = set(int(w) for w in self.run("xdotool", "search", "--onlyvisible", "--class", ".",
                                                check_rc=False).split())
        result = []
        pat = re.compile(r'^\s*(0x[0-9a-f]+) (?:"(.*)"|\(has no name\)): \("([^"]*)" "([^"]*)"\)\s+'
                         r'(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+(-?\d+)\+(-?\d+)')
        for line in out.splitlines():
            m = pat.match(line)
            if not m:
                continue
            wid = int(m.group(1), 16)
            if wid not in viewable:
                continue
            w, h, x, y = (int(m.group(i)) for i in (5, 6, 7, 8))
            result.append(Window(wid, m.group(2) or "", m.group(4), Rect(x, y, w, h)))
        return result

    def program_windows(self):
        return [w for w in self.windows() if w.cls.lower() == "quillmoor.exe"]

    def find_window(self, name_pattern, timeout=10.0, what=None):
        """The viewable window whose WM_NAME matches (re.search); fails the step when none
        shows up within the time-out."""
        # A window can be mapped first and placed just after (a dialog centred on its owner):
        # it is taken once two reads a moment apart find it at the same place.
        deadline = time.monotonic() + timeout
        rx = re.compile(name_pattern)
        last = None
        while True:
            found = next((w for w in self.windows() if w.name and rx.search(w.name) and w.shown()), None)
            if found and last and found.id == last.id and found.rect == last.rect:
                return found
            if time.monotonic() >= deadline:
                if found:
                    return found
                raise StepFailed(f"no window {what or name_pattern!r} within {timeout:.0f} s")
            last = found
            time.sleep(0.1)

    def window_gone(self, win, timeout=5.0):
        return self.wait_until(lambda: all(w.id != win.id for w in self.windows()), timeout)

    def new_windows(self, before, timeout=5.0, min_size=8, where=None):
        """Program windows that were not viewable in `before` (a list of windows) and meet
        `where` when given, once at least one shows; [] after the time-out."""
        old = set(w.id for w in before)
        deadline = time.monotonic() + timeout
        while True:
            fresh = [w for w in self.program_windows()
                     if w.id not in old and w.rect.w >= min_size and w.rect.h >= min_size
                     and (where is None or where(w))]
            if fresh or time.monotonic() >= deadline:
                return fresh
            time.sleep(POLL)

    def wait_until(self, cond, timeout, poll=0.1):
        deadline = time.monotonic() + timeout
        while True:
            v = cond()
            if v:
                return v
            if time.monotonic() >= deadline:
                return v
            time.sleep(poll)

    # ------------------------------------------------------------------ input (XTest)
    def xdo(self, *args):
        self.run("xdotool", *[str(a) for a in args])

    def move(self, x, y):
        self.xdo("mousemove", int(x), int(y))

    def click(self, x, y, button=1, repeat=1):
        self.xdo("mousemove", int(x), int(y), "sleep", "0.05", "click", "--repeat", repeat,
                 "--delay", 80, button)

    def double_click(self, x, y):
        self.click(x, y, repeat=2)

    def press(self, x, y, button=1):
        self.xdo("mousemove", int(x), int(y), "sleep", "0.05", "mousedown", button)

    def release(self, button=1):
        self.xdo("mouseup", button)

    def drag(self, x0, y0, x1, y1, steps=8, button=1):
        """Press, a short move that starts the drag, a walk in steps to the target, a rest
        there (the target marks where the drop goes), release."""
        self.press(x0, y0, button)
        time.sleep(0.2)
        self.move(x0 + 6, y0 + 3)
        time.sleep(0.2)
        for i in range(1, steps + 1):
            self.move(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps)
            time.sleep(0.05)
        time.sleep(0.5)
        self.release(button)

    def under_pointer(self):
        """Where the pointer is and the top window there, as words for a failed check."""
        out = self.run("xdotool", "getmouselocation", "--shell", check_rc=False)
        loc = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        x, y = int(loc.get("X", -1)), int(loc.get("Y", -1))
        top = next((w for w in self.windows() if w.shown() and w.rect.contains(x, y)), None)
        shown = "; ".join(str(w) for w in self.program_windows() if w.shown())
        return f"pointer at {x},{y} over {top or 'no window'}; the program's windows: {shown}"

    def point_into(self, win):
        """The mouse onto a quiet spot of a window (its left edge, half way down), so the
        window gets the keys also where there is no window manager (the keyboard then goes to
        the window under the pointer)."""
        self.move(win.rect.x + 2, win.rect.y + win.rect.h // 2)

    def key(self, *keys):
        """Keys as xdotool names them ("alt+t", "Down", "Escape", "shift+F10", "Menu")."""
        for k in keys:
            self.xdo("key", "--clearmodifiers", k)
            time.sleep(0.08)

    def type(self, text):
        self.xdo("type", "--delay", 30, text)

    # ------------------------------------------------------------------ the program
    def documents(self):
        users = os.path.join(self.prefix, "drive_c", "users")
        for u in sorted(os.listdir(users)):
            d = os.path.join(users, u, "Documents")
            if u != "Public" and os.path.isdir(d):
                return d
        raise StepFailed(f"no user's Documents folder in {users}")

    def reset_state(self):
        """A first start again: no settings, no task tree, no images library."""
        self.run("wine", "reg", "delete", r"HKCU\Software\Quillmoor", "/f", timeout=60, check_rc=False)
        tree = os.path.join(self.documents(), "Zirovudi dira Riv")
        shutil.rmtree(tree, ignore_errors=True)
        lib = os.path.join(self.build, "bin", "imglib.db")
        if os.path.exists(lib):
            os.remove(lib)

    def start(self, fresh=True, timeout=60.0):
        """Starts the program (on a first-start state when fresh), waits for its main window,
        the splash to go and the tip of the day, which it closes as a user does (Esc)."""
        if fresh:
            self.reset_state()
        wine = [os.path.join(ROOT, "tools", "wine-run.sh")]
        if self.mode == "desktop":
            args = wine + ["explorer", f"/desktop={self.desktop_name},1280x1024", self.exe]
        else:
            args = wine + [self.exe]
        with open(os.path.join(self.shots, "program.log"), "ab") as log:
            self.proc = subprocess.Popen(args, env=self.env(), stdin=subprocess.DEVNULL,
                                         stdout=log, stderr=log, cwd=os.path.join(self.build, "bin"))
        self.started_at = time.monotonic()
        try:
            main = self.find_window(r"^Quillmoor \d", timeout=timeout, what="the main window")
        except StepFailed as e:
            state = "running" if self.alive() else f"not running (exit code {self.proc.poll()})"
            raise StepFailed(f"{e}; the program is {state}") from None
        tip = self.find_window(r"^Tip of the Day$", timeout=20, what="the tip of the day")
        self.point_into(tip)
        self.key("Escape")
        check(self.window_gone(tip, 10), "the tip of the day did not close on Esc")
        self.wait_until(lambda: not self._splash_shown(), 20)
        self.settle(main.rect)
        return main

    def _splash_shown(self):
        # The splash: a program window without a name and about its size, over the screen's middle.
        for w in self.program_windows():
            if not w.name and w.rect.w >= 200 and w.rect.h >= 100:
                return True
        return False

    def pids(self):
        """The processes this session started (the program and, in a virtual desktop, its
        explorer): those whose environment carries this session's marker."""
        found = []
        needle = ("QM_JOURNEY_MARKER=" + self.marker).encode()
        for p in os.listdir("/proc"):
            if not p.isdigit():
                continue
            try:
                with open(f"/proc/{p}/environ", "rb") as f:
                    if needle in f.read().split(b"\0"):
                        found.append(int(p))
            except OSError:
                continue
        return [p for p in found if p != os.getpid()]

    def alive(self):
        return any(self._is_program(p) for p in self.pids())

    @staticmethod
    def _is_program(pid):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                return b"quillmoor.exe" in f.read().lower()
        except OSError:
            return False

    def dump_stacks(self, why):
        """Writes the stacks of the program's threads (Wine's debugger, functions named from
        the program's debug file) into the mode's program.log; the log's path, or None when
        the program is not running."""
        if not self.alive():
            return None
        import sys
        sys.path.insert(0, os.path.join(ROOT, "tools"))
        import winestacks
        text = winestacks.stacks(os.path.basename(self.exe), env=self.env())
        path = os.path.join(self.shots, "program.log")
        with open(path, "a", encoding="utf-8", errors="replace") as log:
            log.write(f"\n==== {why}: the stacks of the program's threads\n{text}\n")
        return path

    def stop(self):
        """Ends the processes this session started, each by its id."""
        for sig in (signal.SIGTERM, signal.SIGKILL):
            pids = self.pids()
            if not pids:
                break
            for p in pids:
                try:
                    os.kill(p, sig)
                except ProcessLookupError:
                    pass
            deadline = time.monotonic() + 5
            while time.monotonic() < deadline and self.pids():
                time.sleep(0.1)
        if self.proc is not None:
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                pass
            self.proc = None
        # Wait for the program's windows to leave the screen.
        self.wait_until(lambda: not self.program_windows(), 10)





# ------------------------------------------------------------------------------------ journeys

class Journey:
    """One subject's journey: steps run in order, each with its own check. A step is a function
    (session, ctx) that raises StepFailed (through `check`) when what it sees is wrong; ctx is a
    dict the steps of one journey share (regions measured by an earlier step).

    setup(session, ctx), when given, runs first; when it fails every step fails with its reason.
    teardown(session, ctx), when given, runs last whatever happened (servers the journey started).
    recover(session, ctx) runs after a failed step, to bring the program back to its main window
    with no menu or dialog open (by default: Esc three times, the mouse put aside).
    A journey with fresh_start gets a program started anew on a first-start state."""

    def __init__(self, name, title, fresh_start=False, modes=("bare", "desktop")):
        self.name = name
        self.title = title
        self.fresh_start = fresh_start
        self.modes = modes
        self.steps = []
        self.setup_fn = None
        self.recover_fn = None
        self.teardown_fn = None

    def step(self, title):
        def deco(fn):
            self.steps.append((title, fn))
            return fn
        return deco

    def setup(self, fn):
        self.setup_fn = fn
        return fn

    def recover(self, fn):
        self.recover_fn = fn
        return fn

    def teardown(self, fn):
        self.teardown_fn = fn
        return fn
