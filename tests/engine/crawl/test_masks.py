#!/usr/bin/env python3
"""Masks and excluded names: what is fetched, scanned and saved, and where."""
import os
from crawlkit import Suite, page, jpg

s = Suite("masks")
srv = s.server
start = "http://%s/" % srv.address
masks = ("jpg, Saved", "html, Html")
routes = {
    "/": page("/a.png", "/a.htm", "/b.html", "/page"),
    "/a.png": jpg("P"), "/a.htm": page("/from-htm.jpg"), "/b.html": page(), "/page": page(),
    "/from-htm.jpg": jpg("H"),
}
srv.routes(routes)
dl = s.folder("m")
os.makedirs(os.path.join(dl, "Html"))
with open(os.path.join(dl, "Html", "b.html"), "wb") as f:
    f.write(b"keep me")
p = s.make("m", start, dl, masks=masks, depth=3)
s.crawl(p)
got = s.targets(srv.log())
s.check("/a.png" not in got, "a .png without a mask is never requested")
s.check("/a.htm" in got and "/from-htm.jpg" in got, "a.htm is requested and scanned")
html = sorted(os.listdir(os.path.join(dl, "Html")))
s.check("a.htm" not in html and "a.htm.html" not in html, "a.htm is not saved")
s.eq(s.read(os.path.join(dl, "Html", "b.html")), b"keep me", "an existing b.html is never overwritten")
s.check("b[0].html" in html, "b.html saved as b[0].html")
s.check("index.html" in html, "the start page is saved as index.html")
s.check("page.html" in html, "a document without extension is saved as page.html")
body = s.read(os.path.join(dl, "Html", "b[0].html"))
s.check(b"<html>" in body and body.endswith(b"\r\n"), "saved page holds the text as CR LF lines")

# A start below a folder.
srv.routes({"/dir/": page("x.jpg"), "/dir/x.jpg": jpg("X")})
dl = s.folder("dir")
p = s.make("dir", start + "dir/", dl, masks=masks)
s.crawl(p)
s.check(os.path.exists(os.path.join(dl, "Html", "index.html")), "start http://h/dir/ saved as index.html")
s.check(os.path.exists(os.path.join(dl, "Saved", "x.jpg")), "relative link below /dir/ saved")

# A deep mask folder that does not exist yet.
srv.routes({"/": page("/deep.jpg"), "/deep.jpg": jpg("D")})
dl = s.folder("deep")
p = s.make("deep", start, dl, masks=("jpg, Saved\\Deep\\Er",))
s.crawl(p)
s.check(os.path.exists(os.path.join(dl, "Saved", "Deep", "Er", "deep.jpg")), "picture lands in Saved\\Deep\\Er")

# An excluded name never gets a HEAD or a GET, also with the size limit on.
srv.routes({"/": page("/x.jpg", "/y.jpg"), "/x.jpg": jpg("X", 20000), "/y.jpg": jpg("Y", 20000)})
dl = s.folder("excl")
p = s.make("excl", start, dl, limit=True, extra=["--min", "10", "--max", "10240", "--exclude-file", "X.JPG"])
s.crawl(p)
log = srv.log()
s.check(all(e["target"] != "/x.jpg" for e in log), "excluded x.jpg: no HEAD and no GET")
s.check(("HEAD", "/y.jpg") in [(e["method"], e["target"]) for e in log], "y.jpg gets its HEAD")
s.eq(os.listdir(os.path.join(dl, "Saved")), ["y.jpg"], "only y.jpg saved")
s.finish()
