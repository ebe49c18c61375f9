"""Shared helpers of the crawl suite: a private test web server, a temporary root, the engine
driver under Wine, and checks that count their failures.

Every script is run as:  script.py <engine_driver.exe> <wine-run.sh>
Only 127.0.0.1 is ever contacted; every wait is bounded."""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "support"))
from winerun import run_with_stacks  # noqa: E402
SERVER = os.path.join(HERE, "..", "..", "server", "testserver.py")
DRIVER_TIMEOUT = 120


def run_wine(cmd, timeout):
    """Runs a program through tools/wine-run.sh, ended after `timeout` seconds (a hang leaves
    its stacks first: winerun.run_with_stacks)."""
    return run_with_stacks(cmd, timeout, stderr=subprocess.PIPE)


def win_path(path):
    """The Wine (drive Z:) form of a host path."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Server:
    """testserver.py in its own process, driven through its control endpoints."""

    def __init__(self):
        self.proc = subprocess.Popen(
            [sys.executable, SERVER, "--idle-timeout", "600", "--parent-pid", str(os.getpid())],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        line = self.proc.stdout.readline().decode("ascii").strip()
        if not line.startswith("127.0.0.1:"):
            raise RuntimeError("test server did not start: %r" % line)
        self.address = line
        self.port = int(line.split(":")[1])
        self.base = "http://" + line
        # Never through a proxy of the environment.
        self.opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))

    def _call(self, path, body=None):
        data = None if body is None else json.dumps(body).encode()
        req = urllib.request.Request(self.base + "/__control/" + path, data=data,
                                     method="POST" if data is not None else "GET")
        with self.opener.open(req, timeout=30) as resp:
            return json.loads(resp.read().decode())

    def routes(self, routes, defaults=None):
        """Replaces the route table (and the defaults) and empties the log."""
        self._call("reset", {})
        body = {"routes": routes, "replace": True}
        if defaults is not None:
            body["defaults"] = defaults
        r = self._call("routes", body)
        assert r["ok"], r

    def clear(self):
        self._call("clear", {})

    def log(self):
        return self._call("log")["requests"]

    def counters(self):
        return self._call("counters")

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()


class Suite:
    def __init__(self, name):
        if len(sys.argv) < 3:
            print("usage: %s <engine_driver.exe> <wine-run.sh>" % sys.argv[0])
            sys.exit(2)
        self.name = name
        self.driver = sys.argv[1]
        self.wine = sys.argv[2]
        self.failures = 0
        self.checks = 0
        self.root = tempfile.mkdtemp(prefix="qm-crawl-")
        self.server = Server()
        self.runs = 0

    # --- checks ---------------------------------------------------------------------------
    def check(self, cond, what):
        self.checks += 1
        if not cond:
            self.failures += 1
            print("FAIL: " + what)
        return cond

    def eq(self, got, want, what):
        return self.check(got == want, "%s: got %r, want %r" % (what, got, want))

    def finish(self):
        self.server.stop()
        ok = self.failures == 0 and self.checks > 0
        print("%s: %d checks, %d failures" % (self.name, self.checks, self.failures))
        if ok:
            shutil.rmtree(self.root, ignore_errors=True)
        else:
            print("files kept in " + self.root)
        sys.exit(0 if ok else 1)

    # --- folders and files ----------------------------------------------------------------
    def folder(self, name):
        """A fresh host folder under the root (not created)."""
        return os.path.join(self.root, name)

    def files_under(self, path):
        out = []
        for base, _, files in os.walk(path):
            for f in files:
                out.append(os.path.relpath(os.path.join(base, f), path))
        return sorted(out)

    # --- the driver -----------------------------------------------------------------------
    def driver_run(self, args, timeout=DRIVER_TIMEOUT):
        self.runs += 1
        out = os.path.join(self.root, "dump%d.json" % self.runs)
        cmd = [self.wine, self.driver] + args + ["--json", win_path(out)]
        p = run_wine(cmd, timeout)
        if p.returncode != 0:
            raise RuntimeError("driver %s failed (%d): %s %s" % (args[0], p.returncode,
                                                              p.stdout.decode(errors="replace"),
                                                              p.stderr.decode(errors="replace")))
        with open(out, "rb") as f:
            return json.loads(f.read().decode("latin-1"))

    def make(self, name, url, folder, masks=("jpg, Saved",), depth=5, limit=False, web=False,
             extra=(), lines=()):
        """Writes a task's project file; returns its host path."""
        os.makedirs(os.path.join(self.root, "projects"), exist_ok=True)
        project = os.path.join(self.root, "projects", name + ".wrp")
        args = ["make", "--project", win_path(project), "--name", name, "--url", url,
                "--folder", win_path(folder) + "\\", "--depth", str(depth),
                "--limit", "on" if limit else "off", "--web-structure", "on" if web else "off",
                "--timeout", "20"]
        for m in masks:
            args += ["--mask", m]
        for line in lines:
            args += ["--line", line]
        args += list(extra)
        self.driver_run(args)
        return project

    def crawl(self, projects, extra=(), time_limit=90, timeout=DRIVER_TIMEOUT):
        if isinstance(projects, str):
            projects = [projects]
        args = ["crawl"]
        for p in projects:
            args += ["--project", win_path(p)]
        args += ["--time-limit", str(time_limit)] + list(extra)
        return self.driver_run(args, timeout=timeout)

    # --- reading results ------------------------------------------------------------------
    @staticmethod
    def targets(log, method=None):
        return [e["target"] for e in log if method is None or e["method"] == method]

    @staticmethod
    def project_lines(project):
        with open(project, "rb") as f:
            data = f.read()
        text = data[798812:].decode("latin-1")
        return [l for l in text.replace("\r\n", "\n").split("\n") if l]

    @staticmethod
    def urls_lines(project):
        path = project + ".urls"
        if not os.path.exists(path):
            return []
        with open(path, "rb") as f:
            text = f.read().decode("latin-1")
        return [l for l in text.replace("\r\n", "\n").split("\n") if l]

    @staticmethod
    def read(path):
        with open(path, "rb") as f:
            return f.read()


def pattern(tag, size):
    """A distinct body of the given size for a route."""
    return {"kind": "pattern", "pattern": tag, "size": size}


def pattern_bytes(tag, size):
    data = (tag.encode() * (size // max(1, len(tag)) + 1))[:size]
    return data


def page(*links, extra=""):
    body = "<html><body>" + "".join('<a href="%s">x</a>' % l if not l.endswith((".jpg", ".gif", ".png"))
                                    else '<img src="%s">' % l for l in links) + extra + "</body></html>"
    return {"body": body, "headers": {"Content-Type": "text/html"}}


def jpg(tag="jpg", size=2000, **more):
    r = {"generate": pattern(tag, size), "headers": {"Content-Type": "image/jpeg"}}
    r.update(more)
    return r
