#!/usr/bin/env python3
"""Five real crawls on five hosts (proxy mode) with at most three running: the server sees
never more than three hosts at work together, and the queued ones start in ticket order."""
from crawlkit import Suite, page, jpg

s = Suite("queue")
srv = s.server
proxy = ["--proxy", "127.0.0.1:%d" % srv.port]
hosts = ["h%d.queue.test" % i for i in range(5)]
routes = {}
for i, h in enumerate(hosts):
    base = "http://%s/" % h
    pics = [base + "p%d.jpg" % k for k in range(3)]
    routes[base] = page(*pics)
    for k, u in enumerate(pics):
        # Held long enough that the running tasks overlap, each host half a second longer than the
        # one before, so that the queued ones start well apart.
        routes[u] = jpg("%s-%d" % (h, k), 3000, delay=0.5 + 0.5 * i)
srv.routes(routes)
projects = [s.make("q%d" % i, "http://%s/" % h, s.folder("q%d" % i), depth=1, extra=proxy)
            for i, h in enumerate(hosts)]
d = s.crawl(projects, extra=["--max-running", "3"], time_limit=120, timeout=180)
ts = d["tasks"]
log = srv.log()


def host_of(target):
    return target.split("/")[2]


# Every request went to the proxy port with an absolute address of its task's host.
s.check(all(e["target"].startswith("http://") for e in log), "every request in proxy form")
s.eq(sorted(set(host_of(e["target"]) for e in log)), sorted(hosts), "every host was crawled")

# A host is at work from its first request's arrival to its last request's end.
span = {}
for e in log:
    h = host_of(e["target"])
    end = e["end"] if e["end"] is not None else 1e9
    a, b = span.get(h, (e["arrival"], end))
    span[h] = (min(a, e["arrival"]), max(b, end))
worst = 0
for e in log:
    t = e["arrival"]
    busy = set(host_of(o["target"]) for o in log
               if o["arrival"] <= t < (o["end"] if o["end"] is not None else 1e9))
    worst = max(worst, len(busy))
s.check(worst <= 3, "never more than 3 hosts with requests in flight together (%d)" % worst)
s.check(worst == 3, "three tasks did run together (%d)" % worst)
s.check(d["max_tasks_running"] <= 3, "never more than 3 tasks in state 0 (%d)" % d["max_tasks_running"])

# The fourth and fifth start after a running task ended, in ticket order.
first_end = min(span[h][1] for h in hosts[:3])
s.check(span[hosts[3]][0] >= first_end, "the fourth host is first asked after a running task ended")
s.check(span[hosts[4]][0] >= span[hosts[3]][0], "the fifth starts after the fourth")
s.eq([t["start_order"] for t in ts], [0, 1, 2, 3, 4], "started in ticket order")
first_finish = min(t["finish_ms"] for t in ts[:3])
s.check(ts[3]["start_ms"] >= first_finish, "the fourth task started after a finish")

# All five finish, each once, with its pictures.
s.eq([(t["state"], t["finish_calls"], t["saved"]) for t in ts], [(1, 1, 3)] * 5, "all five finished once")
s.check(not d["time_limit_hit"], "no time limit hit")
s.finish()
