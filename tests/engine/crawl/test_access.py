#!/usr/bin/env python3
"""Login, proxy, and the log lines of one picture."""
import re
from crawlkit import Suite, page, jpg

s = Suite("access")
srv = s.server
start = "http://%s/" % srv.address
auth = {"user": "user", "password": "pass"}
r = page("/x.jpg")
r["auth"] = auth
srv.routes({"/": r, "/x.jpg": jpg("X", auth=auth)})
p = s.make("login", start, s.folder("login"), extra=["--login", "user:pass"])
d = s.crawl(p)
log = srv.log()
s.check(len(log) >= 2, "login run made its requests")
for e in log:
    s.check(("Authorization", "Basic dXNlcjpwYXNz") in [tuple(h) for h in e["headers"]],
            "request %s carries the Basic header" % e["target"])
s.eq(d["tasks"][0]["saved"], 1, "picture behind the login saved")

# Proxy: every request reaches the proxy port with an absolute target.
srv.routes({"http://www.site.test/": page("/x.jpg"), "http://www.site.test/x.jpg": jpg("P")})
p = s.make("proxy", "http://www.site.test/", s.folder("proxy"), extra=["--proxy", "127.0.0.1:%d" % srv.port])
d = s.crawl(p)
got = s.targets(srv.log())
s.eq(got, ["http://www.site.test/", "http://www.site.test/x.jpg"], "absolute targets through the proxy")
s.eq(d["tasks"][0]["saved"], 1, "picture through the proxy saved")

# The log lines of one picture, in order.
srv.routes({"/": page("/x.jpg"), "/x.jpg": jpg("L")})
p = s.make("log", start, s.folder("log"))
d = s.crawl(p)
want = [r'^\[.+\] - Attach "http://127\.0\.0\.1:\d+/"$', r"^\[.+\] - Links found : 1$",
        r'^\[.+\] - Saving file "x\.jpg!!wr"$', r'^\[.+\] - File "x\.jpg" saved$']
s.eq(len(d["log"]), 4, "four log lines")
for line, pat in zip(d["log"], want):
    s.check(re.match(pat, line) is not None, "log line %r matches %s" % (line, pat))
s.eq([r["caption"] for r in d["views"]["images"]], ["x.jpg"], "images view row")
s.check(d["views"]["images"][0]["sub_items"][0] == ".jpg" if d["views"]["images"] else False, "images row extension")
s.finish()
