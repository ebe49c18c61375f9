#!/usr/bin/env python3
"""Failed downloads are listed and not kept: 404, cut short, a response that never comes, and a
server that refuses the connection."""
import os
import socket
from crawlkit import Suite, page, jpg

s = Suite("failures")
srv = s.server
start = "http://%s/" % srv.address
routes = {
    "/": page("/ok.jpg", "/missing.jpg", "/short.jpg", "/x.jpg"),
    "/ok.jpg": jpg("O"),
    "/missing.jpg": {"status": 404, "body": "gone"},
    "/short.jpg": jpg("S", 5000, close_after=1000),
    "/x.jpg": jpg("X", 5000, delay=8),
}
srv.routes(routes)
dl = s.folder("f")
p = s.make("f", start, dl, extra=["--timeout", "2"])
d = s.crawl(p)
failed = [start + n for n in ("missing.jpg", "short.jpg", "x.jpg")]
s.eq(sorted(s.urls_lines(p)), sorted(failed), ".urls holds the three failed addresses")
s.eq(sorted(r["caption"] for r in d["views"]["failed"]), sorted(failed), "failed view rows")
s.eq(s.files_under(dl), [os.path.join("Saved", "ok.jpg")], "only the good picture remains, no !!wr")
t = d["tasks"][0]
s.eq(t["saved"], 1, "saved count counts the good picture only")
s.eq([r["caption"] for r in d["views"]["images"]], ["ok.jpg"], "images view has the good picture only")
log = [l.split(" - ", 1)[1] for l in d["log"]]
s.check('Saving file "x.jpg!!wr"' in log, "log names the partial file")
s.check('File "x.jpg" saved' not in log and 'File "short.jpg" saved' not in log, "no saved line for a failure")
s.check('File "ok.jpg" saved' in log, "saved line for the good picture")
s.check(all(i["done"] for i in t["items"]), "failed addresses still count as done")

# An address already in the loaded ".urls" that fails again keeps one line there, and its new
# row shows the listed entry.
srv.routes(routes)
dl = s.folder("again")
p = s.make("again", start, dl, lines=["0,1," + start + "missing.jpg", "1,0," + start])
with open(p + ".urls", "wb") as f:
    f.write((start + "missing.jpg\r\n").encode())
d = s.crawl(p)
s.eq(s.targets(srv.log()), ["/missing.jpg"], "only the pending address is fetched")
s.eq(s.urls_lines(p), [start + "missing.jpg"], ".urls keeps one line")
rows = d["views"]["failed"]
s.eq([(r["caption"], r["data"]) for r in rows], [(start + "missing.jpg",) * 2], "the new row shows the listed entry")
s.eq(d["tasks"][0]["failed"], [start + "missing.jpg"], "failed list has one entry")

# A picture whose request never goes out (its port refuses the connection) fails like any other:
# its partial file is named in the log, then goes, and the address is listed.
probe = socket.socket()
probe.bind(("127.0.0.1", 0))
dead = "http://127.0.0.1:%d/dead.jpg" % probe.getsockname()[1]
probe.close()
srv.routes({"/": page(dead, "/ok.jpg"), "/ok.jpg": jpg("O")})
dl = s.folder("refused")
p = s.make("refused", start, dl, extra=["--timeout", "2"])
d = s.crawl(p)
t = d["tasks"][0]
s.eq(t["failed"], [dead], "the refused address is listed")
s.eq(s.files_under(dl), [os.path.join("Saved", "ok.jpg")], "no partial file of the refused picture")
log = "\n".join(d["log"])
s.check('Saving file "dead.jpg!!wr"' in log, "log names the refused picture's partial file")
s.check('File "dead.jpg" saved' not in log, "no saved line for the refused picture")
s.eq(t["saved"], 1, "saved count counts the good picture only")
s.finish()
