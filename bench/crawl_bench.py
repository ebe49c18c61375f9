#!/usr/bin/env python3
"""Crawl benchmark: Quillmoor (through the engine driver under Wine) against GNU wget, GNU Wget2
(8 threads) and HTTrack, on one generated site served by the test web server, over several
rounds of the same run.

    crawl_bench.py <engine_driver.exe> <wine-run.sh> [--rounds N] [--pictures N]
                   [--peers quillmoor,wget,wget2,httrack] [--cpus LIST] [--profile]

The site: an index, 40 section pages and 1,959 leaf pages (2,000 pages, three levels deep)
linking 5,000 distinct pictures of 1-8 KB (.jpg, .gif, .png; --pictures 20000 is the large case,
not run by default), served on 127.0.0.1 with 5 ms of latency before every response and
HTTP/1.1 keep-alive allowed. Each tool must save exactly the site's pictures (count and total
bytes). Every round runs the tools in turn, so that drift of the machine moves all alike; the
figures are the medians over the rounds. Quillmoor's time is the driver process's wall time,
with the Wine server kept running and one warm-up crawl done first; the others' is their
process's wall time. Prints every round, the medians, the ratios of each peer to Quillmoor and
Quillmoor's time over the latency floor (requests x latency / 8 connections). --cpus pins the
bench and everything it starts to those processors; --profile has the driver time the steps
of a saved picture and prints where the time went."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "engine", "crawl"))
from crawlkit import Server, win_path  # noqa: E402

SECTIONS = 40
PAGES = 2000
PICTURES = 5000
LATENCY = 0.005
DEPTH = 3  # index 0, sections 1, leaves 2, pictures 3
CONNECTIONS = 8
EXTS = (".jpg", ".gif", ".png")
ROUNDS = 3
PEERS = ("quillmoor", "wget", "wget2", "httrack")
NAMES = {"quillmoor": "Quillmoor", "wget": "wget", "wget2": "Wget2", "httrack": "HTTrack"}
# Each peer's time over Quillmoor's, at least; and Quillmoor's over the latency floor, at most.
TARGETS = {"wget": 3.3, "wget2": 1.1, "httrack": 23.0}
FLOOR_TARGET = 1.5


def ensure_tools(peers):
    missing = [p for p, exe in (("wget", "wget"), ("wget2", "wget2"), ("httrack", "httrack"))
               if p in peers and not shutil.which(exe)]
    if not missing:
        return
    print("installing " + " ".join(missing), flush=True)
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    subprocess.run(sudo + ["apt-get", "install", "-y", "--no-install-recommends"] + missing, check=True, env=env,
                   stdout=subprocess.DEVNULL)


def picture_size(i):
    return 1024 + (i * 2654435761) % (7 * 1024 + 1)


def site(picture_count):
    """The route table and the expected pictures (name -> size)."""
    routes = {}
    pictures = {}
    leaves = PAGES - 1 - SECTIONS
    per_section = [leaves // SECTIONS + (1 if s < leaves % SECTIONS else 0) for s in range(SECTIONS)]
    leaf_paths = []
    for s, n in enumerate(per_section):
        leaf_paths += ["/s%02d/l%03d.html" % (s, k) for k in range(n)]
    # Pictures spread over the leaves in turn, each in its leaf's folder. Every link is relative,
    # so that every tool resolves it the same way.
    on_leaf = [[] for _ in leaf_paths]
    for i in range(picture_count):
        name = "p%04d%s" % (i, EXTS[i % 3])
        pictures[name] = picture_size(i)
        leaf = i % len(leaf_paths)
        on_leaf[leaf].append(name)
        routes[leaf_paths[leaf].rsplit("/", 1)[0] + "/img/" + name] = {"generate": {"kind": "pattern", "pattern": "<%s>" % name,
                                               "size": pictures[name]},
                                  "headers": {"Content-Type": "image/" + ("jpeg" if name.endswith("jpg") else
                                                                          name[-3:])}}
    html = {"Content-Type": "text/html"}

    def page(links, imgs=()):
        body = "<html><body>" + "".join('<a href="%s">%s</a>\n' % (l, l) for l in links) + \
               "".join('<img src="%s">\n' % i for i in imgs) + "</body></html>"
        return {"body": body, "headers": html}

    routes["/"] = page(["s%02d.html" % s for s in range(SECTIONS)])
    i = 0
    for s, n in enumerate(per_section):
        routes["/s%02d.html" % s] = page([p[1:] for p in leaf_paths[i:i + n]])
        i += n
    for path, imgs in zip(leaf_paths, on_leaf):
        routes[path] = page([], ["img/" + n for n in imgs])
    assert len([k for k in routes if k.endswith(".html") or k == "/"]) == PAGES
    return routes, pictures


def pictures_under(folder):
    found = {}
    for base, _, files in os.walk(folder):
        for f in files:
            if f.endswith(EXTS):
                found[f] = found.get(f, 0) + os.path.getsize(os.path.join(base, f))
    return found


def check(tool, folder, pictures):
    found = pictures_under(folder)
    count, total = len(found), sum(found.values())
    want_total = sum(pictures.values())
    ok = set(found) == set(pictures) and total == want_total
    print("  %-9s saved %d pictures, %d bytes%s" % (tool, count, total,
                                                     "" if ok else "  (want %d, %d bytes)" % (len(pictures),
                                                                                               want_total)))
    return ok


def timed(cmd, env=None):
    t0 = time.monotonic()
    p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env)
    return time.monotonic() - t0, p


def median(values):
    v = sorted(values)
    n = len(v)
    return v[n // 2] if n % 2 else (v[n // 2 - 1] + v[n // 2]) / 2


def parse_args(argv):
    opts = {"rounds": ROUNDS, "pictures": PICTURES, "peers": list(PEERS), "cpus": None, "profile": False}
    rest = []
    i = 0
    while i < len(argv):
        a = argv[i]
        if a in ("--rounds", "--pictures", "--peers", "--cpus") and i + 1 < len(argv):
            v = argv[i + 1]
            i += 2
            if a == "--rounds":
                opts["rounds"] = max(1, int(v))
            elif a == "--pictures":
                opts["pictures"] = int(v)
            elif a == "--peers":
                opts["peers"] = [p for p in v.split(",") if p]
                bad = [p for p in opts["peers"] if p not in PEERS]
                if bad:
                    raise SystemExit("unknown peer %s (known: %s)" % (",".join(bad), ",".join(PEERS)))
            else:
                opts["cpus"] = v
            continue
        if a == "--profile":
            opts["profile"] = True
        else:
            rest.append(a)
        i += 1
    return rest, opts


def cpu_set(text):
    cpus = set()
    for part in text.split(","):
        lo, _, hi = part.partition("-")
        cpus.update(range(int(lo), int(hi or lo) + 1))
    return cpus


def print_profile(path):
    """The driver's timing of the crawl's steps (--profile)."""
    import json
    with open(path, "rb") as f:
        dump = json.loads(f.read().decode("latin-1"))
    prof = dump.get("profile")
    if not prof:
        print("  (no profile in the driver's output)")
        return
    pictures = max(1, prof.get("pictures", 0))
    print("  profile: %d pictures, %d pages, wall %.2f s" % (prof.get("pictures", 0), prof.get("pages", 0),
                                                             dump.get("elapsed_ms", 0) / 1000.0))
    print("    %-34s %8s %10s %12s" % ("step", "count", "total ms", "ms/picture"))
    for row in prof.get("steps", []):
        print("    %-34s %8d %10.1f %12.3f" % (row["name"], row["count"], row["ms"], row["ms"] / pictures))
    ui = sum(r["ms"] for r in prof.get("steps", []) if r["name"].startswith("UI:"))
    print("    user-interface thread busy %.1f ms of %.1f ms" % (ui, dump.get("elapsed_ms", 0)))


def main():
    args, opts = parse_args(sys.argv[1:])
    if len(args) < 2:
        print(__doc__)
        return 2
    driver, wine = args[0], args[1]
    peers = [p for p in PEERS if p in opts["peers"]]
    if opts["cpus"]:
        os.sched_setaffinity(0, cpu_set(opts["cpus"]))
    ensure_tools(peers)
    picture_count = opts["pictures"]
    root = tempfile.mkdtemp(prefix="qm-crawl-bench-")
    server = Server()
    try:
        routes, pictures = site(picture_count)
        server.routes(routes, defaults={"delay": LATENCY})
        start = "http://%s/" % server.address
        requests = PAGES + len(pictures)
        floor = requests * LATENCY / CONNECTIONS
        env = dict(os.environ)
        env.setdefault("WINEDEBUG", "-all")
        # The Wine server stays up for the whole run, so no crawl pays for its start.
        subprocess.run(["wineserver", "-p"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        project = os.path.join(root, "bench.wrp")
        crawl_json = os.path.join(root, "crawl.json")

        def quillmoor(folder, profile=False):
            make = [wine, driver, "make", "--project", win_path(project), "--name", "bench", "--url", start,
                    "--folder", win_path(folder) + "\\", "--depth", str(DEPTH), "--limit", "off",
                    "--web-structure", "off", "--mask", "jpg, Pics", "--mask", "gif, Pics", "--mask", "png, Pics",
                    "--json", win_path(os.path.join(root, "make.json"))]
            subprocess.run(make, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
            crawl = [wine, driver, "crawl", "--project", win_path(project), "--time-limit", "3600",
                     "--json", win_path(crawl_json)] + (["--profile"] if profile else [])
            return timed(crawl, env)

        def run_wget(folder):
            os.makedirs(folder)
            return timed(["wget", "-q", "-r", "-l", str(DEPTH), "-np", "-nd", "-e", "robots=off",
                          "--no-proxy", "-A", "jpg,gif,png", "-P", folder, start])

        def run_wget2(folder):
            os.makedirs(folder)
            return timed(["wget2", "-q", "-r", "-l", str(DEPTH), "-np", "-nd", "--robots=off", "--no-proxy",
                          "--max-threads=%d" % CONNECTIONS, "-A", "jpg,gif,png", "-P", folder, start])

        def run_httrack(folder):
            hp = "%s/" % server.address
            # 8 sockets; no connections-per-second cap (-%c0) and no transfer-rate cap (-A) with the
            # built-in limits lifted (-%!); no delayed type check (-%N0): with it HTTrack holds every
            # transfer back for its type test and fetches about one address per second.
            return timed(["httrack", start, "-O", folder, "-q", "-Q", "-I0", "-s0", "-c%d" % CONNECTIONS,
                          "-%!", "-%c0", "-A1000000000", "-%N0", "-r%d" % (DEPTH + 1),
                          "-*", "+%s" % hp, "+%s*.html" % hp, "+*.jpg", "+*.gif", "+*.png"])

        tools = {"quillmoor": quillmoor, "wget": run_wget, "wget2": run_wget2, "httrack": run_httrack}
        cpus = sorted(os.sched_getaffinity(0))
        print("crawl_bench: %d pages, %d pictures, %d ms latency per request, %d rounds, on processors %s"
              % (PAGES, len(pictures), LATENCY * 1000, opts["rounds"], ",".join(map(str, cpus))), flush=True)
        print("  latency floor: %d requests x %d ms / %d = %.2f s" % (requests, LATENCY * 1000, CONNECTIONS, floor))
        if "quillmoor" in peers:
            quillmoor(os.path.join(root, "warm"))  # warm-up
            shutil.rmtree(os.path.join(root, "warm"), ignore_errors=True)

        times = {p: [] for p in peers}
        all_ok = True
        for rnd in range(1, opts["rounds"] + 1):
            load = os.getloadavg()[0]
            line = []
            for p in peers:
                folder = os.path.join(root, "%s-%d" % (p, rnd))
                server.clear()
                t, proc = tools[p](folder)
                counters = server.counters()
                # The peers' exit codes also tell of refused links; only what they saved counts.
                ok = check(NAMES[p], folder, pictures) and (p != "quillmoor" or proc.returncode == 0)
                if not ok:
                    all_ok = False
                    print(proc.stdout.decode(errors="replace")[-2000:])
                print("  round %d %-9s %8.2f s  %6d requests over %4d connections, at most %d at once"
                      % (rnd, NAMES[p], t, counters["requests"], counters["connections"],
                         counters["max_in_flight"]), flush=True)
                times[p].append(t)
                line.append("%s %.2f s" % (NAMES[p], t))
                shutil.rmtree(folder, ignore_errors=True)
            print("  round %d (load average %.1f at its start): %s" % (rnd, load, ", ".join(line)), flush=True)

        print("medians over %d rounds:" % opts["rounds"])
        med = {p: median(times[p]) for p in peers}
        if "quillmoor" in peers:
            q = med["quillmoor"]
            print("  Quillmoor %8.2f s   Quillmoor/floor   = %5.2fx (target at most %.1fx); %.3f ms per picture"
                  % (q, q / floor, FLOOR_TARGET, q * 1000 / len(pictures)))
            for p in peers[1:]:
                print("  %-9s %8.2f s   %-17s = %5.2fx (target at least %.1fx)"
                      % (NAMES[p], med[p], NAMES[p] + "/Quillmoor", med[p] / q, TARGETS[p]))
            if opts["profile"]:
                folder = os.path.join(root, "profiled")
                server.clear()
                t, proc = quillmoor(folder, profile=True)
                print("  profiled crawl %.2f s (not in the medians)" % t)
                if proc.returncode == 0:
                    print_profile(crawl_json)
        else:
            for p in peers:
                print("  %-9s %8.2f s" % (NAMES[p], med[p]))
        if not all_ok:
            print("crawl_bench: a tool did not save exactly the site's pictures")
            return 1
        return 0
    finally:
        server.stop()
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
