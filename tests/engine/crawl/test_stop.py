#!/usr/bin/env python3
"""Stop, a second crawl of the stopped addresses, restart, and the worker counts."""
import os
from crawlkit import Suite, page, jpg

s = Suite("stop")
srv = s.server
start = "http://%s/" % srv.address
pics = ["/h%d.jpg" % i for i in range(4)]
held = {"/": page(*pics)}
for t in pics:
    held[t] = jpg(t[1:3], 50000, stall_after=5000)  # held until the client closes
srv.routes(held)
dl = s.folder("st")
p = s.make("st", start, dl)
d = s.crawl(p, extra=["--stop-after", "2500"])
t = d["tasks"][0]
s.check(d["stopped_early"], "the crawl was stopped")
log = srv.log()
pic_entries = [e for e in log if e["target"] in pics]
s.eq(len(pic_entries), 4, "all four pictures were being fetched")
s.check(all(e["ended"] == "client-closed" for e in pic_entries), "every held connection closed by the client")
s.eq([f for f in s.files_under(dl) if "!!wr" in f or f.endswith(".jpg")], [], "no !!wr and no picture file remains")
lines = s.project_lines(p)
s.eq(sorted(l for l in lines if l.startswith("0,")), sorted("0,1," + start + x[1:] for x in pics),
     "stopped addresses are pending lines")
s.eq(t["finish_calls"], 1, "OnFinish once")
s.eq(t["saved"], 0, "nothing saved")

full = {"/": page(*pics)}
for x in pics:
    full[x] = jpg(x[1:3], 50000)
srv.routes(full)
d = s.crawl(p)
s.eq(sorted(s.targets(srv.log())), sorted(pics), "the second crawl fetches exactly the stopped addresses")
s.eq(sorted(os.listdir(os.path.join(dl, "Saved"))), sorted(x[1:] for x in pics), "and saves them")
s.eq(d["tasks"][0]["saved"], 4, "saved count 4")

# Restart fetches everything again under "[0]" names, counters from 0.
srv.routes(full)
d = s.crawl(p, extra=["--restart"])
t = d["tasks"][0]
s.eq(sorted(s.targets(srv.log())), sorted(["/"] + pics), "restart fetches every address again")
s.eq(sorted(os.listdir(os.path.join(dl, "Saved"))),
     sorted([x[1:] for x in pics] + [x[1:3] + "[0].jpg" for x in pics]), "restart saves under [0] names")
s.eq((t["saved"], t["done"], len(t["items"])), (4, 5, 5), "restart counters start from 0")

# Worker counts: 20 pending held pictures from a project file.
pend = {}
lines = []
for i in range(20):
    pend["/w%02d.jpg" % i] = jpg("W%d" % i, 1000, delay=2)
    lines.append("0,1," + start + "w%02d.jpg" % i)
srv.routes(pend)
p = s.make("w", start, s.folder("w"), lines=["1,0," + start] + lines)
d = s.crawl(p)
c = srv.counters()
s.eq(c["max_in_flight"], 8, "8 requests in flight right after start")
log = srv.log()
first_end = min(e["end"] for e in log)
worst = 0
for e in log:
    if e["arrival"] >= first_end:
        worst = max(worst, sum(1 for o in log if o["arrival"] <= e["arrival"] < (o["end"] or 1e9)))
s.check(worst <= 7, "after the first completion never more than 7 in flight (%d)" % worst)
t = d["tasks"][0]
s.eq((t["state"], t["done"], t["finish_calls"], t["saved"]), (1, 21, 1, 20), "all 20 done, one OnFinish")

pend["/"] = page(*sorted(k for k in pend if k != "/"))
srv.routes(pend)
p = s.make("w2", start, s.folder("w2"))
d = s.crawl(p)
s.check(srv.counters()["max_in_flight"] <= 7, "a fresh crawl of 20 linked pictures keeps at most 7 in flight")
s.eq(d["tasks"][0]["saved"], 20, "all 20 linked pictures saved")
s.finish()
