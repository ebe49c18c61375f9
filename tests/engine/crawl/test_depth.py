#!/usr/bin/env python3
"""Depth: a page at the depth limit is never fetched; a picture at that depth still is."""
import os
from crawlkit import Suite, page, jpg

s = Suite("depth")
srv = s.server
routes = {
    "/": page("/p1.html", "/a.jpg"),
    "/p1.html": page("/p2.html", "/b.jpg"),
    "/p2.html": page("/c.jpg"),
    "/a.jpg": jpg("A"), "/b.jpg": jpg("B"), "/c.jpg": jpg("C"),
}
start = "http://%s/" % srv.address

srv.routes(routes)
dl = s.folder("deep2")
proj = s.make("deep2", start, dl, depth=2)
d = s.crawl(proj)
got = set(s.targets(srv.log(), "GET"))
for t in ("/", "/p1.html", "/a.jpg", "/b.jpg"):
    s.check(t in got, "depth 2 requests " + t)
for t in ("/p2.html", "/c.jpg"):
    s.check(t not in got, "depth 2 never requests " + t)
task = d["tasks"][0]
s.eq(task["state"], 1, "depth 2 state")
s.eq(task["finish_calls"], 1, "depth 2 OnFinish calls")
s.eq(task["saved"], 2, "depth 2 saved count")
s.eq(sorted(os.listdir(os.path.join(dl, "Saved"))), ["a.jpg", "b.jpg"], "depth 2 files")
s.eq(s.read(os.path.join(dl, "Saved", "b.jpg")), (b"B" * 2000), "b.jpg bytes")
depths = {i["address"]: i["depth"] for i in task["items"]}
s.eq(depths.get(start + "p2.html"), 2, "p2.html listed at depth 2")
s.check(all(i["done"] for i in task["items"]), "every item done")
lines = s.project_lines(proj)
s.check(all(l.startswith("1,") for l in lines) and len(lines) == len(task["items"]), "saved lines all done")

srv.routes(routes)
dl = s.folder("deep1")
proj = s.make("deep1", start, dl, depth=1)
s.crawl(proj)
got = set(s.targets(srv.log(), "GET"))
s.check("/a.jpg" in got and "/" in got, "depth 1 requests / and /a.jpg")
for t in ("/p1.html", "/b.jpg", "/p2.html", "/c.jpg"):
    s.check(t not in got, "depth 1 never requests " + t)
s.eq(os.listdir(os.path.join(dl, "Saved")), ["a.jpg"], "depth 1 saves a.jpg")
s.finish()
