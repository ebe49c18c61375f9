#!/usr/bin/env python3
"""Crawl memory benchmark: how much the engine keeps per address it has crawled.

    crawl_memory.py <engine_driver.exe> <wine-run.sh> [--pictures 2000,20000,250000]
                    [--latency-ms 1] [--reference 2000] [--root DIR]

The site is crawl_bench.py's (2,000 pages, three levels deep) with the given number of pictures
spread over its leaf pages, served on 127.0.0.1 with 1 ms of latency before every response. Each
size is crawled once through the engine driver (the task selected, so its views get every row and
log line) and must save exactly the site's pictures. For each crawl the bench prints the Linux
process's peak resident and virtual size, the process's own peak use of its address space (what
ends a 32-bit process at 2 GB) and its peak private bytes; then the growth per address between
each size and the reference size (the first by default) crawled in the same run, in bytes, with
and without the address text, and the ratio of each size's peak to the reference's.

The pictures are saved under DIR (default: the system's temporary folder); the 250,000-picture
case saves about 1.2 GB, so a memory file system such as /dev/shm serves when the disk is short.

Goal: at most 1 KB of address-space growth per address beyond the address text, flat from the
20,000 to the 250,000 case."""

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
    opts = {"pictures": list(SIZES), "latency": LATENCY_MS, "reference": None, "root": None}
    rest = []
    i = 0
    while i < len(argv):
        a = argv[i]
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


def crawl(driver, wine, env, root, start, pictures, timeout):
    project = os.path.join(root, "bench.wrp")
    folder = os.path.join(root, "saved")
    out = os.path.join(root, "crawl.json")
    make = [wine, driver, "make", "--project", win_path(project), "--name", "bench", "--url", start,
            "--folder", win_path(folder) + "\\", "--depth", str(crawl_bench.DEPTH), "--limit", "off",
            "--web-structure", "off", "--mask", "jpg, Pics", "--mask", "gif, Pics", "--mask", "png, Pics",
            "--json", win_path(os.path.join(root, "make.json"))]
    subprocess.run(make, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    cmd = [wine, driver, "crawl", "--project", win_path(project), "--time-limit", str(timeout), "--summary",
           "--json", win_path(out)]
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
            r = crawl(driver, wine, env, root, start, pictures, 4 * 3600)
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
              " address space %7.1f MB at the start, %7.1f MB at the peak; peak private %7.1f MB; %s handles"
              % (n, r["addresses"], r["elapsed"], task.get("saved"), mb(r["rss"]), mb(r["vm"]),
                 mb(mem.get("start_address_space", 0)), mb(mem.get("peak_address_space", 0)),
                 mb(mem.get("peak_private", 0)), mem.get("handles")), flush=True)

    ref = results[reference]
    ref_mem = (ref["driver"] or {}).get("memory", {})
    print("growth per address against the %d-picture crawl (bytes; \"beyond text\" leaves out the address"
          " text):" % reference)
    worst = 0.0
    for n in sizes:
        if n == reference:
            continue
        r = results[n]
        mem = (r["driver"] or {}).get("memory", {})
        extra = r["addresses"] - ref["addresses"]
        if extra <= 0:
            continue
        text = (r["text"] - ref["text"]) / extra
        grow = {
            "address space": (mem.get("peak_address_space", 0) - ref_mem.get("peak_address_space", 0)) / extra,
            "private": (mem.get("peak_private", 0) - ref_mem.get("peak_private", 0)) / extra,
            "resident": (r["rss"] - ref["rss"]) / extra,
            "virtual": (r["vm"] - ref["vm"]) / extra,
        }
        worst = max(worst, grow["address space"] - text)
        print("  %7d pictures: %s; address text %.0f; address space beyond text %.0f; peak address space"
              " %.2fx, peak resident %.2fx the reference's"
              % (n, ", ".join("%s %.0f" % kv for kv in grow.items()), text, grow["address space"] - text,
                 mem.get("peak_address_space", 0) / max(1, ref_mem.get("peak_address_space", 1)),
                 r["rss"] / max(1, ref["rss"])))
    # Between the two largest sizes: the slope where the crawl is long.
    big = sorted(sizes)[-2:]
    if len(big) == 2 and big[0] != big[1]:
        a, b = results[big[0]], results[big[1]]
        ma, mbm = (a["driver"] or {}).get("memory", {}), (b["driver"] or {}).get("memory", {})
        extra = b["addresses"] - a["addresses"]
        text = (b["text"] - a["text"]) / extra
        slope = (mbm.get("peak_address_space", 0) - ma.get("peak_address_space", 0)) / extra
        worst = max(worst, slope - text)
        print("  from %d to %d pictures: address space %.0f per address, %.0f beyond its text (goal at most %d)"
              % (big[0], big[1], slope, slope - text, GOAL_PER_ADDRESS))
    print("worst growth beyond the address text: %.0f bytes per address (goal at most %d)"
          % (worst, GOAL_PER_ADDRESS))
    if not all_ok:
        print("crawl_memory: a crawl did not save exactly the site's pictures")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
