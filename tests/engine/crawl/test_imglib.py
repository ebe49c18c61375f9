#!/usr/bin/env python3
"""crawl --imglib: every saved picture is measured into the images library file, which is saved
after the crawl; a failed address gets no record; a second crawl adds the "[0]" names."""
import base64
import io
import json
import os
import struct

from PIL import Image

from crawlkit import Suite, page, run_wine, win_path, DRIVER_TIMEOUT

s = Suite("imglib")
srv = s.server
start = "http://%s/" % srv.address


def picture(fmt, size, color):
    buf = io.BytesIO()
    Image.new("RGB", size, color).save(buf, format=fmt)
    return buf.getvalue()


pictures = {"a.png": ("PNG", (41, 27)), "b.jpg": ("JPEG", (64, 16)), "c.gif": ("GIF", (13, 77))}
routes = {"/": page(*["/" + n for n in pictures] + ["/gone.jpg"]),
          "/gone.jpg": {"status": 404, "body": "no such picture"}}
for n, (fmt, size) in pictures.items():
    routes["/" + n] = {"body_base64": base64.b64encode(picture(fmt, size, (200, 30, 90))).decode(),
                       "headers": {"Content-Type": "image/" + fmt.lower()}}
srv.routes(routes)
db = os.path.join(s.root, "imglib.db")
dl = s.folder("dl")
masks = ("jpg, Saved", "png, Saved", "gif, Saved")


def crawl_with_library(project):
    s.runs += 1
    out = os.path.join(s.root, "dump%d.json" % s.runs)
    cmd = [s.wine, s.driver, "crawl", "--project", win_path(project), "--time-limit", "90",
           "--imglib", win_path(db), "--json", win_path(out)]
    p = run_wine(cmd, DRIVER_TIMEOUT)
    if not s.eq(p.returncode, 0, "driver exit code (%s)" % p.stderr.decode(errors="replace")):
        return None, []
    with open(out, "rb") as f:
        dump = json.loads(f.read().decode("latin-1"))
    lines = [l for l in p.stdout.decode("latin-1").splitlines() if l.startswith('{"imglib"')]
    s.eq(len(lines), 1, "one library dump on standard output")
    return dump, json.loads(lines[0])["imglib"] if lines else []


def records(path):
    """The records of a library file, read by its layout."""
    data = open(path, "rb").read()
    s.eq(data[:29], b"Quillmoor Images Library File", "signature")
    version, count = struct.unpack_from("<ii", data, 256)
    s.eq(version, 227, "version")
    out = []
    for i in range(count):
        r = data[264 + 280 * i: 264 + 280 * (i + 1)]
        name = r[:256].split(b"\0")[0].decode("latin-1")
        size, height, width = struct.unpack_from("<iii", r, 264)
        out.append((name, size, width, height))
    s.eq(len(data), 264 + 280 * count, "file length follows the count")
    return out


def expect(recs, suffix):
    saved = win_path(os.path.join(dl, "Saved"))
    for n, (fmt, (w, h)) in pictures.items():
        stem, ext = os.path.splitext(n)
        name = saved + "\\" + stem + suffix + ext
        hits = [r for r in recs if r[0] == name]
        if s.eq(len(hits), 1, "one record for " + name):
            size = os.path.getsize(os.path.join(dl, "Saved", stem + suffix + ext))
            s.eq(hits[0][1], size // 128 * 128, "rounded size of " + name)
            s.eq((hits[0][2], hits[0][3]), (w, h), "dimensions of " + name)


p1 = s.make("one", start, dl, masks=masks)
d, dumped = crawl_with_library(p1)
if d is not None:
    s.eq(d["tasks"][0]["saved"], 3, "three pictures saved")
    s.eq(os.path.getsize(db), 264 + 280 * 3, "library of three records")
    recs = records(db)
    expect(recs, "")
    s.check(all("gone" not in r[0] for r in recs), "the failed address has no record")
    s.eq(sorted((r["name"], r["width"], r["height"]) for r in dumped),
         sorted((r[0], r[2], r[3]) for r in recs), "the dump lists the file's records")
    s.check(not os.path.exists(db + ".tmp"), "no temporary file is left")

# The same pictures again, into the same folder: new names, three more records.
p2 = s.make("two", start, dl, masks=masks)
d, dumped = crawl_with_library(p2)
if d is not None:
    recs = records(db)
    s.eq(len(recs), 6, "three more records")
    expect(recs, "")
    expect(recs, "[0]")
    s.eq(len(dumped), 6, "the dump holds all six")
s.finish()
