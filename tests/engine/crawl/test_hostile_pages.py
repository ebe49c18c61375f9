#!/usr/bin/env python3
"""Hostile pages: a 50 MB page, 5,000 links, random bytes, unclosed and endless tags."""
from crawlkit import Suite, page

s = Suite("hostile_pages")
srv = s.server
start = "http://%s/" % srv.address
# Hostile pages.
big = {"kind": "pattern", "pattern": "<a href=x.jpg>", "size": 50 * 1024 * 1024}
many = "".join('<a href="/l%05d.jpg">' % i for i in range(5000))
srv.routes({"/": page("/big.html", "/many.html", "/rand.html", "/open.html", "/lt.html", "/attr.html"),
            "/big.html": {"generate": big}, "/many.html": {"body": many},
            "/rand.html": {"generate": {"kind": "random", "seed": 7, "size": 200000}},
            "/open.html": {"body": "<a href=\"/o.jpg\" " + "x" * 1000},
            "/lt.html": {"generate": {"kind": "pattern", "pattern": "<", "size": 10 * 1024 * 1024}},
            "/attr.html": {"body": '<img src="' + "a" * (1024 * 1024) + '.jpg">'}})
p = s.make("pages", start, s.folder("pages"), depth=2, masks=())
d = s.crawl(p, time_limit=240, timeout=280)
t = d["tasks"][0]
s.check(not d["time_limit_hit"], "hostile pages end within the time limit (%d ms)" % d["elapsed_ms"])
s.eq((t["state"], t["finish_calls"]), (1, 1), "hostile pages task ends once")
addrs = [i["address"] for i in t["items"]]
s.eq(len(addrs), len(set(addrs)), "no duplicate address")
s.eq(sum(1 for a in addrs if "/l" in a and a.endswith(".jpg")), 5000, "every one of 5,000 links handled once")
s.check(all(i["done"] for i in t["items"]), "every item done")
s.finish()
