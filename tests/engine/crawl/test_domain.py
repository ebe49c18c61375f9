#!/usr/bin/env python3
"""Domain rule: links are followed within the start site's domain only (proxy mode for names)."""
from crawlkit import Suite, page, jpg

s = Suite("domain")
srv = s.server
proxy = ["--proxy", "127.0.0.1:%d" % srv.port]

three = {
    "http://www.site.test/": page("http://img.site.test/a.jpg", "http://other.test/b.jpg",
                                  "http://site.test/c.jpg", "http://www.site.test/d/"),
    "http://img.site.test/a.jpg": jpg("A"), "http://other.test/b.jpg": jpg("B"),
    "http://site.test/c.jpg": jpg("C"), "http://www.site.test/d/": page(),
}
srv.routes(three)
p = s.make("three", "http://www.site.test/", s.folder("three"), extra=proxy)
s.crawl(p)
got = set(s.targets(srv.log()))
s.check("http://img.site.test/a.jpg" in got, "sibling host img.site.test is followed")
for t in ("http://other.test/b.jpg", "http://site.test/c.jpg", "http://www.site.test/d/"):
    s.check(t not in got, "never requested: " + t)

srv.routes(three)
p = s.make("excl", "http://www.site.test/", s.folder("excl"), extra=proxy + ["--exclude-site", "IMG.SITE.TEST"])
s.crawl(p)
got = set(s.targets(srv.log()))
s.check("http://www.site.test/" in got, "excluded-site run fetched its start page")
s.check("http://img.site.test/a.jpg" not in got, "an excluded site in upper case excludes the lower-case host")

two = {
    "http://site.test/": page("http://www.site.test/e.jpg", "http://site.test/f.jpg", "http://other.test/g.jpg"),
    "http://www.site.test/e.jpg": jpg("E"), "http://site.test/f.jpg": jpg("F"), "http://other.test/g.jpg": jpg("G"),
}
srv.routes(two)
p = s.make("two", "http://site.test/", s.folder("two"), extra=proxy)
d = s.crawl(p)
got = set(s.targets(srv.log()))
s.check("http://www.site.test/e.jpg" in got, "two-label start follows www.site.test")
s.check("http://site.test/f.jpg" in got, "two-label start follows itself")
s.check("http://other.test/g.jpg" not in got, "two-label start never opens another two-label site")
s.eq(d["tasks"][0]["saved"], 2, "two-label saved count")

# Direct, by address: another name for the same machine is another host.
srv.routes({"/": page("http://localhost:%d/j.jpg" % srv.port, "/k.jpg"), "/j.jpg": jpg("J"), "/k.jpg": jpg("K")})
p = s.make("direct", "http://%s/" % srv.address, s.folder("direct"))
s.crawl(p)
got = s.targets(srv.log())
s.check("/k.jpg" in got, "same-host link followed")
s.check("/j.jpg" not in got, "localhost link from a 127.0.0.1 start never requested")
s.check(all(not e["target"].startswith("http:") for e in srv.log()), "direct requests use relative targets")
s.finish()
