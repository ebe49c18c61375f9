#!/usr/bin/env python3
"""Pages: failed pages, a redirect taken as a failure and retried with "/", refresh and cookies."""
from crawlkit import Suite, page, jpg

s = Suite("pages")
srv = s.server
start = "http://%s/" % srv.address

srv.routes({"/": page("/gone.html", "/dir"), "/gone.html": {"status": 404},
            "/dir": {"status": 301, "location": "/elsewhere/"}, "/elsewhere/": page("/bad.jpg"),
            "/dir/": page("in.jpg"), "/dir/in.jpg": jpg("I")})
p = s.make("pg", start, s.folder("pg"), depth=3)
d = s.crawl(p)
got = s.targets(srv.log())
s.check("/gone.html" in got and "/gone.html/" in got, "a failed page is retried once with /")
s.check("/dir" in got and "/dir/" in got, "GET /dir answered 301 is followed by GET /dir/")
s.check("/elsewhere/" not in got, "the Location is never followed")
s.check("/dir/in.jpg" in got, "relative links on /dir/ resolve below /dir/")
log = [l.split(" - ", 1)[1] for l in d["log"]]
s.check('Attach "%sgone.html"' % start in log, "the failed page logs its Attach line")
s.eq(sum(1 for l in log if "gone.html" in l), 1, "the failed page logs nothing else")
s.eq(d["tasks"][0]["failed"], [], "a failed page adds nothing to the failed list")

srv.routes({"/": {"sequence": [{"body": '<meta HTTP-EQUIV=REFRESH content=0><img src="/r1.jpg">',
                                "set_cookie": "sid=42"},
                               {"body": '<img src="/r2.jpg">'}]},
            "/r1.jpg": jpg("1"), "/r2.jpg": jpg("2")})
p = s.make("ref", start, s.folder("ref"))
s.crawl(p)
log = srv.log()
roots = [e for e in log if e["target"] == "/"]
s.eq(len(roots), 2, "a refresh page is requested twice")
if len(roots) == 2:
    cookies = [v for k, v in roots[1]["headers"] if k.lower() == "cookie"]
    s.check(any("sid=42" in c for c in cookies), "the second request carries the cookie")
got = s.targets(log)
s.check("/r2.jpg" in got and "/r1.jpg" not in got, "the second text replaces the first")

srv.routes({"/": page("/q.jpg", extra='<meta http-equiv="refresh" content=0>'), "/q.jpg": jpg("Q")})
p = s.make("quoted", start, s.folder("quoted"))
s.crawl(p)
s.eq(len([e for e in srv.log() if e["target"] == "/"]), 1, 'http-equiv="refresh" is requested once')
s.finish()
