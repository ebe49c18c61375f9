#!/usr/bin/env python3
"""The engine driver itself: make/show round trip, stand-in crawls, time limit, queue of three."""
import os
from crawlkit import Suite, win_path

s = Suite("driver")
proj = os.path.join(s.root, "rt.wrp")
folder = win_path(s.folder("rt")) + "\\"
args = ["make", "--project", win_path(proj), "--name", "Round trip", "--url", "http://www.site.test/start/",
        "--note", "a note", "--folder", folder, "--depth", "3", "--mask", "jpg, Saved", "--mask", "gif, Gifs",
        "--exclude-file", "bad.jpg", "--exclude-site", "ads.test", "--limit", "on", "--min", "11",
        "--max", "2048", "--web-structure", "on", "--proxy", "127.0.0.1:8080", "--login", "me:se:cret",
        "--timeout", "7", "--state", "2", "--saved", "5",
        "--line", "1,0,http://www.site.test/start/", "--line", "0,1,http://www.site.test/a,b.jpg"]
s.driver_run(args)
t = s.driver_run(["show", "--project", win_path(proj)])["tasks"][0]
o = t["options"]
s.eq((t["name"], t["note"], t["url"], t["state"], t["queue_ticket"], t["saved"], t["done"]),
     ("Round trip", "a note", "http://www.site.test/start/", 2, -1, 5, 1), "header fields")
s.check(len(t["id"]) == 38 and t["id"].startswith("{"), "a new braced ID")
s.eq((o["folder"], o["depth"], o["masks"], o["exclude_files"], o["exclude_sites"]),
     (folder, 3, ["jpg, Saved", "gif, Gifs"], ["bad.jpg"], ["ads.test"]), "list and folder options")
s.eq((o["limit"], o["min"], o["max"], o["web_structure"], o["use_proxy"], o["proxy_host"], o["proxy_port"]),
     (True, 11, 2048, True, True, "127.0.0.1", 8080), "limit and proxy options")
s.eq((o["use_login"], o["login_user"], o["login_password"], o["timeout"]), (True, "me", "se:cret", 7), "login")
s.eq([(i["address"], i["depth"], i["done"]) for i in t["items"]],
     [("http://www.site.test/start/", 0, True), ("http://www.site.test/a,b.jpg", 1, False)], "items")

# Stand-in crawl: rows and log lines come from the stand-ins.
sp = os.path.join(s.root, "st.wrp")
s.driver_run(["make", "--project", win_path(sp), "--name", "st", "--url", "http://h.test/?children=3&log=hello",
              "--folder", win_path(s.folder("st")) + "\\"])
d = s.driver_run(["crawl", "--project", win_path(sp), "--stand-in", "--time-limit", "60"])
t = d["tasks"][0]
s.eq((t["state"], t["done"], t["finish_calls"], len(t["items"])), (1, 4, 1, 4), "stand-in crawl ended")
s.check(any(l.endswith(" - hello") for l in d["log"]), "the stand-in's log line")
s.eq(d["views"]["files"], [], "every files row removed at the workers' end")
s.check(not d["time_limit_hit"], "no limit hit")

# Time limit.
lp = os.path.join(s.root, "long.wrp")
s.driver_run(["make", "--project", win_path(lp), "--name", "long", "--url", "http://h.test/?hold=60000",
              "--folder", win_path(s.folder("long")) + "\\"])
d = s.driver_run(["crawl", "--project", win_path(lp), "--stand-in", "--time-limit", "2"])
t = d["tasks"][0]
s.check(d["time_limit_hit"], "the time limit is reported")
s.check(d["elapsed_ms"] < 15000, "stopped soon after the limit (%d ms)" % d["elapsed_ms"])
s.eq((t["state"], t["done"], t["finish_calls"]), (1, 0, 1), "stopped task: pending, one OnFinish")
s.eq(s.project_lines(lp), ["0,0,http://h.test/?hold=60000"], "stopped address saved pending")

# Five tasks, at most three running; the queued ones start in ticket order.
ps = []
for i in range(5):
    p = os.path.join(s.root, "q%d.wrp" % i)
    s.driver_run(["make", "--project", win_path(p), "--name", "q%d" % i,
                  "--url", "http://h%d.test/?hold=%d" % (i, 700 + 300 * i), "--folder", win_path(s.folder("q")) + "\\"])
    ps.append(p)
args = ["crawl", "--stand-in", "--max-running", "3", "--time-limit", "60"]
for p in ps:
    args += ["--project", win_path(p)]
d = s.driver_run(args)
ts = d["tasks"]
s.check(d["max_tasks_running"] <= 3, "never more than 3 in state 0 (%d)" % d["max_tasks_running"])
s.eq([t["finish_calls"] for t in ts], [1] * 5, "all five finished once")
s.eq([t["start_order"] for t in ts], [0, 1, 2, 3, 4], "started in ticket order")
first_end = min(t["finish_ms"] for t in ts[:3])
s.check(ts[3]["start_ms"] >= first_end and ts[4]["start_ms"] >= ts[3]["start_ms"],
        "queued tasks start only after a running one finished")
s.finish()
