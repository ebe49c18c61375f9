#!/usr/bin/python3
"""Runs the journeys: Quillmoor driven from outside, as a user does, and checked on the screen.

    run.py --build BUILD [--only NAME]... [--mode bare|desktop]... [--list]

The program (BUILD/bin/Quillmoor.exe, prefix BUILD/wineprefix) is started on the display in
$DISPLAY (a private Xvfb when there is none), once on the bare display and once inside a Wine
virtual desktop, on a first-start state. Every journey_*.py beside this file holds one subject's
journey (a jlib.Journey named JOURNEY); --only picks journeys by name. Each step keeps its
screenshot under BUILD/screenshots/journeys/<mode>/. A failed step or one that cannot find its
window fails the run, except a step named in config.EXPECTED_FAILURES, which is reported with
the defect it waits for. The last line says "N passed, N failed".

A journey file: `JOURNEY = jlib.Journey("name", "what it covers")`, then steps in order,
`@JOURNEY.step("what the user sees")` on a function (session, ctx) that drives the program with
the session's input (click, key, drag...), reads the screen (grab, settle, wait_change, windows,
find_window) and states what must hold with jlib.check; qm.py finds the main window's regions.
`@JOURNEY.setup`, `@JOURNEY.recover` and `@JOURNEY.teardown` are optional; fresh_start=True gets
the journey a program started anew on a first-start state.

The journeys share the test prefix's Wine server with the window test programs, and Wine keeps
the pointer, the foreground window and the keyboard state per server: they run alone, after the
test programs (as ./build.sh test runs them), never beside them.
"""

import argparse
import glob
import importlib
import os
import re
import subprocess
import sys
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import config  # noqa: E402
import jlib  # noqa: E402


def discover(only):
    journeys = []
    for path in sorted(glob.glob(os.path.join(HERE, "journey_*.py"))):
        mod = importlib.import_module(os.path.splitext(os.path.basename(path))[0])
        j = getattr(mod, "JOURNEY", None)
        if not isinstance(j, jlib.Journey):
            raise SystemExit(f"{path}: no JOURNEY (a jlib.Journey)")
        if only and j.name not in only:
            continue
        journeys.append(j)
    # A mark that names no step would never apply: the run refuses it.
    steps = {(j.name, title) for j in journeys for title, _ in j.steps}
    names = {j.name for j in journeys}
    for entry in config.EXPECTED_FAILURES:
        if entry[0] in names and (entry[0], entry[1]) not in steps:
            raise SystemExit(f"config.EXPECTED_FAILURES names no step of journey {entry[0]!r}: {entry[1]!r}")
        if entry[2] not in (None, "bare", "desktop"):
            raise SystemExit(f"config.EXPECTED_FAILURES: mode {entry[2]!r} is not bare, desktop or None")
    order = {n: i for i, n in enumerate(config.ORDER)}
    journeys.sort(key=lambda j: (order.get(j.name, len(order)), j.name))
    if only:
        missing = set(only) - {j.name for j in journeys}
        if missing:
            raise SystemExit(f"no journey named {', '.join(sorted(missing))}")
    return journeys


def expected_failure(journey, step, mode):
    for entry in config.EXPECTED_FAILURES:
        j, s, m, why = entry
        if j == journey and s == step and (m is None or m == mode):
            return why
    return None


def slug(text):
    return re.sub(r"[^a-z0-9]+", "-", text.lower()).strip("-")[:60]


class Display:
    """The X display to run on: $DISPLAY, or a private Xvfb started (and ended) here."""

    def __init__(self):
        self.proc = None
        self.name = os.environ.get("DISPLAY")

    def __enter__(self):
        if self.name:
            return self
        for n in range(300, 400):
            if os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
                continue
            self.proc = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for _ in range(100):
                if os.path.exists(f"/tmp/.X11-unix/X{n}"):
                    break
                time.sleep(0.05)
            if self.proc.poll() is None:
                self.name = f":{n}"
                return self
        raise SystemExit("run.py: could not start Xvfb")

    def __exit__(self, *exc):
        if self.proc:
            self.proc.terminate()
            self.proc.wait(timeout=10)


class Results:
    def __init__(self):
        self.rows = []   # (mode, journey, step, verdict, detail, shot)

    def add(self, *row):
        self.rows.append(row)
        mode, journey, step, verdict, detail, shot = row
        line = f"{verdict:5} {mode:7} {journey}: {step}"
        if verdict == "PASS":
            line += f" {detail}"
        elif detail:
            line += f"\n        {detail}"
        if verdict in ("FAIL", "XFAIL", "XPASS"):
            line += f"\n        screenshot: {shot}"
        print(line, flush=True)

    def count(self, *verdicts):
        return sum(1 for r in self.rows if r[3] in verdicts)


def run_journey(s, journey, results, shot_dir, index):
    ctx = {}
    try:
        run_steps(s, journey, results, shot_dir, index, ctx)
    finally:
        if journey.teardown_fn:
            try:
                journey.teardown_fn(s, ctx)
            except Exception as e:  # noqa: BLE001
                print(f"        tear-down failed: {describe(e)}", flush=True)


def run_steps(s, journey, results, shot_dir, index, ctx):
    setup_error = None
    if journey.setup_fn:
        try:
            journey.setup_fn(s, ctx)
        except Exception as e:  # noqa: BLE001 - every error of a set-up fails its steps
            setup_error = f"set-up failed: {describe(e)}"
            s.shot(f"{index:02d}-{journey.name}-00-setup", None)
    for n, (title, fn) in enumerate(journey.steps, 1):
        name = f"{index:02d}-{journey.name}-{n:02d}-{slug(title)}"
        shot = os.path.join(shot_dir, name + ".png")
        error = setup_error
        started = time.monotonic()
        if error is None:
            try:
                fn(s, ctx)
            except Exception as e:  # noqa: BLE001
                error = describe(e)
                error += stacks_note(s, f"{journey.name}: {title}: {error}")
        if s.shot(name) is None:
            error = error or "no screenshot could be taken"
        why = expected_failure(journey.name, title, s.mode)
        took = f"({time.monotonic() - started:.1f} s)"
        if error is None:
            results.add(s.mode, journey.name, title, "XPASS" if why else "PASS",
                        f"{took} passes although marked as waiting for: {why}" if why else took, shot)
        else:
            results.add(s.mode, journey.name, title, "XFAIL" if why else "FAIL",
                        f"{error} {took}" + (f"\n        expected: {why}" if why else ""), shot)
            if setup_error is None:
                recover(s, journey, ctx)


def stacks_note(s, why):
    """A failed step (most wait for the program and time out) leaves the program's thread
    stacks in its log, so a hang shows where each thread stood."""
    try:
        path = s.dump_stacks(why)
    except Exception as e:  # noqa: BLE001 - the dump must not hide the step's own failure
        return f" (no stacks: {describe(e)})"
    return f" (thread stacks in {path})" if path else ""


def describe(e):
    if isinstance(e, jlib.StepFailed):
        return str(e)
    tb = traceback.extract_tb(e.__traceback__)
    where = f" at {os.path.basename(tb[-1].filename)}:{tb[-1].lineno}" if tb else ""
    return f"{type(e).__name__}: {e}{where}"


def recover(s, journey, ctx):
    try:
        if journey.recover_fn:
            journey.recover_fn(s, ctx)
        else:
            default_recover(s)
    except Exception as e:  # noqa: BLE001
        print(f"        recovery failed: {describe(e)}", flush=True)


def default_recover(s):
    import qm
    if not s.alive():
        return
    main = qm.main_window(s, timeout=3)
    qm.rest_mouse(s, main)
    for _ in range(3):
        s.key("Escape")
    # Dialogs left open by the failed step: Esc closed most; the program's other named windows
    # (besides the main one) are closed with Esc once more after a click on them.
    for w in s.program_windows():
        if w.name and w.id != main.id and w.rect.w > 50 and not w.name.startswith("Default IME"):
            s.click(w.rect.x + w.rect.w // 2, w.rect.y + 5)
            s.key("Escape")


def ensure_program(s, fresh, failed=None):
    """The program running with its main window: started anew on a first-start state when
    asked, when it ended or when its main window is gone. A start that fails is tried once more,
    so that the journey's steps still run, but the failed start counts as a failed step of the
    journey (failed(why) records it): a program that does not start is a defect, also when its
    second start works."""
    import qm
    if not fresh and s.alive():
        try:
            qm.main_window(s, timeout=3)
            return
        except jlib.StepFailed:
            pass
    for attempt in (1, 2):
        s.stop()
        started = time.monotonic()
        try:
            s.start(fresh=True)
            print(f"        (program started in {time.monotonic() - started:.1f} s)", flush=True)
            return
        except jlib.StepFailed as e:
            if attempt == 2:
                raise
            note = stacks_note(s, f"start failed: {e}")
            if failed:
                failed(f"the program did not start: {e}{note}; started again")
            else:
                print(f"        start failed, trying once more: {e}{note}", flush=True)


def run_mode(mode, journeys, build, display, results):
    shot_dir = os.path.join(build, "screenshots", "journeys", mode)
    os.makedirs(shot_dir, exist_ok=True)
    for old in glob.glob(os.path.join(shot_dir, "*.png")):
        os.remove(old)
    s = jlib.Session(build, mode, display, shot_dir)
    started = time.monotonic()
    try:
        first = True
        for i, j in enumerate(journeys, 1):
            if mode not in j.modes:
                continue
            try:
                def start_failed(why, j=j, i=i):
                    s.shot(f"{i:02d}-{j.name}-00-start")
                    results.add(mode, j.name, "the program starts", "FAIL", why,
                                os.path.join(shot_dir, f"{i:02d}-{j.name}-00-start.png"))
                ensure_program(s, first or j.fresh_start, start_failed)
            except Exception as e:  # noqa: BLE001 - the program did not start: every step fails
                s.shot(f"{i:02d}-{j.name}-00-start")
                stacks_note(s, f"{j.name}: the program did not start")
                for title, _ in j.steps:
                    results.add(mode, j.name, title, "FAIL", f"the program did not start: {describe(e)}",
                                os.path.join(shot_dir, f"{i:02d}-{j.name}-00-start.png"))
                s.stop()
                continue
            first = False
            run_journey(s, j, results, shot_dir, i)
    finally:
        s.stop()
    print(f"------- {mode}: {time.monotonic() - started:.0f} s", flush=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", default=os.path.join(jlib.ROOT, "build"))
    ap.add_argument("--only", action="append", default=[])
    ap.add_argument("--mode", action="append", choices=("bare", "desktop"), default=[])
    ap.add_argument("--list", action="store_true", help="name the journeys and their steps")
    a = ap.parse_args()
    journeys = discover(a.only)
    if a.list:
        for j in journeys:
            print(f"{j.name}: {j.title}")
            for title, _ in j.steps:
                print(f"    {title}")
        return 0
    build = os.path.abspath(a.build)
    exe = os.path.join(build, "bin", "Quillmoor.exe")
    if not os.path.exists(exe):
        print(f"run.py: {exe} is not built", file=sys.stderr)
        return 2
    modes = a.mode or ["bare", "desktop"]
    results = Results()
    started = time.monotonic()
    with Display() as d:
        for mode in modes:
            run_mode(mode, journeys, build, d.name, results)
    passed, failed = results.count("PASS"), results.count("FAIL")
    xfail, xpass = results.count("XFAIL"), results.count("XPASS")
    print(f"journeys: {len(journeys)} in {', '.join(modes)}; {time.monotonic() - started:.0f} s; "
          f"{xfail} expected failures (config.EXPECTED_FAILURES), {xpass} passed although marked")
    for r in results.rows:
        if r[3] == "FAIL":
            print(f"  failed: {r[0]} {r[1]}: {r[2]}")
        elif r[3] == "XPASS":
            print(f"  passes now, remove its mark: {r[0]} {r[1]}: {r[2]}")
    print(f"{passed} passed, {failed} failed")
    return 1 if failed or not results.rows else 0


if __name__ == "__main__":
    sys.exit(main())
