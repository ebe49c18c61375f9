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

# A worker keeps its client and connection from address to address: the login still goes with
# every request, and the requests share the workers' few connections.
names = ["/m%02d.jpg" % i for i in range(40)]
routes = {"/": dict(page(*names), auth=auth)}
routes.update({n: jpg("M%s" % n, auth=auth) for n in names})
srv.routes(routes)
p = s.make("login-many", start, s.folder("login-many"), extra=["--login", "user:pass"])
d = s.crawl(p)
log = srv.log()
s.eq(len(log), 41, "the page and its 40 pictures, each asked for once")
s.check(all(("Authorization", "Basic dXNlcjpwYXNz") in [tuple(h) for h in e["headers"]] for e in log),
        "every request of the workers' later addresses carries the Basic header")
s.check(all(e["status"] == 200 for e in log), "no request was refused for want of the login")
conns = {e["connection"] for e in log}
s.check(len(conns) <= 8, "41 requests over at most 8 connections (%d)" % len(conns))
s.eq(d["tasks"][0]["saved"], 40, "every picture behind the login saved")

# Proxy: every request reaches the proxy port with an absolute target.
srv.routes({"http://www.site.test/": page("/x.jpg"), "http://www.site.test/x.jpg": jpg("P")})
p = s.make("proxy", "http://www.site.test/", s.folder("proxy"), extra=["--proxy", "127.0.0.1:%d" % srv.port])
d = s.crawl(p)
got = s.targets(srv.log())
s.eq(got, ["http://www.site.test/", "http://www.site.test/x.jpg"], "absolute targets through the proxy")
s.eq(d["tasks"][0]["saved"], 1, "picture through the proxy saved")

# Through the proxy too, every later address of a worker goes to the proxy with its absolute target.
names = ["http://www.site.test/q%02d.jpg" % i for i in range(24)]
routes = {"http://www.site.test/": page(*names)}
routes.update({n: jpg("Q") for n in names})
srv.routes(routes)
p = s.make("proxy-many", "http://www.site.test/", s.folder("proxy-many"),
           extra=["--proxy", "127.0.0.1:%d" % srv.port])
d = s.crawl(p)
s.eq(sorted(s.targets(srv.log())), sorted(["http://www.site.test/"] + names),
     "each address asked for once, by its absolute target, through the proxy")
s.eq(d["tasks"][0]["saved"], 24, "every picture through the proxy saved")

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
