"""Tests of the HTTP test server and of run_with_server.py.

Run from this folder with `python3 -m unittest` (or
`python3 -m unittest discover -s tests/server` from the top).  Everything
talks to 127.0.0.1 only and every wait is bounded.
"""

import base64
import hashlib
import http.client
import json
import os
import selectors
import signal
import socket
import subprocess
import sys
import textwrap
import threading
import time
import tracemalloc
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
if HERE not in sys.path:
    sys.path.insert(0, HERE)

import testserver  # noqa: E402

SERVER_SCRIPT = os.path.join(HERE, "testserver.py")
RUNNER_SCRIPT = os.path.join(HERE, "run_with_server.py")
TIMEOUT = 10.0


def split_response(data):
    """(status line, [(name, value)], body) of a raw response."""
    head, sep, body = data.partition(b"\r\n\r\n")
    if not sep:
        raise AssertionError(f"no end of headers in {data[:200]!r}")
    lines = head.decode("latin-1").split("\r\n")
    headers = []
    for line in lines[1:]:
        name, _, value = line.partition(": ")
        headers.append((name, value))
    return lines[0], headers, body


def header_values(headers, name):
    return [v for n, v in headers if n.lower() == name.lower()]


def decode_chunked(body):
    """(payload, [chunk sizes], rest after the last chunk)."""
    payload = bytearray()
    sizes = []
    pos = 0
    while True:
        end = body.index(b"\r\n", pos)
        size = int(body[pos:end], 16)
        pos = end + 2
        if size == 0:
            if body[pos:pos + 2] != b"\r\n":
                raise AssertionError("no CRLF after the last chunk")
            return bytes(payload), sizes, body[pos + 2:]
        sizes.append(size)
        payload += body[pos:pos + size]
        if body[pos + size:pos + size + 2] != b"\r\n":
            raise AssertionError("no CRLF after a chunk")
        pos += size + 2


def pid_gone(pid):
    """True when the process has ended (a zombie counts as ended)."""
    try:
        with open(f"/proc/{pid}/stat", "rb") as f:
            stat = f.read()
    except FileNotFoundError:
        return True
    return stat[stat.rindex(b")") + 2:][:1] in (b"Z", b"X")


def wait_until(predicate, timeout=5.0, step=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(step)
    return predicate()


def refused(address):
    host, _, port = address.partition(":")
    try:
        with socket.create_connection((host, int(port)), timeout=2):
            return False
    except ConnectionRefusedError:
        return True


def read_line(stream, timeout):
    """One line from a pipe, or b"" when none comes in time."""
    deadline = time.monotonic() + timeout
    data = b""
    fd = stream.fileno()
    with selectors.DefaultSelector() as sel:
        sel.register(fd, selectors.EVENT_READ)
        while b"\n" not in data:
            left = deadline - time.monotonic()
            if left <= 0 or not sel.select(left):
                break
            chunk = os.read(fd, 1024)
            if not chunk:
                break
            data += chunk
    return data.split(b"\n", 1)[0].strip()


class ServerTestCase(unittest.TestCase):
    """One in-process server per class, reset before every test."""

    @classmethod
    def setUpClass(cls):
        cls.server = testserver.TestServer().start()
        cls.port = cls.server.port

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()

    def setUp(self):
        self.control("POST", "reset")

    # helpers ----------------------------------------------------------------
    def connection(self, timeout=TIMEOUT):
        conn = http.client.HTTPConnection("127.0.0.1", self.port,
                                          timeout=timeout)
        self.addCleanup(conn.close)
        return conn

    def control(self, method, name, obj=None, expect=200, raw_body=None):
        conn = self.connection()
        body = raw_body if raw_body is not None else (
            json.dumps(obj).encode() if obj is not None else None)
        conn.request(method, "/__control/" + name, body=body)
        resp = conn.getresponse()
        answer = json.loads(resp.read())
        self.assertEqual(resp.status, expect, answer)
        self.assertEqual(answer["ok"], expect == 200)
        return answer

    def set_routes(self, routes, **extra):
        request = {"routes": routes}
        request.update(extra)
        return self.control("POST", "routes", request)

    def get(self, target, method="GET", headers=None):
        conn = self.connection()
        conn.request(method, target, headers=headers or {})
        resp = conn.getresponse()
        return resp, resp.read()

    def log(self, since=None):
        name = "log" if since is None else f"log?since={since}"
        return self.control("GET", name)["requests"]

    def counters(self):
        return self.control("GET", "counters")

    def open_socket(self, timeout=TIMEOUT):
        sock = socket.create_connection(("127.0.0.1", self.port),
                                        timeout=timeout)
        self.addCleanup(sock.close)
        return sock

    def raw(self, request, timeout=TIMEOUT, limit=64 << 20):
        """Sends raw request bytes, returns every byte until the close."""
        sock = self.open_socket(timeout)
        sock.sendall(request)
        data = bytearray()
        deadline = time.monotonic() + timeout
        while len(data) <= limit:
            if time.monotonic() > deadline:
                raise AssertionError("the server did not close in time")
            chunk = sock.recv(1 << 16)
            if not chunk:
                return bytes(data)
            data += chunk
        raise AssertionError("more data than expected")

    def raw_get(self, target, extra=b"", version=b"HTTP/1.1", method=b"GET"):
        return self.raw(method + b" " + target.encode("latin-1") + b" "
                        + version + b"\r\nHost: 127.0.0.1\r\n" + extra
                        + b"Connection: close\r\n\r\n")

    def recv_exactly(self, sock, count):
        data = bytearray()
        while len(data) < count:
            chunk = sock.recv(count - len(data))
            if not chunk:
                break
            data += chunk
        return bytes(data)

    def recv_head(self, sock):
        """Reads up to the end of the headers; returns (head, extra bytes)."""
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = sock.recv(4096)
            if not chunk:
                raise AssertionError(f"closed inside the headers: {data!r}")
            data += chunk
        head, _, rest = data.partition(b"\r\n\r\n")
        return head + b"\r\n\r\n", rest

    def last_entry(self, target):
        entries = [e for e in self.log() if e["target"] == target]
        self.assertTrue(entries, f"no log entry for {target}")
        return entries[-1]

    def wait_entry(self, target, ended, timeout=5.0):
        found = {}

        def check():
            for e in self.log():
                if e["target"] == target and e["ended"] == ended:
                    found["entry"] = e
                    return True
            return False
        self.assertTrue(wait_until(check, timeout),
                        f"{target} never ended {ended}: {self.log()}")
        return found["entry"]


# ---------------------------------------------------------------------------

class ControlTests(ServerTestCase):

    def test_http10_with_content_length_and_close_over_raw_socket(self):
        body = json.dumps({"routes": {"/a": {"body": "hello"}}}).encode()
        data = self.raw(b"POST /__control/routes HTTP/1.0\r\n"
                        b"Content-Type: application/json\r\n"
                        b"Content-Length: %d\r\n\r\n" % len(body) + body)
        status, headers, answer = split_response(data)
        self.assertEqual(status, "HTTP/1.1 200 OK")
        self.assertEqual(header_values(headers, "Content-Length"),
                         [str(len(answer))])
        self.assertEqual(header_values(headers, "Connection"), ["close"])
        self.assertEqual(json.loads(answer), {"ok": True, "routes": 1})
        data = self.raw(b"GET /__control/counters HTTP/1.0\r\n\r\n")
        _, _, answer = split_response(data)
        self.assertEqual(json.loads(answer)["requests"], 0)
        self.assertEqual(self.get("/a")[1], b"hello")

    def test_http11_keep_alive_carries_many_control_requests(self):
        conn = self.connection()
        answers = []
        socks = set()
        for method, name, obj in [
                ("POST", "routes", {"routes": {"/k": {"body": "x"}}}),
                ("GET", "routes", None), ("GET", "counters", None),
                ("GET", "log", None), ("POST", "clear", None),
                ("POST", "reset", None), ("GET", "routes", None)]:
            conn.request(method, "/__control/" + name,
                         body=json.dumps(obj) if obj is not None else None)
            resp = conn.getresponse()
            self.assertEqual(resp.status, 200)
            self.assertIsNone(resp.getheader("Connection"))
            answers.append(json.loads(resp.read()))
            socks.add(id(conn.sock))
        self.assertEqual(len(socks), 1, "the connection was not kept")
        self.assertEqual(answers[1]["routes"], {"/k": {"body": "x"}})
        self.assertEqual(answers[6]["routes"], {})

    def test_http10_keep_alive_is_honoured(self):
        sock = self.open_socket()
        for _ in range(2):
            sock.sendall(b"GET /__control/counters HTTP/1.0\r\n"
                         b"Connection: keep-alive\r\n\r\n")
            head, rest = self.recv_head(sock)
            status, headers, _ = split_response(head)
            self.assertEqual(status, "HTTP/1.1 200 OK")
            self.assertEqual(header_values(headers, "Connection"),
                             ["keep-alive"])
            length = int(header_values(headers, "Content-Length")[0])
            body = rest + self.recv_exactly(sock, length - len(rest))
            self.assertEqual(json.loads(body)["in_flight"], 0)

    def test_bad_requests_are_refused_and_change_nothing(self):
        self.set_routes({"/keep": {"body": "kept"}})
        bad = [
            b"{not json",
            b"[]",
            json.dumps({"routes": {"/x": {"colour": "red"}}}).encode(),
            json.dumps({"routes": {"/x": {"status": "200"}}}).encode(),
            json.dumps({"routes": {"/x": {"status": 99}}}).encode(),
            json.dumps({"routes": {"/x": {"body": "a",
                                          "body_base64": "YQ=="}}}).encode(),
            json.dumps({"routes": {"/x": {"body_base64": "@@@"}}}).encode(),
            json.dumps({"routes": {"/x": {"generate": {
                "kind": "pattern", "pattern": "", "size": 5}}}}).encode(),
            json.dumps({"routes": {"/x": {"generate": {
                "kind": "noise", "size": 5}}}}).encode(),
            json.dumps({"routes": {"/x": {"generate": {
                "kind": "random", "seed": 1, "size": -1}}}}).encode(),
            json.dumps({"routes": {"/x": {"headers": [["Bad Name", "v"]]
                                          }}}).encode(),
            json.dumps({"routes": {"/x": {"headers": {"X": "a\r\nInjected: 1"}
                                          }}}).encode(),
            json.dumps({"routes": {"/x": {"headers": {"Content-Length": "1"}
                                          }}}).encode(),
            json.dumps({"routes": {"/x": {"delay": -1}}}).encode(),
            json.dumps({"routes": {"/x": {"stall_seconds": 1}}}).encode(),
            json.dumps({"routes": {"/x": {"content_length": True}}}).encode(),
            json.dumps({"routes": {"/x": {"sequence": []}}}).encode(),
            json.dumps({"routes": {"/x": {"sequence": [
                {"sequence": [{}]}]}}}).encode(),
            json.dumps({"routes": {"/x": {"auth": {"user": "u"}}}}).encode(),
            json.dumps({"routes": {"/x": {"raw": [{"size": 3}]}}}).encode(),
            json.dumps({"routes": {"/x": {"raw": "\u20ac"}}}).encode(),
            json.dumps({"routes": {"/__control/x": {}}}).encode(),
            json.dumps({"routes": {"/a b": {}}}).encode(),
            json.dumps({"routes": {"": {}}}).encode(),
            json.dumps({"routes": []}).encode(),
            json.dumps({"routes": {}, "replace": "yes"}).encode(),
            json.dumps({"routes": {}, "extra": 1}).encode(),
            json.dumps({"defaults": {"body": "x"}}).encode(),
            b"[" * 100000 + b"]" * 100000,
            # One good route with a bad one: neither is set.
            json.dumps({"routes": {"/good": {"body": "g"},
                                   "/bad": {"chunked": -3}},
                        "replace": True}).encode(),
        ]
        for body in bad:
            with self.subTest(body=body[:80]):
                answer = self.control("POST", "routes", raw_body=body,
                                      expect=400)
                self.assertIsInstance(answer["error"], str)
                self.assertTrue(answer["error"])
        table = self.control("GET", "routes")
        self.assertEqual(table["routes"], {"/keep": {"body": "kept"}})
        self.assertEqual(table["defaults"], {})
        self.assertEqual(self.get("/keep")[1], b"kept")
        self.assertEqual(self.get("/good")[0].status, 404)

    def test_unknown_endpoint_and_wrong_method(self):
        self.control("GET", "nothing-here", expect=404)
        self.control("POST", "log", expect=405)
        self.control("DELETE", "routes", expect=405)
        self.control("GET", "log?since=abc", expect=400)
        self.assertEqual(self.log(), [])

    def test_oversized_or_unframed_control_bodies(self):
        data = self.raw(b"POST /__control/routes HTTP/1.1\r\n"
                        b"Content-Length: 100000000\r\n\r\n{")
        status, headers, body = split_response(data)
        self.assertTrue(status.startswith("HTTP/1.1 413 "), status)
        self.assertEqual(json.loads(body)["ok"], False)
        data = self.raw(b"POST /__control/routes HTTP/1.1\r\n"
                        b"Transfer-Encoding: chunked\r\n\r\n"
                        b"2\r\n{}\r\n0\r\n\r\n")
        self.assertTrue(data.startswith(b"HTTP/1.1 400 "))
        # A body cut short by the client changes nothing.
        sock = self.open_socket()
        sock.sendall(b"POST /__control/routes HTTP/1.0\r\n"
                     b"Content-Length: 50\r\n\r\n{\"routes\": {\"/x\": {}}}")
        sock.shutdown(socket.SHUT_WR)
        self.assertEqual(sock.recv(100), b"")
        self.assertEqual(self.control("GET", "routes")["routes"], {})

    def test_control_requests_are_not_logged_or_counted(self):
        self.set_routes({"/a": {"body": "a"}})
        self.control("GET", "routes")
        self.control("GET", "counters")
        self.control("GET", "log")
        self.assertEqual(self.log(), [])
        counters = self.counters()
        self.assertEqual((counters["requests"], counters["in_flight"],
                          counters["max_in_flight"]), (0, 0, 0))

    def test_add_replace_and_reset(self):
        self.assertEqual(self.set_routes({"/a": {"body": "a"}})["routes"], 1)
        self.assertEqual(self.set_routes({"/b": {"body": "b"}})["routes"], 2)
        self.assertEqual(self.get("/a")[1], b"a")
        self.assertEqual(self.set_routes({"/a": {"body": "A"}})["routes"], 2)
        self.assertEqual(self.get("/a")[1], b"A")
        self.assertEqual(
            self.set_routes({"/c": {"body": "c"}}, replace=True)["routes"], 1)
        self.assertEqual(self.get("/a")[0].status, 404)
        self.assertEqual(self.get("/c")[1], b"c")
        self.set_routes({}, defaults={"headers": {"X-D": "1"}})
        self.assertEqual(self.get("/c")[0].getheader("X-D"), "1")
        self.assertEqual(self.control("GET", "routes")["defaults"],
                         {"headers": {"X-D": "1"}})
        self.control("POST", "reset")
        self.assertEqual(self.get("/c")[0].status, 404)
        self.assertIsNone(self.get("/c")[0].getheader("X-D"))
        self.assertEqual(self.control("GET", "routes")["routes"], {})
        self.assertEqual(len(self.log()), 2)   # the two 404s since the reset

    def test_clear_keeps_routes_and_their_counts(self):
        self.set_routes({"/n": {"counter": True}})
        self.assertEqual(self.get("/n")[1], b"1")
        self.control("POST", "clear")
        self.assertEqual(self.log(), [])
        self.assertEqual(self.counters()["requests"], 0)
        self.assertEqual(self.get("/n")[1], b"2")
        self.control("GET", "reset")
        self.set_routes({"/n": {"counter": True}})
        self.assertEqual(self.get("/n")[1], b"1")

    def test_log_since(self):
        self.set_routes({"/a": {}})
        for _ in range(5):
            self.get("/a")
        ids = [e["id"] for e in self.log()]
        self.assertEqual(ids, [1, 2, 3, 4, 5])
        self.assertEqual([e["id"] for e in self.log(since=3)], [4, 5])
        self.assertEqual(self.log(since=5), [])

    def test_proxy_form_control_target_is_an_ordinary_route(self):
        self.set_routes({"/a": {"body": "still here"}})
        target = f"http://127.0.0.1:{self.port}/__control/reset"
        resp, _ = self.get(target)
        self.assertEqual(resp.status, 404)
        self.assertEqual(self.get("/a")[1], b"still here")
        self.assertEqual([e["target"] for e in self.log()], [target, "/a"])


# ---------------------------------------------------------------------------

class RouteTests(ServerTestCase):

    def test_status_reason_headers_and_text_body(self):
        self.set_routes({
            "/s": {"status": 203, "reason": "Custom Reason",
                   "headers": [["X-One", "1"], ["X-Two", "2"],
                               ["X-One", "again"]],
                   "body": "h\u00e9llo"},
            "/d": {"headers": {"Content-Type": "text/plain"}},
        })
        status, headers, body = split_response(self.raw_get("/s"))
        self.assertEqual(status, "HTTP/1.1 203 Custom Reason")
        self.assertEqual([h for h in headers if h[0].startswith("X-")],
                         [("X-One", "1"), ("X-Two", "2"), ("X-One", "again")])
        self.assertEqual(body, "h\u00e9llo".encode("utf-8"))
        self.assertEqual(header_values(headers, "Content-Length"),
                         [str(len(body))])
        resp, body = self.get("/d")
        self.assertEqual((resp.status, resp.reason, body), (200, "OK", b""))
        self.assertEqual(resp.getheader("Content-Type"), "text/plain")
        self.assertEqual(resp.getheader("Content-Length"), "0")

    def test_default_reasons(self):
        self.set_routes({"/500": {"status": 500}, "/599": {"status": 599}})
        self.assertEqual(self.get("/500")[0].reason, "Internal Server Error")
        self.assertEqual(self.get("/599")[0].reason, "Unknown")

    def test_base64_body_holds_every_byte_value(self):
        data = bytes(range(256)) * 3
        self.set_routes({"/b": {"body_base64":
                                base64.b64encode(data).decode()}})
        resp, body = self.get("/b")
        self.assertEqual(body, data)

    def test_pattern_bodies(self):
        every = bytes(range(256))
        self.set_routes({
            "/p": {"generate": {"kind": "pattern", "pattern": "abc",
                                "size": (1 << 20) + 7}},
            "/all": {"generate": {"kind": "pattern", "size": 1 << 20,
                                  "pattern_base64":
                                  base64.b64encode(every).decode()}},
            "/empty": {"generate": {"kind": "pattern", "pattern": "x",
                                    "size": 0}},
            "/long": {"generate": {"kind": "pattern", "pattern": "0123456789"
                                   * 10000, "size": 250001}},
        })
        self.assertEqual(self.get("/p")[1],
                         (b"abc" * 400000)[:(1 << 20) + 7])
        self.assertEqual(self.get("/all")[1], every * 4096)
        self.assertEqual(self.get("/empty")[1], b"")
        self.assertEqual(self.get("/long")[1],
                         (b"0123456789" * 25001)[:250001])

    def test_random_bodies_are_seeded_and_reproducible(self):
        size = 200001
        gen = {"kind": "random", "seed": 7, "size": size}
        self.set_routes({"/r1": {"generate": gen},
                         "/r2": {"generate": dict(gen)},
                         "/r3": {"generate": dict(gen, seed=8)}})
        one = self.get("/r1")[1]
        self.assertEqual(len(one), size)
        self.assertEqual(self.get("/r2")[1], one)
        self.assertEqual(self.get("/r1")[1], one)
        other = self.get("/r3")[1]
        self.assertEqual(len(other), size)
        self.assertNotEqual(other[:1000], one[:1000])
        self.assertGreater(len(set(one)), 250)
        expected = b"".join(
            hashlib.shake_256(f"quillmoor-random:7:{k}".encode()).digest(65536)
            for k in range(4))[:size]
        self.assertEqual(one, expected)

    def test_generated_bodies_are_streamed_not_held(self):
        size_p, size_r = 64 << 20, 24 << 20
        self.set_routes({
            "/big": {"generate": {"kind": "pattern", "pattern": "xyz",
                                  "size": size_p}},
            "/bigr": {"generate": {"kind": "random", "seed": 3,
                                   "size": size_r}, "chunked": 100000},
        })
        buf = bytearray(1 << 16)
        view = memoryview(buf)
        tracemalloc.start()
        try:
            for target, size in (("/big", size_p), ("/bigr", size_r)):
                tracemalloc.reset_peak()
                conn = self.connection(timeout=30)
                conn.request("GET", target)
                resp = conn.getresponse()
                digest = hashlib.sha256()
                total = 0
                while True:
                    n = resp.readinto(view)
                    if not n:
                        break
                    digest.update(view[:n])
                    total += n
                conn.close()
                peak = tracemalloc.get_traced_memory()[1]
                self.assertEqual(total, size)
                self.assertLess(peak, 8 << 20,
                                f"{target}: {peak} bytes held at once")
                if target == "/big":
                    expected = hashlib.sha256()
                    block = b"xyz" * (1 << 16)
                    left = size
                    while left:
                        part = block[:min(left, len(block))]
                        expected.update(part)
                        left -= len(part)
                else:
                    expected = hashlib.sha256()
                    for k in range(size_r // 65536):
                        expected.update(hashlib.shake_256(
                            f"quillmoor-random:3:{k}".encode()).digest(65536))
                self.assertEqual(digest.hexdigest(), expected.hexdigest(),
                                 target)
        finally:
            tracemalloc.stop()

    def test_keep_alive_serves_and_logs_each_request(self):
        self.set_routes({"/a": {"body": "aa"}, "/b": {"body": "bbb"}})
        conn = self.connection()
        socks = set()
        results = []
        for method, target in [("GET", "/a"), ("GET", "/b"), ("HEAD", "/b"),
                               ("GET", "/missing"), ("GET", "/a")]:
            conn.request(method, target)
            resp = conn.getresponse()
            results.append((resp.status, resp.read()))
            socks.add(id(conn.sock))
        self.assertEqual(results, [(200, b"aa"), (200, b"bbb"), (200, b""),
                                   (404, b"Not found\n"), (200, b"aa")])
        self.assertEqual(len(socks), 1, "the connection was not reused")
        log = self.log()
        self.assertEqual([(e["method"], e["target"], e["status"], e["ended"])
                          for e in log],
                         [("GET", "/a", 200, "complete"),
                          ("GET", "/b", 200, "complete"),
                          ("HEAD", "/b", 200, "complete"),
                          ("GET", "/missing", 404, "complete"),
                          ("GET", "/a", 200, "complete")])
        self.assertEqual(len({e["connection"] for e in log}), 1)
        self.assertEqual(self.counters()["connections"], 1)

    def test_request_bodies_are_skipped_on_kept_connections(self):
        self.set_routes({"/up": {"body": "got it"}, "/next": {"body": "n"}})
        conn = self.connection()
        conn.request("POST", "/up", body=b"z" * 100000)
        resp = conn.getresponse()
        self.assertEqual(resp.read(), b"got it")
        conn.request("GET", "/next")
        self.assertEqual(conn.getresponse().read(), b"n")
        log = self.log()
        self.assertEqual([(e["method"], e["target"]) for e in log],
                         [("POST", "/up"), ("GET", "/next")])
        self.assertEqual(log[0]["connection"], log[1]["connection"])

    def test_chunked_request_body_is_answered_then_closed(self):
        self.set_routes({"/up": {"body": "ok"}})
        data = self.raw(b"POST /up HTTP/1.1\r\nHost: x\r\n"
                        b"Transfer-Encoding: chunked\r\n\r\n"
                        b"3\r\nabc\r\n0\r\n\r\nGET /up HTTP/1.1\r\n\r\n")
        status, headers, body = split_response(data)
        self.assertEqual(status, "HTTP/1.1 200 OK")
        self.assertEqual(header_values(headers, "Connection"), ["close"])
        self.assertEqual(body, b"ok")
        self.assertEqual(len(self.log()), 1)

    def test_head_gets_get_headers_and_no_body(self):
        self.set_routes({
            "/big": {"generate": {"kind": "pattern", "pattern": "q",
                                  "size": 10485760},
                     "headers": {"X-Kind": "big"}},
            "/nolen": {"body": "abc", "content_length": False},
            "/chunk": {"body": "abcdef", "chunked": 2},
            "/after": {"body": "after"},
        })
        conn = self.connection()
        conn.request("HEAD", "/big")
        resp = conn.getresponse()
        self.assertEqual(resp.getheader("Content-Length"), "10485760")
        self.assertEqual(resp.getheader("X-Kind"), "big")
        self.assertEqual(resp.read(), b"")
        conn.request("GET", "/after")   # no stray body bytes on the wire
        self.assertEqual(conn.getresponse().read(), b"after")
        head = self.last_entry("/big")
        self.assertEqual((head["method"], head["body_bytes"], head["ended"]),
                         ("HEAD", 0, "complete"))

        sock = self.open_socket()
        for target in ("/nolen", "/chunk", "/after"):
            sock.sendall(f"HEAD {target} HTTP/1.1\r\nHost: x\r\n\r\n"
                         .encode())
            data, rest = self.recv_head(sock)
            self.assertEqual(rest, b"")
            _, headers, _ = split_response(data)
            if target == "/nolen":
                self.assertEqual(header_values(headers, "Content-Length"), [])
            if target == "/chunk":
                self.assertEqual(header_values(headers, "Transfer-Encoding"),
                                 ["chunked"])
            self.assertEqual(header_values(headers, "Connection"), [])
        sock.sendall(b"GET /after HTTP/1.1\r\nHost: x\r\n\r\n")
        data, rest = self.recv_head(sock)
        self.assertEqual(rest + self.recv_exactly(sock, 5 - len(rest)),
                         b"after")

    def test_chunked_bodies(self):
        size = 3 << 20
        self.set_routes({
            "/c": {"generate": {"kind": "pattern", "pattern_base64":
                                base64.b64encode(bytes(range(256))).decode(),
                                "size": size}, "chunked": 1000},
            "/one": {"body": "short", "chunked": 4096},
            "/none": {"body": "", "chunked": 10},
            "/lying": {"body": "12345", "chunked": 2, "content_length": 99},
        })
        status, headers, body = split_response(self.raw_get("/c"))
        self.assertEqual(header_values(headers, "Transfer-Encoding"),
                         ["chunked"])
        self.assertEqual(header_values(headers, "Content-Length"), [])
        payload, sizes, rest = decode_chunked(body)
        self.assertEqual(payload, (bytes(range(256)) * (size // 256)))
        self.assertEqual(sizes, [1000] * (size // 1000) + [size % 1000])
        self.assertEqual(rest, b"")
        self.assertEqual(self.get("/c")[1], payload)
        self.assertEqual(self.last_entry("/c")["body_bytes"], size)

        _, _, body = split_response(self.raw_get("/one"))
        self.assertEqual(body, b"5\r\nshort\r\n0\r\n\r\n")
        _, _, body = split_response(self.raw_get("/none"))
        self.assertEqual(body, b"0\r\n\r\n")
        _, headers, body = split_response(self.raw_get("/lying"))
        self.assertEqual(header_values(headers, "Content-Length"), ["99"])
        self.assertEqual(decode_chunked(body)[0], b"12345")

    def test_content_length_left_out(self):
        self.set_routes({"/x": {"body": "no length here",
                                "content_length": False}})
        # HTTP/1.1 without "Connection: close": the server must close.
        data = self.raw(b"GET /x HTTP/1.1\r\nHost: x\r\n\r\n")
        _, headers, body = split_response(data)
        self.assertEqual(header_values(headers, "Content-Length"), [])
        self.assertEqual(header_values(headers, "Connection"), ["close"])
        self.assertEqual(body, b"no length here")
        resp, body = self.get("/x")
        self.assertEqual(body, b"no length here")
        self.assertIsNone(resp.length)
        self.assertEqual(self.last_entry("/x")["ended"], "complete")

    def test_false_content_lengths(self):
        body = b"b" * 50000
        encoded = base64.b64encode(body).decode()
        for value in ("abc", "-5", 100000, "5", " 7 "):
            with self.subTest(value=value):
                self.set_routes({"/f": {"body_base64": encoded,
                                        "content_length": value}},
                                replace=True)
                data = self.raw(b"GET /f HTTP/1.1\r\nHost: x\r\n\r\n")
                _, headers, got = split_response(data)
                self.assertEqual(header_values(headers, "Content-Length"),
                                 [str(value)])
                self.assertEqual(header_values(headers, "Connection"),
                                 ["close"])
                self.assertEqual(got, body)
                entry = self.last_entry("/f")
                self.assertEqual(entry["body_bytes"], 50000)
        # An announced 100,000 with 50,000 sent reads as a cut body.
        self.set_routes({"/f": {"body_base64": encoded,
                                "content_length": 100000}}, replace=True)
        conn = self.connection()
        conn.request("GET", "/f")
        resp = conn.getresponse()
        with self.assertRaises(http.client.IncompleteRead) as cm:
            resp.read()
        self.assertEqual(len(cm.exception.partial), 50000)
        # The true length given explicitly keeps the connection usable.
        self.set_routes({"/t": {"body": "hi", "content_length": 2}})
        conn = self.connection()
        for _ in range(2):
            conn.request("GET", "/t")
            resp = conn.getresponse()
            self.assertEqual(resp.read(), b"hi")
            self.assertIsNone(resp.getheader("Connection"))
        self.assertEqual(len({e["connection"] for e in self.log()
                              if e["target"] == "/t"}), 1)

    def test_stall_for_seconds(self):
        body = bytes(range(256)) * 12
        self.set_routes({"/s": {"body_base64": base64.b64encode(body).decode(),
                                "stall_after": 1000, "stall_seconds": 1.0}})
        sock = self.open_socket()
        sock.sendall(b"GET /s HTTP/1.1\r\nHost: x\r\n\r\n")
        head, got = self.recv_head(sock)
        got += self.recv_exactly(sock, 1000 - len(got))
        start = time.monotonic()
        self.assertEqual(got, body[:1000])
        sock.settimeout(0.4)
        with self.assertRaises(socket.timeout):
            sock.recv(1)
        sock.settimeout(TIMEOUT)
        got += self.recv_exactly(sock, len(body) - 1000)
        self.assertGreater(time.monotonic() - start, 0.9)
        self.assertEqual(got, body)
        entry = self.wait_entry("/s", "complete")
        self.assertEqual(entry["body_bytes"], len(body))

    def test_stall_until_the_client_closes(self):
        self.set_routes({"/s": {"generate": {"kind": "pattern",
                                             "pattern": "s", "size": 5000},
                                "stall_after": 1000}})
        sock = socket.create_connection(("127.0.0.1", self.port),
                                        timeout=TIMEOUT)
        try:
            sock.sendall(b"GET /s HTTP/1.1\r\nHost: x\r\n\r\n")
            head, got = self.recv_head(sock)
            self.assertIn(b"Content-Length: 5000", head)
            got += self.recv_exactly(sock, 1000 - len(got))
            self.assertEqual(got, b"s" * 1000)
            sock.settimeout(0.6)
            with self.assertRaises(socket.timeout):
                sock.recv(1)
            entry = self.last_entry("/s")
            self.assertEqual((entry["ended"], entry["body_bytes"],
                              entry["end"]), ("in-progress", 1000, None))
            self.assertEqual(self.counters()["in_flight"], 1)
        finally:
            sock.close()
        entry = self.wait_entry("/s", "client-closed")
        self.assertEqual(entry["body_bytes"], 1000)
        self.assertGreaterEqual(entry["end"], entry["arrival"] + 0.5)
        self.assertTrue(wait_until(lambda: self.counters()["in_flight"] == 0))

    def test_close_after_body_bytes(self):
        self.set_routes({
            "/cut": {"generate": {"kind": "pattern", "pattern": "c",
                                  "size": 100000}, "close_after": 50000},
            "/cutchunk": {"body": "x" * 3000, "chunked": 1000,
                          "close_after": 2500},
            "/late": {"body": "whole", "close_after": 10},
        })
        data = self.raw(b"GET /cut HTTP/1.1\r\nHost: x\r\n\r\n")
        _, headers, body = split_response(data)
        self.assertEqual(header_values(headers, "Content-Length"),
                         ["100000"])
        self.assertEqual(header_values(headers, "Connection"), [])
        self.assertEqual(body, b"c" * 50000)
        entry = self.wait_entry("/cut", "server-closed")
        self.assertEqual(entry["body_bytes"], 50000)

        conn = self.connection()
        conn.request("GET", "/cut")
        with self.assertRaises(http.client.IncompleteRead):
            conn.getresponse().read()

        data = self.raw(b"GET /cutchunk HTTP/1.1\r\nHost: x\r\n\r\n")
        _, _, body = split_response(data)
        self.assertEqual(body, b"3e8\r\n" + b"x" * 1000 + b"\r\n"
                         + b"3e8\r\n" + b"x" * 1000 + b"\r\n"
                         + b"3e8\r\n" + b"x" * 500)

        # A close point beyond the body is never reached.
        conn = self.connection()
        for _ in range(2):
            conn.request("GET", "/late")
            self.assertEqual(conn.getresponse().read(), b"whole")
        self.assertEqual(self.last_entry("/late")["ended"], "complete")

    def test_delay_before_the_status_line(self):
        self.set_routes({"/slow": {"delay": 0.5, "body": "s"}})
        sock = self.open_socket()
        start = time.monotonic()
        sock.sendall(b"GET /slow HTTP/1.1\r\nHost: x\r\n\r\n")
        sock.settimeout(0.3)
        with self.assertRaises(socket.timeout):
            sock.recv(1)
        sock.settimeout(TIMEOUT)
        head, _ = self.recv_head(sock)
        self.assertTrue(head.startswith(b"HTTP/1.1 200 OK\r\n"))
        self.assertGreaterEqual(time.monotonic() - start, 0.45)

    def test_server_wide_defaults(self):
        self.set_routes({"/plain": {"body": "p"},
                         "/fast": {"body": "f", "delay": 0},
                         "/guarded": {"auth": {"user": "u", "password": "p"}},
                         "/own": {"headers": [["X-Own", "1"]]}},
                        defaults={"delay": 0.3, "headers": [["X-All", "yes"]]})
        for target, status in (("/plain", 200), ("/nowhere", 404),
                               ("/guarded", 401)):
            start = time.monotonic()
            resp, _ = self.get(target)
            self.assertEqual(resp.status, status)
            self.assertGreaterEqual(time.monotonic() - start, 0.28, target)
            self.assertEqual(resp.getheader("X-All"), "yes")
        start = time.monotonic()
        self.assertEqual(self.get("/fast")[1], b"f")
        self.assertLess(time.monotonic() - start, 0.25)
        _, headers, _ = split_response(self.raw_get("/own"))
        self.assertEqual([h for h in headers if h[0].startswith("X-")],
                         [("X-All", "yes"), ("X-Own", "1")])
        self.set_routes({}, defaults=None)
        start = time.monotonic()
        self.get("/plain")
        self.assertLess(time.monotonic() - start, 0.25)

    def test_keep_alive_off_and_chunked_defaults(self):
        self.set_routes({"/bye": {"body": "bye", "keep_alive": False},
                         "/on": {"body": "on"}})
        sock = self.open_socket()
        sock.sendall(b"GET /bye HTTP/1.1\r\nHost: x\r\n\r\n")
        data = b""
        while True:                   # the server closes by itself
            chunk = sock.recv(4096)
            if not chunk:
                break
            data += chunk
        _, headers, body = split_response(data)
        self.assertEqual(header_values(headers, "Connection"), ["close"])
        self.assertEqual(body, b"bye")
        self.set_routes({}, defaults={"keep_alive": False, "chunked": 2})
        _, headers, body = split_response(self.raw(
            b"GET /on HTTP/1.1\r\nHost: x\r\n\r\n"))
        self.assertEqual(header_values(headers, "Connection"), ["close"])
        self.assertEqual(decode_chunked(body)[:2], (b"on", [2]))
        self.set_routes({"/on": {"body": "on", "keep_alive": True,
                                 "chunked": 0}})
        conn = self.connection()
        for _ in range(2):
            conn.request("GET", "/on")
            resp = conn.getresponse()
            self.assertEqual((resp.read(), resp.getheader("Connection")),
                             (b"on", None))

    def test_set_cookie(self):
        self.set_routes({"/one": {"set_cookie": "sid=42"},
                         "/two": {"set_cookie": ["a=1; Path=/", "b=2"]}})
        self.assertEqual(self.get("/one")[0].msg.get_all("Set-Cookie"),
                         ["sid=42"])
        self.assertEqual(self.get("/two")[0].msg.get_all("Set-Cookie"),
                         ["a=1; Path=/", "b=2"])
        self.get("/one", headers={"Cookie": "sid=42"})
        self.assertIn(["Cookie", "sid=42"], self.log()[-1]["headers"])

    def test_redirect_is_only_announced(self):
        self.set_routes({"/old": {"status": 301, "location": "/new"},
                         "/new": {"body": "new"}})
        resp, _ = self.get("/old")
        self.assertEqual(resp.status, 301)
        self.assertEqual(resp.reason, "Moved Permanently")
        self.assertEqual(resp.getheader("Location"), "/new")
        self.assertEqual([e["target"] for e in self.log()], ["/old"])

    def test_basic_login(self):
        self.set_routes({"/g": {"body": "secret",
                                "auth": {"user": "user", "password": "pass"}},
                         "/c": {"body": "colon",
                                "auth": {"user": "u", "password": "p:w:x",
                                         "realm": "Pictures"}}})
        resp, body = self.get("/g")
        self.assertEqual(resp.status, 401)
        self.assertEqual(resp.getheader("WWW-Authenticate"),
                         'Basic realm="Quillmoor"')
        self.assertNotEqual(body, b"secret")
        for value in ("Basic " + base64.b64encode(b"user:wrong").decode(),
                      "Basic " + base64.b64encode(b"user").decode(),
                      "Basic " + base64.b64encode(b"user:pass ").decode(),
                      "Basic !!!not-base64!!!", "Basic", "Bearer dXNlcjpwYXNz",
                      "dXNlcjpwYXNz"):
            with self.subTest(value=value):
                self.assertEqual(self.get("/g", headers={
                    "Authorization": value})[0].status, 401)
        for value in ("Basic dXNlcjpwYXNz", "basic dXNlcjpwYXNz"):
            resp, body = self.get("/g", headers={"Authorization": value})
            self.assertEqual((resp.status, body), (200, b"secret"))
        resp, body = self.get("/c", headers={
            "Authorization": "Basic " + base64.b64encode(b"u:p:w:x").decode()})
        self.assertEqual((resp.status, body), (200, b"colon"))
        self.assertEqual(self.get("/c")[0].getheader("WWW-Authenticate"),
                         'Basic realm="Pictures"')
        statuses = [e["status"] for e in self.log() if e["target"] == "/g"]
        self.assertEqual(statuses, [401] * 8 + [200, 200])

    def test_sequences(self):
        self.set_routes({
            "/seq": {"headers": {"X-Base": "1"},
                     "sequence": [{"status": 404, "body": "no"},
                                  {"body": "yes", "headers": {"X-El": "2"}}]},
            "/guarded": {"auth": {"user": "u", "password": "p"},
                         "sequence": [{"body": "first"}, {"body": "second"}]},
            "/inherit": {"generate": {"kind": "pattern", "pattern": "g",
                                      "size": 3},
                         "sequence": [{}, {"body": "own"}]},
        })
        results = [self.get("/seq") for _ in range(4)]
        self.assertEqual([(r.status, b) for r, b in results],
                         [(404, b"no"), (200, b"yes"), (200, b"yes"),
                          (200, b"yes")])
        self.assertTrue(all(r.getheader("X-Base") == "1" for r, _ in results))
        self.assertEqual([r.getheader("X-El") for r, _ in results],
                         [None, "2", "2", "2"])
        login = {"Authorization":
                 "Basic " + base64.b64encode(b"u:p").decode()}
        self.assertEqual(self.get("/guarded")[0].status, 401)
        self.assertEqual(self.get("/guarded", headers=login)[1], b"first")
        self.assertEqual(self.get("/guarded")[0].status, 401)
        self.assertEqual(self.get("/guarded", headers=login)[1], b"second")
        self.assertEqual([self.get("/inherit")[1] for _ in range(3)],
                         [b"ggg", b"own", b"own"])

    def test_counting_route(self):
        self.set_routes({"/n": {"counter": True,
                                "headers": {"Cache-Control": "max-age=3600"}}})
        conn = self.connection()
        bodies = []
        for _ in range(3):
            conn.request("GET", "/n")
            resp = conn.getresponse()
            bodies.append(resp.read())
            self.assertEqual(resp.getheader("Cache-Control"), "max-age=3600")
        self.assertEqual(bodies, [b"1", b"2", b"3"])
        resp, body = self.get("/n", method="HEAD")
        self.assertEqual((resp.getheader("Content-Length"), body), ("1", b""))
        self.assertEqual(self.get("/n")[1], b"5")
        self.assertEqual(len(self.log()), 5)

    def test_raw_garbage_status_line(self):
        self.set_routes({"/g": {"raw": "GARBAGE\r\n\r\n"},
                         "/b": {"raw": [{"base64": base64.b64encode(
                             b"\x00\xff\r\n").decode()}, "tail"]}})
        self.assertEqual(self.raw_get("/g"), b"GARBAGE\r\n\r\n")
        self.assertEqual(self.raw_get("/b"), b"\x00\xff\r\ntail")
        conn = self.connection()
        conn.request("GET", "/g")
        with self.assertRaises(http.client.HTTPException):
            conn.getresponse()
        entry = self.wait_entry("/g", "server-closed")
        self.assertIsNone(entry["status"])
        self.assertEqual(entry["body_bytes"], len(b"GARBAGE\r\n\r\n"))

    def test_raw_megabyte_header_line(self):
        prefix = "HTTP/1.1 200 OK\r\nX-Big: "
        self.set_routes({"/h": {"raw": [prefix, {"pattern": "a",
                                                 "size": 1 << 20},
                                        "\r\nContent-Length: 0\r\n\r\n"]}})
        data = self.raw_get("/h")
        self.assertEqual(data, prefix.encode() + b"a" * (1 << 20)
                         + b"\r\nContent-Length: 0\r\n\r\n")
        conn = self.connection()
        conn.request("GET", "/h")
        with self.assertRaises(http.client.HTTPException):
            conn.getresponse()

    def test_close_before_anything(self):
        self.set_routes({"/gone": {"close_before": True, "delay": 0.1}})
        self.assertEqual(self.raw_get("/gone"), b"")
        conn = self.connection()
        conn.request("GET", "/gone")
        with self.assertRaises(http.client.RemoteDisconnected):
            conn.getresponse()
        entry = self.wait_entry("/gone", "server-closed")
        self.assertEqual((entry["status"], entry["body_bytes"]), (None, 0))

    def test_proxy_mode_targets(self):
        self.set_routes({"http://www.site.test/a.jpg": {"body": "proxied"}})
        data = self.raw(b"GET http://www.site.test/a.jpg HTTP/1.1\r\n"
                        b"Host: www.site.test\r\nConnection: close\r\n\r\n")
        self.assertEqual(split_response(data)[2], b"proxied")
        conn = self.connection()
        conn.request("GET", "http://www.site.test/a.jpg")
        self.assertEqual(conn.getresponse().read(), b"proxied")
        for target in ("/a.jpg", "http://other.test/a.jpg",
                       "http://www.site.test/a.jpg?x", "www.site.test/a.jpg"):
            with self.subTest(target=target):
                self.assertEqual(self.get(target)[0].status, 404)
        self.assertEqual([e["target"] for e in self.log()][:2],
                         ["http://www.site.test/a.jpg"] * 2)

    def test_server_never_connects_anywhere(self):
        # Every outgoing connect or name lookup made by a server thread is
        # recorded while proxy-form requests are served.
        calls = []
        mine = threading.current_thread()
        real_connect = socket.socket.connect
        real_getaddrinfo = socket.getaddrinfo

        def connect(sock, address):
            if threading.current_thread() is not mine:
                calls.append(("connect", address))
            return real_connect(sock, address)

        def getaddrinfo(*args, **kwargs):
            if threading.current_thread() is not mine:
                calls.append(("getaddrinfo", args[0]))
            return real_getaddrinfo(*args, **kwargs)

        self.set_routes({"http://unresolvable.invalid/x": {"body": "ok"}})
        socket.socket.connect = connect
        socket.getaddrinfo = getaddrinfo
        try:
            for target in ("http://unresolvable.invalid/x",
                           "http://example.invalid:81/y"):
                conn = self.connection()
                conn.request("GET", target,
                             headers={"Host": "unresolvable.invalid"})
                conn.getresponse().read()
        finally:
            socket.socket.connect = real_connect
            socket.getaddrinfo = real_getaddrinfo
        self.assertEqual(calls, [])
        self.assertEqual([e["status"] for e in self.log()], [200, 404])

    def test_targets_are_matched_exactly(self):
        self.set_routes({"/a": {"body": "a"}, "/a?x=1": {"body": "a1"},
                         "//double//slash": {"body": "dd"},
                         "/%7Euser": {"body": "enc"},
                         "/Case": {"body": "C"}})
        self.assertEqual(self.get("/a")[1], b"a")
        self.assertEqual(self.get("/a?x=1")[1], b"a1")
        self.assertEqual(self.get("//double//slash")[1], b"dd")
        self.assertEqual(self.get("/%7Euser")[1], b"enc")
        for target in ("/a?x=2", "/a?", "/double//slash", "/~user", "/case",
                       "/a/", "/a#frag"):
            with self.subTest(target=target):
                self.assertEqual(self.get(target)[0].status, 404)
        self.assertIn("//double//slash", [e["target"] for e in self.log()])

    def test_unknown_targets_get_404(self):
        resp, body = self.get("/nothing")
        self.assertEqual((resp.status, body), (404, b"Not found\n"))
        resp, body = self.get("/nothing", method="HEAD")
        self.assertEqual((resp.status, body), (404, b""))
        self.assertEqual(resp.getheader("Content-Length"), "10")
        resp, body = self.get("/nothing", method="DELETE")
        self.assertEqual(resp.status, 404)
        self.assertEqual([(e["method"], e["status"]) for e in self.log()],
                         [("GET", 404), ("HEAD", 404), ("DELETE", 404)])

    def test_log_entry_fields(self):
        self.set_routes({"/l": {"body": "12345", "delay": 0.2}})
        self.get("/l", headers={"X-Test": "v\u00e9"})
        self.get("/l", method="POST")
        first, second = self.log()
        self.assertEqual(set(first), {"id", "connection", "method", "target",
                                      "version", "headers", "arrival", "end",
                                      "status", "body_bytes", "ended"})
        self.assertEqual((first["method"], first["target"], first["version"],
                          first["status"], first["body_bytes"],
                          first["ended"]),
                         ("GET", "/l", "HTTP/1.1", 200, 5, "complete"))
        self.assertIn(["X-Test", "v\u00e9"], first["headers"])
        self.assertIn(["Host", f"127.0.0.1:{self.port}"], first["headers"])
        self.assertGreaterEqual(first["end"] - first["arrival"], 0.19)
        self.assertLessEqual(first["end"], second["arrival"])
        self.assertEqual(second["method"], "POST")
        self.assertNotEqual(first["connection"], second["connection"])

    def test_eight_concurrent_requests_are_in_flight_together(self):
        self.set_routes({"/wait": {"delay": 1.0, "body": "w"}})
        results = []
        lock = threading.Lock()

        def fetch():
            conn = http.client.HTTPConnection("127.0.0.1", self.port,
                                              timeout=TIMEOUT)
            try:
                conn.request("GET", "/wait")
                body = conn.getresponse().read()
            finally:
                conn.close()
            with lock:
                results.append(body)

        start = time.monotonic()
        threads = [threading.Thread(target=fetch) for _ in range(8)]
        for t in threads:
            t.start()
        self.assertTrue(wait_until(
            lambda: self.counters()["in_flight"] == 8, 3.0))
        for t in threads:
            t.join(TIMEOUT)
        self.assertLess(time.monotonic() - start, 4.0)
        self.assertEqual(results, [b"w"] * 8)
        counters = self.counters()
        self.assertEqual((counters["in_flight"], counters["max_in_flight"],
                          counters["requests"], counters["connections"]),
                         (0, 8, 8, 8))
        self.assertEqual([e["ended"] for e in self.log()], ["complete"] * 8)
        self.control("POST", "clear")
        self.assertEqual(self.counters()["max_in_flight"], 0)

    def test_load_of_many_clients(self):
        routes = {f"/load/{i}": {"generate": {"kind": "random", "seed": i,
                                              "size": 1000 + i}}
                  for i in range(8)}
        self.set_routes(routes)
        expected = {i: hashlib.shake_256(f"quillmoor-random:{i}:0".encode())
                    .digest(65536)[:1000 + i] for i in range(8)}
        failures = []

        def client(i):
            conn = http.client.HTTPConnection("127.0.0.1", self.port,
                                              timeout=TIMEOUT)
            try:
                for _ in range(50):
                    conn.request("GET", f"/load/{i}")
                    if conn.getresponse().read() != expected[i]:
                        failures.append(i)
            except Exception as e:            # reported below
                failures.append(repr(e))
            finally:
                conn.close()

        threads = [threading.Thread(target=client, args=(i,))
                   for i in range(8)]
        for t in threads:
            t.start()
        for t in threads:
            t.join(TIMEOUT * 2)
        self.assertEqual(failures, [])
        log = self.log()
        self.assertEqual(len(log), 400)
        self.assertTrue(all(e["ended"] == "complete" for e in log))
        self.assertEqual(len({e["connection"] for e in log}), 8)

    def test_hostile_clients_do_not_hurt_the_server(self):
        self.set_routes({"/ok": {"body": "fine"}})
        answers = {
            b"GARBAGE\r\n\r\n": b"HTTP/1.1 400",
            b"GET /ok HTTP/9.9\r\n\r\n": b"HTTP/1.1 505",
            b"GET /" + b"a" * 70000 + b" HTTP/1.1\r\n\r\n": b"HTTP/1.1 414",
            b"GET /ok HTTP/1.1\r\nX: " + b"b" * 70000 + b"\r\n\r\n":
                b"HTTP/1.1 431",
            b"GET /ok HTTP/1.1\r\n" + b"X: y\r\n" * 200 + b"\r\n":
                b"HTTP/1.1 431",
            b"GET /ok HTTP/1.1\r\nContent-Length: zz\r\n\r\n":
                b"HTTP/1.1 200",
            b"GET /__control/log HTTP/1.1\r\nContent-Length: -1\r\n\r\n":
                b"HTTP/1.1 400",
            b"GET /__control/log HTTP/1.1\r\nContent-Length: \xb2\r\n\r\n":
                b"HTTP/1.1 400",
            b"GET /__control/log HTTP/1.1\r\nContent-Length: 1\r\n"
            b"Content-Length: 2\r\n\r\n": b"HTTP/1.1 400",
            b"GET /ok HTTP/1.1\r\nContent-Length: \xb2\r\n\r\n":
                b"HTTP/1.1 200",
            b"GET /__control/log?since=\xb2 HTTP/1.0\r\n\r\n":
                b"HTTP/1.1 400",
            b"GET /ok HTTP/1.1\r\nContent-Length: " + b"9" * 5000
            + b"\r\n\r\n": b"HTTP/1.1 200",
        }
        for request, start in answers.items():
            with self.subTest(request=request[:40]):
                data = self.raw(request)
                self.assertTrue(data.startswith(start), data[:100])
        # Half requests and silent connections.
        for partial in (b"", b"GET /ok HTT", b"GET /ok HTTP/1.1\r\nHost:",
                        b"POST /ok HTTP/1.1\r\nContent-Length: 100\r\n\r\nab"):
            sock = socket.create_connection(("127.0.0.1", self.port),
                                            timeout=TIMEOUT)
            sock.sendall(partial)
            sock.close()
        self.assertTrue(wait_until(
            lambda: self.counters()["in_flight"] == 0))
        self.assertEqual(self.get("/ok")[1], b"fine")
        ended = [e["ended"] for e in self.log() if e["method"] == "POST"]
        self.assertEqual(ended, ["client-closed"])


# ---------------------------------------------------------------------------

class LifeTests(unittest.TestCase):

    def test_only_127_0_0_1_is_accepted(self):
        for host in ("0.0.0.0", "localhost", "::1", "::", "", "127.0.0.2",
                     "192.168.1.1", None):
            with self.subTest(host=host):
                with self.assertRaises(ValueError):
                    testserver.TestServer(host=host)

    def test_binds_loopback_without_name_lookups(self):
        looked_up = []
        saved = (socket.getfqdn, socket.gethostbyaddr)
        socket.getfqdn = lambda *a: looked_up.append(a) or "x"
        socket.gethostbyaddr = lambda *a: looked_up.append(a) or ("x", [], [])
        try:
            server = testserver.TestServer().start()
        finally:
            socket.getfqdn, socket.gethostbyaddr = saved
        try:
            sockname = server._httpd.socket.getsockname()
            self.assertEqual(sockname[0], "127.0.0.1")
            self.assertNotEqual(sockname[1], 0)
            self.assertEqual(server.address, f"127.0.0.1:{sockname[1]}")
            self.assertEqual(looked_up, [])
        finally:
            server.stop()
        self.assertTrue(refused(server.address))

    def test_stop_ends_stalled_and_delayed_requests(self):
        server = testserver.TestServer().start()
        try:
            conn = http.client.HTTPConnection("127.0.0.1", server.port,
                                              timeout=TIMEOUT)
            conn.request("POST", "/__control/routes", body=json.dumps(
                {"routes": {"/s": {"body": "abcdef", "stall_after": 3},
                            "/d": {"delay": 60}}}))
            conn.getresponse().read()
            conn.close()
            socks = []
            for target in (b"/s", b"/d"):
                sock = socket.create_connection(("127.0.0.1", server.port),
                                                timeout=TIMEOUT)
                socks.append(sock)
                sock.sendall(b"GET " + target + b" HTTP/1.1\r\n\r\n")
            self.assertTrue(wait_until(
                lambda: server.state.counters()["in_flight"] == 2))
            start = time.monotonic()
            server.stop()
            self.assertLess(time.monotonic() - start, 2.0)
            for sock in socks:
                data = b""
                while True:
                    chunk = sock.recv(4096)
                    if not chunk:
                        break
                    data += chunk
                sock.close()
                self.assertFalse(data.endswith(b"abcdef"))
            self.assertTrue(wait_until(
                lambda: server.state.counters()["in_flight"] == 0))
            self.assertEqual(sorted(e["ended"] for e in
                                    server.state.log_entries(0)[0]),
                             ["server-closed", "server-closed"])
        finally:
            server.stop()

    def start_script(self, *args):
        proc = subprocess.Popen([sys.executable, SERVER_SCRIPT, *args],
                                stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.addCleanup(self.end_process, proc)
        return proc

    def end_process(self, proc):
        if proc.poll() is None:
            proc.kill()
        proc.wait(TIMEOUT)
        proc.stdout.close()
        proc.stderr.close()

    def test_script_refuses_other_addresses(self):
        for host in ("0.0.0.0", "localhost", "::1"):
            with self.subTest(host=host):
                proc = self.start_script("--host", host)
                out, err = proc.communicate(timeout=TIMEOUT)
                self.assertEqual(proc.returncode, 2)
                self.assertEqual(out, b"")
                self.assertIn(b"127.0.0.1", err)

    def test_script_prints_address_serves_and_stops_on_sigterm(self):
        proc = self.start_script()
        line = read_line(proc.stdout, TIMEOUT).decode()
        self.assertRegex(line, r"^127\.0\.0\.1:[1-9][0-9]*$")
        conn = http.client.HTTPConnection(*line.split(":"), timeout=TIMEOUT)
        conn.request("POST", "/__control/routes",
                     body=json.dumps({"routes": {"/x": {"body": "script"}}}))
        resp = conn.getresponse()
        self.assertEqual((resp.status, json.loads(resp.read())),
                         (200, {"ok": True, "routes": 1}))
        conn.request("GET", "/x")
        self.assertEqual(conn.getresponse().read(), b"script")
        conn.close()
        proc.send_signal(signal.SIGTERM)
        self.assertEqual(proc.wait(TIMEOUT), 0)
        self.assertTrue(refused(line))

    def test_stops_when_its_parent_ends(self):
        # The parent starts the server, passes on its pid and address, and
        # exits without stopping it.
        parent_code = textwrap.dedent(f"""
            import subprocess, sys
            p = subprocess.Popen([sys.executable, {SERVER_SCRIPT!r}],
                                 stdin=subprocess.DEVNULL,
                                 stdout=subprocess.PIPE)
            line = p.stdout.readline().decode().strip()
            print(p.pid, line, flush=True)
        """)
        parent = subprocess.run([sys.executable, "-c", parent_code],
                                stdout=subprocess.PIPE, timeout=TIMEOUT)
        self.assertEqual(parent.returncode, 0)
        pid_text, address = parent.stdout.decode().split()
        pid = int(pid_text)
        self.assertRegex(address, r"^127\.0\.0\.1:\d+$")
        try:
            self.assertTrue(wait_until(lambda: pid_gone(pid), 5.0),
                            "the server outlived its parent")
        finally:
            if not pid_gone(pid):
                os.kill(pid, signal.SIGKILL)
        self.assertTrue(refused(address))

    def test_stops_when_the_parent_pid_ends(self):
        sleeper = subprocess.Popen([sys.executable, "-c",
                                    "import time; time.sleep(30)"])
        self.addCleanup(lambda: (sleeper.kill(), sleeper.wait()))
        proc = self.start_script("--parent-pid", str(sleeper.pid))
        line = read_line(proc.stdout, TIMEOUT).decode()
        self.assertRegex(line, r"^127\.0\.0\.1:\d+$")
        time.sleep(0.5)
        self.assertIsNone(proc.poll(), "stopped while the parent lived")
        sleeper.kill()
        sleeper.wait()
        self.assertEqual(proc.wait(5.0), 0)

    def test_stops_after_the_idle_time(self):
        proc = self.start_script("--idle-timeout", "1.0")
        line = read_line(proc.stdout, TIMEOUT).decode()
        host, port = line.split(":")
        conn = http.client.HTTPConnection(host, int(port), timeout=TIMEOUT)
        conn.request("POST", "/__control/routes", body=json.dumps(
            {"routes": {"/slow": {"delay": 1.6, "body": "late"}}}))
        conn.getresponse().read()
        # Requests every 0.4 s keep it alive past its idle time ...
        for _ in range(4):
            time.sleep(0.4)
            conn.request("GET", "/__control/counters")
            conn.getresponse().read()
        self.assertIsNone(proc.poll())
        # ... and so does a request in progress.
        conn.request("GET", "/slow")
        self.assertEqual(conn.getresponse().read(), b"late")
        conn.close()
        self.assertIsNone(proc.poll())
        start = time.monotonic()
        self.assertEqual(proc.wait(5.0), 0)
        self.assertGreater(time.monotonic() - start, 0.5)


# ---------------------------------------------------------------------------

CHILD = textwrap.dedent("""
    import http.client, json, os, re, sys, time
    address = os.environ["QUILLMOOR_TEST_SERVER"]
    print(address, flush=True)
    assert re.fullmatch(r"127\\.0\\.0\\.1:[0-9]+", address), address
    host, port = address.split(":")
    conn = http.client.HTTPConnection(host, int(port), timeout=10)
    conn.request("POST", "/__control/routes",
                 body=json.dumps({"routes": {"/c": {"body": "child"}}}))
    assert conn.getresponse().read()
    conn.request("GET", "/c")
    assert conn.getresponse().read() == b"child"
    mode = sys.argv[1]
    if mode == "sleep":
        try:
            time.sleep(30)
        except KeyboardInterrupt:
            sys.exit(130)
    elif mode == "signal":
        import signal
        os.kill(os.getpid(), signal.SIGTERM)
        time.sleep(5)
    sys.exit(int(mode) if mode.isdigit() else 0)
""")


class RunWithServerTests(unittest.TestCase):

    def run_runner(self, *program, **kwargs):
        return subprocess.run([sys.executable, RUNNER_SCRIPT, "--", *program],
                              stdout=subprocess.PIPE, timeout=20, **kwargs)

    def test_passes_the_address_and_the_exit_code(self):
        for code in (0, 7):
            with self.subTest(code=code):
                result = self.run_runner(sys.executable, "-c", CHILD,
                                         str(code))
                self.assertEqual(result.returncode, code)
                address = result.stdout.decode().strip()
                self.assertRegex(address, r"^127\.0\.0\.1:\d+$")
                self.assertTrue(refused(address),
                                "the server outlived the run")

    def test_each_run_gets_its_own_server(self):
        first = self.run_runner(sys.executable, "-c", CHILD, "0")
        second = self.run_runner(sys.executable, "-c", CHILD, "0")
        self.assertEqual((first.returncode, second.returncode), (0, 0))
        env = dict(os.environ, QUILLMOOR_TEST_SERVER="127.0.0.1:1")
        third = self.run_runner(sys.executable, "-c", CHILD, "0", env=env)
        self.assertEqual(third.returncode, 0)
        self.assertNotEqual(third.stdout.strip(), b"127.0.0.1:1")

    def test_a_program_ended_by_a_signal_fails(self):
        result = self.run_runner(sys.executable, "-c", CHILD, "signal")
        self.assertEqual(result.returncode, 128 + signal.SIGTERM)
        self.assertTrue(refused(result.stdout.decode().strip()))

    def test_missing_program_and_usage(self):
        result = self.run_runner("/nonexistent/quillmoor-test-program",
                                 stderr=subprocess.PIPE)
        self.assertEqual(result.returncode, 127)
        self.assertIn(b"cannot run", result.stderr)
        result = subprocess.run([sys.executable, RUNNER_SCRIPT, "--"],
                                stderr=subprocess.PIPE, timeout=20)
        self.assertEqual(result.returncode, 126)

    def run_and_signal(self, send):
        proc = subprocess.Popen([sys.executable, RUNNER_SCRIPT, "--",
                                 sys.executable, "-c", CHILD, "sleep"],
                                stdout=subprocess.PIPE,
                                start_new_session=True)
        try:
            address = read_line(proc.stdout, TIMEOUT).decode()
            self.assertRegex(address, r"^127\.0\.0\.1:\d+$")
            time.sleep(0.3)           # let the child finish its requests
            self.assertFalse(refused(address))
            start = time.monotonic()
            send(proc)
            code = proc.wait(TIMEOUT)
            self.assertLess(time.monotonic() - start, 8.0)
            self.assertTrue(refused(address))
            return code
        finally:
            if proc.poll() is None:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
            proc.stdout.close()

    def test_ctrl_c_stops_program_and_server(self):
        # A terminal's Ctrl+C reaches the whole process group.
        code = self.run_and_signal(
            lambda p: os.killpg(p.pid, signal.SIGINT))
        self.assertEqual(code, 128 + signal.SIGINT)

    def test_sigterm_stops_program_and_server(self):
        code = self.run_and_signal(lambda p: p.send_signal(signal.SIGTERM))
        self.assertEqual(code, 128 + signal.SIGTERM)


if __name__ == "__main__":
    unittest.main()
