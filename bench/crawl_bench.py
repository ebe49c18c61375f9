#!/usr/bin/env python3
"""Crawl benchmark: Quillmoor (through the engine driver under Wine) against GNU wget and
HTTrack, on one generated site served by the test web server, measured in the same run.

    crawl_bench.py <engine_driver.exe> <wine-run.sh>

The site: an index, 40 section pages and 1,959 leaf pages (2,000 pages, three levels deep)
linking 5,000 distinct pictures of 1-8 KB (.jpg, .gif, .png), served on 127.0.0.1 with 5 ms of
latency before every response and HTTP/1.1 keep-alive allowed. Each tool must save exactly the
5,000 pictures (count and total bytes). Quillmoor's time is the driver process's wall time, with
the Wine server kept running and one warm-up crawl done first; the others' is their process's
wall time. Prints each time and the ratios wget/Quillmoor (target at least 3) and
HTTrack/Quillmoor (target at least 1.5)."""

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
WGET_TARGET = 3.0
HTTRACK_TARGET = 1.5


def ensure_tools():
    missing = [p for p, exe in (("wget", "wget"), ("httrack", "httrack")) if not shutil.which(exe)]
    if not missing:
        return
    print("installing " + " ".join(missing), flush=True)
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    subprocess.run(sudo + ["apt-get", "install", "-y", "--no-install-recommends"] + missing, check=True, env=env,
                   stdout=subprocess.DEVNULL)


def picture_size(i):
    return 1024 + (i * 2654435761) % (7 * 1024 + 1)


def site():
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
    for i in range(PICTURES):
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


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    driver, wine = sys.argv[1], sys.argv[2]
    ensure_tools()
    root = tempfile.mkdtemp(prefix="qm-crawl-bench-")
    server = Server()
    try:
        routes, pictures = site()
        server.routes(routes, defaults={"delay": LATENCY})
        start = "http://%s/" % server.address
        env = dict(os.environ)
        env.setdefault("WINEDEBUG", "-all")
        # The Wine server stays up for the whole run, so no crawl pays for its start.
        subprocess.run(["wineserver", "-p"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        project = os.path.join(root, "bench.wrp")

        def quillmoor(folder):
            make = [wine, driver, "make", "--project", win_path(project), "--name", "bench", "--url", start,
                    "--folder", win_path(folder) + "\\", "--depth", str(DEPTH), "--limit", "off",
                    "--web-structure", "off", "--mask", "jpg, Pics", "--mask", "gif, Pics", "--mask", "png, Pics",
                    "--json", win_path(os.path.join(root, "make.json"))]
            subprocess.run(make, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
            crawl = [wine, driver, "crawl", "--project", win_path(project), "--time-limit", "1800",
                     "--json", win_path(os.path.join(root, "crawl.json"))]
            return timed(crawl, env)

        print("crawl_bench: %d pages, %d pictures, %d ms latency per request" % (PAGES, PICTURES, LATENCY * 1000))
        quillmoor(os.path.join(root, "warm"))  # warm-up
        q_time, q = quillmoor(os.path.join(root, "quillmoor"))
        q_ok = q.returncode == 0 and check("Quillmoor", os.path.join(root, "quillmoor"), pictures)

        w_dir = os.path.join(root, "wget")
        os.makedirs(w_dir)
        w_time, w = timed(["wget", "-q", "-r", "-l", str(DEPTH), "-np", "-nd", "-e", "robots=off",
                           "--no-proxy", "-A", "jpg,gif,png", "-P", w_dir, start])
        w_ok = check("wget", w_dir, pictures)

        h_dir = os.path.join(root, "httrack")
        hp = "%s/" % server.address
        # 8 sockets; no connections-per-second cap (-%c0) and no transfer-rate cap (-A) with the
        # built-in limits lifted (-%!); no delayed type check (-%N0): with it HTTrack holds every
        # transfer back for its type test and fetches about one address per second.
        h_time, h = timed(["httrack", start, "-O", h_dir, "-q", "-Q", "-I0", "-s0", "-c%d" % CONNECTIONS,
                           "-%!", "-%c0", "-A1000000000", "-%N0", "-r%d" % (DEPTH + 1),
                           "-*", "+%s" % hp, "+%s*.html" % hp, "+*.jpg", "+*.gif", "+*.png"])
        h_ok = check("HTTrack", h_dir, pictures)

        print("  Quillmoor %8.2f s" % q_time)
        print("  wget      %8.2f s   wget/Quillmoor    = %5.2fx (target at least %.1fx)"
              % (w_time, w_time / q_time, WGET_TARGET))
        print("  HTTrack   %8.2f s   HTTrack/Quillmoor = %5.2fx (target at least %.1fx)"
              % (h_time, h_time / q_time, HTTRACK_TARGET))
        if not (q_ok and w_ok and h_ok):
            if q.returncode != 0:
                print(q.stdout.decode(errors="replace")[-2000:])
            print("crawl_bench: a tool did not save exactly the site's pictures")
            return 1
        return 0
    finally:
        server.stop()
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
