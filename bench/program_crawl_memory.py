#!/usr/bin/env python3
"""The program's own crawl memory: the main window (Quillmoor.exe as built) crawling the memory
bench's site, every picture saved, and the Wine process's peak memory.

    program_crawl_memory.py <build dir> [--pictures 60000] [--latency-ms 1] [--root DIR]
                            [--timeout-s 3600] [--settle-s 120] [--display N]
    program_crawl_memory.py <build dir>/bin/engine_driver.exe <wine-run.sh> [options]
                            (as `./build.sh bench` runs every script bench; the build dir is
                            taken from the driver's path, and the program runs with its own prefix)

(run with a Python that has Pillow, as the journeys are: /usr/bin/python3 on Debian)

The site is crawl_bench.py's (2,000 pages, three levels deep) with the given number of pictures,
served on 127.0.0.1 with the given latency before every response. The program runs from a copy
of Quillmoor.exe in a folder of its own, with a Wine prefix of its own (made on the first run,
kept under the build dir as bench-program/, its user's folders its own rather than Wine's links
to the home folder) and on a private Xvfb display, so that it runs beside
the tests. Its state is a first start's: no settings, no task tree, no images library; the task
is made beforehand by the engine driver, which writes a project file as the program does, into
the project folder the program reads at its start (the sample tasks a first start writes go in
beside it). Through the user interface, as a person would: a click on the tree's first row, the
task's name typed (the tree selects the task; the Run button turning enabled shows it did), then
Run from the Tasks menu. The bench then polls the pictures saved on disk and the Wine process's
/proc status (VmHWM and VmPeak) until every picture is there, the window shows the task stopped
(the toolbar's Run enabled and Stop disabled again) and the program has been idle for a while
(at most --settle-s after it showed the task stopped), and prints the peaks, the count saved and
both times: the workers save pictures without waiting for the window, so every picture can be on
disk long before the window has shown the crawl. Not part of the test run. The pictures go under DIR (default /dev/shm when it
exists) and are removed at the end.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "engine", "crawl"))
sys.path.insert(0, os.path.join(ROOT, "tests", "journeys"))
import crawl_bench  # noqa: E402
import jlib  # noqa: E402
import qm  # noqa: E402
import localsite  # noqa: E402
from crawlkit import Server, win_path  # noqa: E402

TASK_NAME = "zzmemorybench"


def parse_args(argv):
    opts = {"pictures": 60000, "latency": 1.0, "root": None, "timeout": 3600, "settle": 120, "display": None}
    rest = []
    i = 0
    while i < len(argv):
        a = argv[i]
        if a in ("--pictures", "--latency-ms", "--root", "--timeout-s", "--settle-s", "--display") and i + 1 < len(argv):
            v = argv[i + 1]
            if a == "--display":
                opts["display"] = int(v)
            elif a == "--pictures":
                opts["pictures"] = int(v)
            elif a == "--latency-ms":
                opts["latency"] = float(v)
            elif a == "--root":
                opts["root"] = v
            elif a == "--settle-s":
                opts["settle"] = int(v)
            else:
                opts["timeout"] = int(v)
            i += 2
            continue
        rest.append(a)
        i += 1
    return rest, opts


def start_display(number=None):
    """A private Xvfb: on display :number when given, else on the first free one from :400."""
    for n in ([number] if number is not None else range(400, 499)):
        if os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
            continue
        p = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and not os.path.exists("/tmp/.X11-unix/X%d" % n):
            time.sleep(0.05)
        if p.poll() is None and os.path.exists("/tmp/.X11-unix/X%d" % n):
            return p, ":%d" % n
        p.kill()
    raise SystemExit("program_crawl_memory: no free display")


def private_prefix(s):
    """The bench's own Wine prefix, made when missing, with the user's folders turned into folders
    of the prefix. Wine links Documents, Desktop, Pictures... to the Unix home: the program's task
    tree and pictures, and the first start's state the bench makes by deleting them, would
    otherwise be the home folder's, shared with every other prefix made the same way."""
    if not os.path.isfile(os.path.join(s.prefix, "system.reg")):
        env = dict(s.env(), DISPLAY="")
        subprocess.run(["wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                        timeout=300)
        subprocess.run(["wineserver", "-w"], env=env, timeout=120)
    users = os.path.join(s.prefix, "drive_c", "users")
    for user in os.listdir(users):
        for name in os.listdir(os.path.join(users, user)):
            path = os.path.join(users, user, name)
            if os.path.islink(path):
                os.remove(path)
                os.makedirs(path)


def proc_status(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            fields = dict(line.split(":", 1) for line in f if ":" in line)
        with open("/proc/%d/stat" % pid) as f:
            stat = f.read().rsplit(")", 1)[1].split()
    except OSError:
        return None

    def kb(name):
        v = fields.get(name, "0 kB").split()
        return int(v[0]) * 1024 if v else 0
    # utime + stime, in clock ticks: whether the program still works.
    return kb("VmHWM"), kb("VmPeak"), int(stat[11]) + int(stat[12])


def count_saved(folder):
    n = 0
    for _, _, files in os.walk(folder):
        n += sum(1 for f in files if not f.endswith("!!wr"))
    return n


def mb(n):
    return n / (1024.0 * 1024.0)


def main():
    args, opts = parse_args(sys.argv[1:])
    if len(args) < 1:
        print(__doc__)
        return 2
    build = os.path.abspath(args[0])
    if os.path.isfile(build):
        build = os.path.dirname(os.path.dirname(build))
    if not os.path.isfile(os.path.join(build, "bin", "Quillmoor.exe")):
        print(f"no bin/Quillmoor.exe under {build}: give the build dir or its engine driver")
        return 2
    here = os.path.join(build, "bench-program")
    os.makedirs(os.path.join(here, "bin"), exist_ok=True)
    shutil.copy2(os.path.join(build, "bin", "Quillmoor.exe"), os.path.join(here, "bin", "Quillmoor.exe"))
    driver = os.path.join(build, "bin", "engine_driver.exe")
    root = opts["root"] or ("/dev/shm" if os.path.isdir("/dev/shm") else None)
    work = tempfile.mkdtemp(prefix="qm-program-memory-", dir=root)
    xvfb, display = start_display(opts["display"])
    s = jlib.Session(here, "bare", display, os.path.join(here, "shots"), log=lambda *a: None)
    server = Server()
    ok = False
    try:
        routes, pictures = crawl_bench.site(opts["pictures"])
        server.routes(routes, defaults={"delay": opts["latency"] / 1000.0})
        start = "http://%s/" % server.address
        # A first start's state, then the task in the project folder the program reads.
        private_prefix(s)
        s.reset_state()
        lib = os.path.join(here, "bin", "imglib.db")
        if os.path.exists(lib):
            os.remove(lib)
        projects = os.path.join(localsite.tree_root(s), "Images", "Projects")
        os.makedirs(projects, exist_ok=True)
        folder = os.path.join(work, "saved")
        project = os.path.join(projects, TASK_NAME + ".wrp")
        env = s.env()
        subprocess.run([os.path.join(ROOT, "tools", "wine-run.sh"), driver, "make", "--project", win_path(project),
                        "--name", TASK_NAME, "--url", start, "--folder", win_path(folder) + "\\",
                        "--depth", str(crawl_bench.DEPTH), "--limit", "off", "--web-structure", "off",
                        "--mask", "jpg, Pics", "--mask", "gif, Pics", "--mask", "png, Pics",
                        "--json", win_path(os.path.join(work, "make.json"))],
                       check=True, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        main_win = s.start(fresh=False)
        pid = next((p for p in s.pids() if s._is_program(p)), None)
        if pid is None:
            raise jlib.StepFailed("no Quillmoor.exe process")
        # The task selected through the tree (its first row clicked, the name typed), checked by
        # the Run button turning enabled: rows reach the views of the selected task only.
        qm.select_task(s, main_win, TASK_NAME)
        localsite.tasks_menu_row(s, main_win, 4, "Run")
        t0 = time.monotonic()
        hwm = vm = 0
        saved = 0
        idle_since = None
        last_cpu = None
        all_saved_at = None
        stopped_at = None
        idle = False
        deadline = t0 + opts["timeout"]
        while time.monotonic() < deadline:
            st = proc_status(pid)
            if st is None:
                raise jlib.StepFailed("the program ended during the crawl")
            hwm, vm = max(hwm, st[0]), max(vm, st[1])
            saved = count_saved(folder)
            if saved >= len(pictures):
                all_saved_at = all_saved_at or time.monotonic()
                # The workers save the pictures without waiting for the window; the crawl has
                # ended for the user once the window shows the task stopped, after it worked off
                # the log lines and rows the workers left it.
                if stopped_at is None:
                    if qm.task_shown_stopped(s, main_win):
                        stopped_at = time.monotonic()
                        last_cpu = None
                elif last_cpu is not None and st[2] - last_cpu <= 2:
                    idle_since = idle_since or time.monotonic()
                    if time.monotonic() - idle_since >= 5:
                        idle = True
                        break
                else:
                    idle_since = None
                last_cpu = st[2]
                if stopped_at is not None and time.monotonic() - stopped_at >= opts["settle"]:
                    break
            time.sleep(0.5)
        elapsed = (stopped_at or time.monotonic()) - t0
        ok = crawl_bench.check("Quillmoor (the main window)", folder, pictures)
        print("program_crawl_memory: %d pictures, %d addresses, %g ms latency: %s %.1f s, saved %d; peak resident"
              " (VmHWM) %.1f MB, peak virtual (VmPeak) %.1f MB"
              % (len(pictures), len(routes), opts["latency"], "shown stopped after" if stopped_at else
                 "not shown stopped within", elapsed, saved, mb(hwm), mb(vm)), flush=True)
        if all_saved_at is not None:
            print("  every picture on disk after %.1f s (the workers' pace, not the window's); %s" % (
                all_saved_at - t0, "not shown stopped within the time-out" if stopped_at is None else
                "then the program went idle" if idle else
                "%d s after it showed the task stopped the program was still busy" % opts["settle"]), flush=True)
    finally:
        s.stop()
        server.stop()
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
