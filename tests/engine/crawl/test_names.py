#!/usr/bin/env python3
"""Unique names: overlapping downloads of one name never share a file; "!!wr" until complete."""
import os
import threading
import time
from crawlkit import Suite, page, jpg, pattern_bytes

s = Suite("names")
srv = s.server
start = "http://%s/" % srv.address
routes = {"/": page("/a/x.jpg", "/b/x.jpg", "/c/x.jpg")}
for t in "abc":
    routes["/%s/x.jpg" % t] = jpg(t.upper() * 3, 3000 + ord(t), delay=1.0)
srv.routes(routes)
dl = s.folder("u")
p = s.make("u", start, dl)
d = s.crawl(p)
saved = os.path.join(dl, "Saved")
s.eq(sorted(os.listdir(saved)), ["x.jpg", "x[0].jpg", "x[1].jpg"], "three names for three overlapping downloads")
bodies = {s.read(os.path.join(saved, f)) for f in os.listdir(saved)}
want = {pattern_bytes(t.upper() * 3, 3000 + ord(t)) for t in "abc"}
s.eq(bodies == want, True, "each file holds one served body, all three differ")
starts = [e["arrival"] for e in srv.log() if e["target"].endswith("x.jpg")]
s.check(len(starts) == 3 and max(starts) - min(starts) < 0.9, "the three downloads overlapped")
s.eq(d["tasks"][0]["saved"], 3, "saved count 3")

# While a response is held half-sent, only the partial file exists.
srv.routes({"/": page("/x.jpg"), "/x.jpg": jpg("H", 5000, stall_after=1000, stall_seconds=3)})
dl = s.folder("wr")
p = s.make("wr", start, dl)
seen = {}


def watch():
    folder = os.path.join(dl, "Saved")
    end = time.time() + 40
    while time.time() < end and "both" not in seen:
        if os.path.isdir(folder):
            names = set(os.listdir(folder))
            if "x.jpg!!wr" in names:
                seen["partial"] = "x.jpg" not in names
                seen["both"] = True
        time.sleep(0.05)


t = threading.Thread(target=watch)
t.start()
s.crawl(p)
t.join()
s.eq(seen.get("partial"), True, "x.jpg!!wr exists and x.jpg does not while the body is held")
s.eq(s.files_under(dl), [os.path.join("Saved", "x.jpg")], "afterwards only x.jpg, no !!wr")
s.eq(s.read(os.path.join(dl, "Saved", "x.jpg")), b"H" * 5000, "held picture complete")

# Web structure: host without port, then the path.
srv.routes({"/": page("/a/x.jpg"), "/a/x.jpg": jpg("W")})
dl = s.folder("web")
p = s.make("web", start, dl, web=True)
s.crawl(p)
s.eq(s.files_under(dl), [os.path.join("Saved", "127.0.0.1", "a", "x.jpg")], "web structure path")
s.finish()
