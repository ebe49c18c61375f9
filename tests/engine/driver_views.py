#!/usr/bin/env python3
"""The engine driver's views are real controls: the rows and log lines it dumps are read back
from its hidden window's list views and rich edit after a stand-in crawl that leaves rows in
all three views. Run as: driver_views.py <engine_driver.exe> <wine-run.sh>"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "crawl"))
from crawlkit import Suite, win_path  # noqa: E402

s = Suite("driver_views")
folder = s.folder("views")
os.makedirs(folder, exist_ok=True)
seed = ("http://h.test/p.jpg?partial=1&log=hello&fail=1&children=3"
        "&childbase=http://h.test/h.gif?hold=6000")
sel = s.make("selected", seed, folder)
other = s.make("other", "http://h2.test/q.jpg?partial=1&log=other", folder)
d = s.crawl([sel, other], extra=["--stand-in", "--stop-after", "5000"], time_limit=60)
t = d["tasks"][0]
s.check(d["stopped_early"], "stopped by --stop-after")
s.eq((t["done"], len(t["items"]), t["finish_calls"], t["state"]), (1, 4, 1, 1), "the selected task")

# Files view: the three held children stay, shown idle after the stop.
files = d["views"]["files"]
children = ["http://h.test/h.gif?hold=6000%d" % i for i in range(3)]
s.eq(sorted(r["data"] for r in files), children, "a files row for each held child")
for r in files:
    s.eq((r["caption"], r["sub_items"][1:], r["image"]), ("", [".gif", "---", "1", "---"], 0),
         "files row of " + r["data"])
    s.eq(r["sub_items"][0], r["data"], "the row's address is its item's")

# Failed view: the seed, with its address as the caption.
s.eq([(r["caption"], r["data"]) for r in d["views"]["failed"]], [(seed, seed)], "failed row")

# Images view: only the selected task's file, with a shell icon from the real image list.
images = d["views"]["images"]
saved = win_path(os.path.join(folder, "p.jpg"))
s.eq(len(images), 1, "one images row")
if images:
    r = images[0]
    s.eq((r["caption"], r["sub_items"]), ("p.jpg", [".jpg", "0 KB", win_path(folder) + "\\"]), "images row")
    s.eq(r["data"].lower(), saved.lower(), "the row's data is the full file name")
    s.check(r["image"] >= 0, "the row shows a shell icon (%d)" % r["image"])

# Log: both tasks' lines, read back from the rich edit.
s.check(any(l.startswith("[") and l.endswith("] - hello") for l in d["log"]), "the selected task's line")
s.check(any(l.endswith("] - other") for l in d["log"]), "the other task's line")
s.check(all("\r" not in l and "\n" not in l for l in d["log"]), "one line per log entry")
s.finish()
