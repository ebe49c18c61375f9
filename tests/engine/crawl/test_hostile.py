#!/usr/bin/env python3
"""Hostile names and pages: nothing lands outside the task's folder, nothing crashes or hangs."""
import os
from crawlkit import Suite, page, jpg

s = Suite("hostile")
srv = s.server
start = "http://%s/" % srv.address
links = ["..\\..\\..\\evil.jpg", "a\\..\\..\\evil.jpg", "%5c..%5cevil.jpg", "sub/a:b.jpg", "con.jpg", "NUL.jpg",
         "aux.jpg", "lpt1.jpg", "com9.gif", "n" * 300 + ".jpg", "plain.jpg"]
drive_c = os.path.join(os.environ.get("WINEPREFIX", ""), "drive_c")


def evil_files(top):
    found = []
    for base, _, files in os.walk(top):
        found += [os.path.join(base, f) for f in files if f.lower().startswith("evil")]
    return found


before_c = set(evil_files(drive_c)) if os.path.isdir(drive_c) else set()
root_page = {"/": {"body": "".join('<img src="%s">' % l for l in links)}}
# First pass finds the targets the links become; the second serves a picture on each.
srv.routes(root_page)
p = s.make("probe", start, s.folder("probe"), masks=("jpg, Saved", "gif, Saved"))
s.crawl(p)
targets = {e["target"] for e in srv.log() if e["target"] != "/"}
s.check(len(targets) >= 8, "the hostile links were requested (%d targets)" % len(targets))
routes = dict(root_page)
for t in targets:
    routes[t] = jpg("E", 100)
srv.routes(routes)
dl = s.folder("dl")
p = s.make("h", start, dl, masks=("jpg, Saved", "gif, Saved"))
d = s.crawl(p)
t = d["tasks"][0]
s.eq((t["state"], t["finish_calls"]), (1, 1), "the task ends normally")
files = s.files_under(dl)
s.check(len(files) >= 5, "the pictures that pass are saved (%d)" % len(files))
s.check(all(f.startswith("Saved" + os.sep) and os.sep not in f[6:] for f in files), "all inside Saved: %r" % files)
s.check(all(not os.path.splitext(os.path.basename(f))[0].lower() in ("con", "nul", "aux", "lpt1", "com9")
            for f in files), "no device names saved")
s.check(all(":" not in f and "!!wr" not in f for f in files), "no stream names and no partial files")
outside = [f for f in s.files_under(s.root) if not f.startswith(("dl" + os.sep, "probe" + os.sep, "projects" + os.sep))
           and not f.startswith("dump")]
s.eq(outside, [], "no new file outside the task folders")
s.eq(evil_files(s.root), [] if not [f for f in files if "evil" in f] else evil_files(s.root),
     "evil files only inside Saved")
s.check(all(os.path.dirname(f).endswith(os.path.join("dl", "Saved")) for f in evil_files(s.root)),
        "any cleaned evil name stays in dl/Saved")
s.eq(set(evil_files(drive_c)) - before_c if os.path.isdir(drive_c) else set(), set(), "nothing evil in drive_c")

# Web structure through the proxy, with hostile hosts and segments.
srv.routes({"http://www.site.test/": {"body": '<img src="http://x..\\..\\evil.site.test/a.jpg">'
                                              '<img src="http://www.site.test/con/..%5c/aux/b:c.jpg">'}})
dl = s.folder("web")
p = s.make("web", "http://www.site.test/", dl, web=True, extra=["--proxy", "127.0.0.1:%d" % srv.port])
s.crawl(p)
targets = {e["target"] for e in srv.log() if e["target"] != "http://www.site.test/"}
routes = {"http://www.site.test/": srv.log and {"body": '<img src="http://x..\\..\\evil.site.test/a.jpg">'
                                                        '<img src="http://www.site.test/con/..%5c/aux/b:c.jpg">'}}
for t in targets:
    routes[t] = jpg("W", 100)
srv.routes(routes)
p = s.make("web2", "http://www.site.test/", dl, web=True, extra=["--proxy", "127.0.0.1:%d" % srv.port])
d = s.crawl(p)
files = s.files_under(dl)
s.check(all(f.startswith("Saved" + os.sep) for f in files), "web-structure files stay in Saved: %r" % files)
s.eq(evil_files(s.root), [f for f in evil_files(s.root) if (os.sep + "web" + os.sep + "Saved" + os.sep) in f],
     "evil names only below web/Saved")

s.finish()
