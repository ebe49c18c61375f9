#!/usr/bin/env python3
"""Three tasks of 8 workers each, on one host and into one folder, whose pages link the same
2,000 pictures in different orders: every picture is saved three times under distinct names,
each file holds exactly its served bytes, and no address is listed twice."""
import os
import random
import re
from crawlkit import Suite, page, jpg, pattern_bytes

PICTURES = 2000
TASKS = 3

s = Suite("race")
srv = s.server
start = "http://%s/" % srv.address
names = ["n%04d.jpg" % i for i in range(PICTURES)]
routes = {}
for i, n in enumerate(names):
    # Distinct bodies of 1-3 KB: a file written by two workers would not match either.
    routes["/pics/" + n] = jpg("<%s>" % n, 1000 + (i * 37) % 2000)
# Relative links from start pages in the root, so that all three tasks ask for the same addresses.
links = ["pics/" + n for n in names]
for t in range(TASKS):
    order = list(links)
    random.Random(t).shuffle(order)
    routes["/t%d.html" % t] = page(*order)
srv.routes(routes)
folder = s.folder("shared")
projects = [s.make("race%d" % t, start + "t%d.html" % t, folder, depth=1) for t in range(TASKS)]
d = s.crawl(projects, time_limit=500, timeout=560)
s.check(not d["time_limit_hit"], "the three crawls end within the limit (%d ms)" % d["elapsed_ms"])
for t in d["tasks"]:
    s.eq((t["state"], t["finish_calls"], t["saved"], t["running"]), (1, 1, PICTURES, 0),
         "task %s ended once with every picture saved" % t["name"])

# No duplicate address in any saved file.
for p in projects:
    addrs = [l.split(",", 2)[2] for l in s.project_lines(p)]
    s.eq(len(addrs), len(set(addrs)), "no duplicate address in " + os.path.basename(p))
    s.eq(len(addrs), PICTURES + 1, "every address listed once in " + os.path.basename(p))
    s.check(all(l.startswith("1,") for l in s.project_lines(p)), "every address done in " + os.path.basename(p))

# Every picture three times, under its name and its [0] and [1] names, each byte-exact.
saved = os.path.join(folder, "Saved")
files = sorted(os.listdir(saved)) if os.path.isdir(saved) else []
s.eq(len(files), PICTURES * TASKS, "one file per picture per task")
s.eq([f for f in files if "!!wr" in f], [], "no partial file remains")
by_base = {}
bad_name = []
for f in files:
    m = re.fullmatch(r"(n\d{4})(\[(\d)\])?\.jpg", f)
    if not m:
        bad_name.append(f)
        continue
    by_base.setdefault(m.group(1), set()).add(m.group(3))
s.eq(bad_name, [], "only expected names")
s.eq(sorted(k for k, v in by_base.items() if v != {None, "0", "1"}), [],
     "each picture as name, name[0] and name[1]")
wrong = []
for f in files:
    base = f.split("[")[0].split(".")[0] + ".jpg"
    i = names.index(base) if base in names else -1
    if i < 0:
        continue
    want = pattern_bytes("<%s>" % base, 1000 + (i * 37) % 2000)
    if s.read(os.path.join(saved, f)) != want:
        wrong.append(f)
s.eq(wrong[:10], [], "every saved file equals its served bytes")

# Every picture was requested once per task, and each request was answered whole.
log = srv.log()
gets = [e["target"] for e in log if e["method"] == "GET" and e["target"].startswith("/pics/")]
s.eq(len(gets), PICTURES * TASKS, "each picture fetched once per task")
s.check(all(e["ended"] == "complete" for e in log), "every response was read whole")
s.finish()
