#!/usr/bin/env python3
"""Priority order of saved address lines, and the progress shown for a selected task."""
from crawlkit import Suite, page, jpg

s = Suite("priority")
srv = s.server
links = ["http://img.site.test/i1.jpg", "http://www.site.test/a.jpg", "http://img.site.test/longer2.jpg",
         "http://www.site.test/much-longer.jpg"]
routes = {"http://www.site.test/": page(*links)}
for l in links:
    routes[l] = jpg("P")
srv.routes(routes)
p = s.make("prio", "http://www.site.test/", s.folder("prio"), extra=["--proxy", "127.0.0.1:%d" % srv.port])
s.crawl(p)
addrs = [l.split(",", 2)[2] for l in s.project_lines(p)]
s.eq(addrs, ["http://www.site.test/much-longer.jpg", "http://www.site.test/a.jpg", "http://www.site.test/",
             "http://img.site.test/longer2.jpg", "http://img.site.test/i1.jpg"], "saved lines in priority order")

# A held picture of the selected task shows its size and a percentage in its row.
start = "http://%s/" % srv.address
srv.routes({"/": page("/slow.jpg"), "/slow.jpg": jpg("S", 400000, stall_after=100000, stall_seconds=1)})
p = s.make("prog", start, s.folder("prog"))
d = s.crawl(p)
ups = [u for u in d["progress"] if u["address"] == start + "slow.jpg"]
s.check(any(u["sub"] == 2 and u["text"] == "400000" for u in ups), "size column shows 400000")
pct = [u["text"] for u in ups if u["sub"] == 4]
s.check("25%" in pct or any(p.endswith("%") and p not in ("0%", "100%") for p in pct),
        "a partial percentage was shown: %r" % pct[:10])
s.check(pct[-1:] == ["100%"], "the last percentage is 100%")
s.finish()
