#!/usr/bin/env python3
"""Crawl memory benchmark: how much the engine keeps per address it has crawled.

    crawl_memory.py <engine_driver.exe> <wine-run.sh> [--pictures 2000,20000,250000]
                    [--latency-ms 1] [--reference 2000] [--root DIR] [--heaps]

The site is crawl_bench.py's (2,000 pages, three levels deep) with the given number of pictures
spread over its leaf pages, served on 127.0.0.1 with 1 ms of latency before every response. Each
size is crawled once through the engine driver (the task selected, so its views get every row and
log line) and must save exactly the site's pictures. For each crawl the bench prints the Linux
process's peak resident and virtual size, the process's peak committed private bytes and the
address space it could still reserve at the end (a 32-bit process has 2 GB); then the growth of
the private bytes per address between each size and the reference size (the first by default)
crawled in the same run, with and without the address text, and the ratio of each size's peaks
to the reference's.

The pictures are saved under DIR (default: the system's temporary folder); the 250,000-picture
case saves about 1.2 GB, so a memory file system such as /dev/shm serves when the disk is short.
The 250,000-picture crawl takes minutes: give it a WINEPREFIX of its own when tests run beside it,
since the test command ends the Wine server of the build's prefix, and the crawl with it.

With --heaps the driver walks the process's heaps at the end of each crawl, and the bench prints
for each heap of a megabyte or more the bytes in use, the blocks' overhead and the free bytes it
keeps committed, with the block sizes that hold the most: what stays per address, and what the
heaps keep of what was freed.

Goal: at most 1 KB of growth per address beyond the address text, flat from the 20,000 to the
250,000 case."""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "tests", "engine", "crawl"))
import crawl_bench  # noqa: E402
from crawlkit import Server, win_path  # noqa: E402

SIZES = (2000, 20000, 250000)
LATENCY_MS = 1
GOAL_PER_ADDRESS = 1024


def parse_args(argv):
    opts = {"pictures": list(SIZES), "latency": LATENCY_MS, "reference": None, "root": None, "heaps": False}
    rest = []
    i = 0
    while i < len(argv):
        a = argv[i]
        if a == "--heaps":
            opts["heaps"] = True
            i += 1
            continue
        if a in ("--pictures", "--latency-ms", "--reference", "--root") and i + 1 < len(argv):
            v = argv[i + 1]
            if a == "--root":
                opts["root"] = v
            elif a == "--pictures":
                opts["pictures"] = [int(x) for x in v.split(",") if x]
            elif a == "--latency-ms":
                opts["latency"] = float(v)
            else:
                opts["reference"] = int(v)
            i += 2
            continue
        rest.append(a)
        i += 1
    return rest, opts


def proc_status(pid):
    """VmHWM and VmPeak of a Linux process, in bytes (None when it is gone)."""
    try:
        with open("/proc/%d/status" % pid) as f:
            fields = dict(line.split(":", 1) for line in f if ":" in line)
    except OSError:
        return None

    def kb(name):
        v = fields.get(name, "0 kB").split()
        return int(v[0]) * 1024 if v else 0
    return kb("VmHWM"), kb("VmPeak")


class PeakWatch(threading.Thread):
    """Reads the driver process's peaks until it ends (they only ever grow)."""

    def __init__(self, pid):
        super().__init__(daemon=True)
        self.pid = pid
        self.rss = self.vm = 0
        self.done = threading.Event()

    def run(self):
        while not self.done.is_set():
            s = proc_status(self.pid)
            if s:
                self.rss, self.vm = max(self.rss, s[0]), max(self.vm, s[1])
            self.done.wait(0.25)


def mb(n):
    return n / (1024.0 * 1024.0)


def crawl(driver, wine, env, root, start, pictures, timeout, heaps=False):
    project = os.path.join(root, "bench.wrp")
    folder = os.path.join(root, "saved")
    out = os.path.join(root, "crawl.json")
    make = [wine, driver, "make", "--project", win_path(project), "--name", "bench", "--url", start,
            "--folder", win_path(folder) + "\\", "--depth", str(crawl_bench.DEPTH), "--limit", "off",
            "--web-structure", "off", "--mask", "jpg, Pics", "--mask", "gif, Pics", "--mask", "png, Pics",
            "--json", win_path(os.path.join(root, "make.json"))]
    subprocess.run(make, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    cmd = [wine, driver, "crawl", "--project", win_path(project), "--time-limit", str(timeout), "--summary",
           "--json", win_path(out)] + (["--heaps"] if heaps else [])
    t0 = time.monotonic()
    # wine-run.sh execs Wine, which becomes the Windows process: its pid is the driver's.
    p = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env)
    watch = PeakWatch(p.pid)
    watch.start()
    output = p.communicate()[0]
    watch.done.set()
    watch.join()
    elapsed = time.monotonic() - t0
    result = {"elapsed": elapsed, "rss": watch.rss, "vm": watch.vm, "rc": p.returncode}
    try:
        with open(out, "rb") as f:
            result["driver"] = json.loads(f.read().decode("latin-1"))
    except (OSError, ValueError):
        result["driver"] = None
        print(output.decode(errors="replace")[-2000:])
    result["ok"] = crawl_bench.check("Quillmoor", folder, pictures) and p.returncode == 0
    shutil.rmtree(folder, ignore_errors=True)
    return result


def main():
    args, opts = parse_args(sys.argv[1:])
    if len(args) < 2:
        print(__doc__)
        return 2
    driver, wine = args[0], args[1]
    sizes = opts["pictures"]
    reference = opts["reference"] if opts["reference"] is not None else sizes[0]
    if reference not in sizes:
        sizes = [reference] + sizes
    env = dict(os.environ)
    env.setdefault("WINEDEBUG", "-all")
    subprocess.run(["wineserver", "-p"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    print("crawl_memory: %s pictures (reference %d), %g ms latency per request"
          % (", ".join(str(s) for s in sizes), reference, opts["latency"]), flush=True)
    results = {}
    all_ok = True
    for n in sizes:
        root = tempfile.mkdtemp(prefix="qm-crawl-memory-", dir=opts["root"])
        server = Server()
        try:
            routes, pictures = crawl_bench.site(n)
            server.routes(routes, defaults={"delay": opts["latency"] / 1000.0})
            start = "http://%s/" % server.address
            addresses = [start] + ["http://%s%s" % (server.address, path) for path in routes if path != "/"]
            r = crawl(driver, wine, env, root, start, pictures, 4 * 3600, opts["heaps"])
        finally:
            server.stop()
            shutil.rmtree(root, ignore_errors=True)
        r["addresses"] = len(addresses)
        r["text"] = sum(len(a) for a in addresses)
        results[n] = r
        all_ok = all_ok and r["ok"]
        mem = (r["driver"] or {}).get("memory", {})
        task = ((r["driver"] or {}).get("tasks") or [{}])[0]
        print("  %7d pictures, %7d addresses: %8.1f s, saved %s; peak resident %7.1f MB, peak virtual %7.1f MB;"
              " peak private %7.1f MB; address space left at the end %7.1f MB"
              % (n, r["addresses"], r["elapsed"], task.get("saved"), mb(r["rss"]), mb(r["vm"]),
                 mb(mem.get("peak_private", 0)), mb(mem.get("reservable_at_end", 0))), flush=True)
        for h in mem.get("heaps", []):
            if h["busy"] + h["free"] < 1 << 20:
                continue
            print("      heap %d: %7.1f MB in use in %d blocks, %6.1f MB of their overhead, %7.1f MB free;"
                  " sizes holding most (size x blocks): %s"
                  % (h["heap"], mb(h["busy"]), h["blocks"], mb(h["overhead"]), mb(h["free"]),
                     " ".join("%dx%d" % (z[0], z[1]) for z in h["sizes"][:10])), flush=True)

    # The growth is read from the committed private bytes (what the heaps take from the system);
    # the address space left shows the headroom below the 32-bit process's 2 GB.
    good = {n: r for n, r in results.items() if r["ok"] and r["driver"]}
    if reference not in good:
        print("crawl_memory: the reference crawl failed; no growth to show")
        return 1

    def private(r):
        return r["driver"]["memory"].get("peak_private", 0)

    def left(r):
        return r["driver"]["memory"].get("reservable_at_end", 0)

    ref = good[reference]
    print("growth per address against the %d-picture crawl, in bytes (committed private memory; \"beyond"
          " text\" leaves out the address text):" % reference)
    worst = None
    for n in sizes:
        if n == reference or n not in good:
            continue
        r = good[n]
        extra = r["addresses"] - ref["addresses"]
        if extra <= 0:
            continue
        text = (r["text"] - ref["text"]) / extra
        grow = (private(r) - private(ref)) / extra
        print("  %7d pictures: %.0f per address, %.0f beyond its text (%.0f); resident %.0f; peak private %.2fx,"
              " peak resident %.2fx the reference's"
              % (n, grow, grow - text, text, (r["rss"] - ref["rss"]) / extra, private(r) / max(1, private(ref)),
                 r["rss"] / max(1, ref["rss"])))
    # Between the two largest sizes: the slope where the crawl is long.
    big = sorted(good)[-2:]
    if len(big) == 2:
        a, b = good[big[0]], good[big[1]]
        extra = b["addresses"] - a["addresses"]
        text = (b["text"] - a["text"]) / extra
        worst = (private(b) - private(a)) / extra - text
        print("  from %d to %d pictures: %.0f per address beyond its text (goal at most %d); address space left"
              " at the end of the larger crawl %.1f MB of the process's 2048 MB"
              % (big[0], big[1], worst, GOAL_PER_ADDRESS, mb(left(b))))
    if not all_ok:
        print("crawl_memory: a crawl did not save exactly the site's pictures")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
