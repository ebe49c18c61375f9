#!/usr/bin/env python3
"""Quillmoor's HTTP test server: a scripted web server on 127.0.0.1.

The server answers only from its route table and only on 127.0.0.1 (an
ephemeral port).  It never opens a connection itself, also when a client uses
it as a proxy: a proxy-form target ("GET http://www.site.test/a.jpg") is just
another key of the route table.  It stops by itself after a stretch without
requests (10 minutes when run as a script) and when its parent process ends.

Use
---
As a script:  testserver.py [--idle-timeout SECONDS] [--parent-pid PID]
    Prints "127.0.0.1:<port>" on one line of stdout once it is listening,
    then serves until SIGTERM/SIGINT, the idle time-out or the end of its
    parent (the process that started it, and --parent-pid if given).
    --host exists only to be refused: anything but 127.0.0.1 is an error.

As a module:
    server = TestServer().start()     # or: with TestServer() as server:
    server.address                    # "127.0.0.1:<port>"
    server.stop()

Routes
------
A route is keyed by the request target exactly as received on the request
line: path and query for direct requests ("/a/b.jpg?x=1"), the absolute
target in proxy form ("http://www.site.test/a.jpg").  Bytes above 0x7F in a
target compare as Latin-1 characters.  A target not in the table is answered
with 404 "Not found\\n".  Any method is accepted; HEAD gets the headers the
GET would get and no body.

A route is a JSON object; every key is optional:

  "status": 200                 status code (100..999)
  "reason": "OK"                reason phrase (default: the usual one)
  "headers": [["Name", "value"], ...]  or  {"Name": "value", ...}
                                sent in this order.  Content-Length,
                                Transfer-Encoding and Connection are set
                                through the keys below, not here.
  Body, at most one of (default: empty):
  "body": "text"                UTF-8 text
  "body_base64": "..."          bytes
  "generate": {"kind": "pattern", "pattern": "abc", "size": N}
              {"kind": "pattern", "pattern_base64": "...", "size": N}
                                the pattern repeated, cut at N bytes
              {"kind": "random", "seed": S, "size": N}
                                N pseudo-random bytes: block k (k = 0, 1, ...)
                                of 65,536 bytes is SHAKE-256 of the ASCII
                                text "quillmoor-random:<S>:<k>" (65,536 bytes
                                of output); the body is the blocks in order,
                                cut at N.  Generated bodies are streamed in
                                64 KiB blocks, never held whole in memory.
  "counter": true               body is the decimal count of requests to this
                                route so far ("1", then "2", ...)
  "content_length": null|false|number|"text"
                                absent/null: the true length (left out when
                                chunked); false: left out; anything else is
                                sent as given ("abc", "-5", 100000).  When the
                                header is missing or false and the body is
                                not chunked, the connection closes after the
                                body, so the client always sees its end.
  "chunked": 1000               chunked transfer in chunks of this size
                                (0 or false: off)
  "delay": 1.5                  seconds to wait before the status line
  "stall_after": N              stop sending after N body bytes ...
  "stall_seconds": 60           ... for this long, then go on; without
                                "stall_seconds" (or null) until the client
                                closes (a client that half-closes counts as
                                closed)
  "close_after": N              close the connection after N body bytes
  "set_cookie": "sid=42" | ["a=1", "b=2"]   Set-Cookie header(s)
  "location": "/elsewhere"      Location header (use with "status": 301)
  "auth": {"user": "u", "password": "p", "realm": "Quillmoor"}
                                Basic login: a request without
                                "Authorization: Basic base64(user:password)"
                                (UTF-8) gets 401 with
                                'WWW-Authenticate: Basic realm="<realm>"'
  "keep_alive": false           close the connection after this response
  "sequence": [route, route, ...]
                                responses served in turn, the last one
                                repeating; each element inherits the keys of
                                the route around it (its own keys win; a body
                                key replaces the inherited body).  Elements
                                may not hold "sequence" or "auth".
  "raw": "text" | [part, ...]   send these bytes instead of a response, then
                                close.  A part is a string (Latin-1 bytes),
                                {"base64": "..."} or
                                {"pattern": "a", "size": N} (also
                                "pattern_base64"), streamed.  "raw" wins over
                                every other key except "delay".
  "close_before": true          close without sending anything (after
                                "delay")

Server-wide defaults hold "delay", "headers", "chunked" and "keep_alive";
they apply to every response, 404 and 401 included.  A route's own key wins,
except "headers": the default headers are sent first, then the route's.

Control endpoints
-----------------
Relative targets under "/__control/" only (a proxy-form target is never a
control request).  They are not logged and not counted, but do count as
activity for the idle time-out.  They work with HTTP/1.0 + Content-Length +
Connection: close as well as with HTTP/1.1 keep-alive.  Every answer is JSON
with Content-Length; failures are {"ok": false, "error": "text"} with status
400 (bad request or route), 404 (unknown endpoint), 405 (wrong method) or 413
(body over 64 MiB).

  POST /__control/routes   {"routes": {"<target>": route, ...},
                            "replace": false, "defaults": {...}}
      Adds the routes (a route that is set again starts afresh: its request
      count and sequence position go back to 0).  "replace": true drops every
      other route first.  "defaults", when present, replaces the server-wide
      defaults ({} or null clears them).  All keys are optional; nothing
      changes when anything in the request is invalid.
      -> 200 {"ok": true, "routes": <number of routes now>}
  GET  /__control/routes
      -> 200 {"ok": true, "routes": {...as set...}, "defaults": {...}}
  POST /__control/reset    (also GET; body ignored)
      Drops routes and defaults, empties the log, zeroes the counters.
      -> 200 {"ok": true}
  POST /__control/clear    (also GET; body ignored)
      Empties the log and zeroes the counters; keeps routes and defaults.
      -> 200 {"ok": true}
  GET  /__control/log      (optional query "?since=<id>": entries after id)
      -> 200 {"ok": true, "dropped": <entries dropped over the cap>,
              "requests": [entry, ...]}   oldest first, where entry is
         {"id": 1,                      1, 2, ... since the last reset
          "connection": 1,              number of the connection it came on
                                        (1, 2, ... since the last reset or
                                        clear; equal numbers = same
                                        connection)
          "method": "GET",
          "target": "/a.jpg",
          "version": "HTTP/1.1",
          "headers": [["Host", "127.0.0.1:5000"], ...],  as received
          "arrival": 0.125,             seconds since the server started
          "end": 0.250,                 null while in progress
          "status": 200,                status line's code; null when the
                                        server never got to one (raw,
                                        close_before, closed in the delay)
          "body_bytes": 1234,           body bytes sent (raw: all bytes)
          "ended": "complete" | "client-closed" | "server-closed"
                   | "in-progress"}
  GET  /__control/counters
      -> 200 {"ok": true, "in_flight": 0, "max_in_flight": 8,
              "requests": 400, "connections": 8}
         in_flight: requests being answered now; max_in_flight: its maximum
         since the last reset or clear; requests: logged requests since
         then; connections: connections that carried at least one of them
         (so 400 requests over 8 kept-alive connections give 8).
  The log and counters answers first wait (up to 2 s) for requests that are
  writing the last bytes of their responses, so a client that has read a
  whole response finds its request ended ("complete" or otherwise).
"""

import argparse
import base64
import binascii
import hashlib
import http.server
import json
import math
import os
import re
import select
import signal
import socket
import socketserver
import sys
import threading
import time
import traceback

LOOPBACK = "127.0.0.1"
BLOCK = 64 * 1024
CONTROL_PREFIX = "/__control/"
DEFAULT_IDLE_TIMEOUT = 600.0
# A connection that neither sends nor accepts anything for this long is dropped.
CONNECTION_TIMEOUT = 300.0
MAX_CONTROL_BODY = 64 * 1024 * 1024
MAX_LOG_ENTRIES = 50000
WATCH_INTERVAL = 0.2
SETTLE_TIMEOUT = 2.0

_TOKEN = re.compile(r"^[!#$%&'*+\-.^_`|~0-9A-Za-z]+$")
# A plain decimal count (str.isdigit would let through "²" and the like).
_COUNT = re.compile(r"[0-9]{1,18}")
_FRAMING_HEADERS = {"content-length", "transfer-encoding", "connection"}
_ROUTE_KEYS = {
    "status", "reason", "headers", "body", "body_base64", "generate",
    "counter", "content_length", "chunked", "delay", "stall_after",
    "stall_seconds", "close_after", "set_cookie", "location", "auth",
    "keep_alive", "sequence", "raw", "close_before",
}
_DEFAULT_KEYS = {"delay", "headers", "chunked", "keep_alive"}
_BODY_KEYS = ("body", "body_base64", "generate", "counter")


class RouteError(ValueError):
    """A route or control request that cannot be used."""


class _ServerClose(Exception):
    """The server ends the connection on purpose."""


class _ClientClose(Exception):
    """The client has closed the connection."""


# ---------------------------------------------------------------------------
# Route checking: every route is checked and normalised when it is set, so a
# bad route is refused at once instead of failing in the middle of a test.

def _fail(where, text):
    raise RouteError(f"{where}: {text}")


def _is_int(value):
    return isinstance(value, int) and not isinstance(value, bool)


def _is_number(value):
    return (isinstance(value, (int, float)) and not isinstance(value, bool)
            and math.isfinite(value))


def _count(rule, key, where):
    value = rule[key]
    if not _is_int(value) or value < 0:
        _fail(where, f'"{key}" must be a whole number >= 0')
    return value


def _seconds(rule, key, where):
    value = rule[key]
    if not _is_number(value) or value < 0 or value > 86400:
        _fail(where, f'"{key}" must be a number of seconds from 0 to 86400')
    return float(value)


def _line_text(value, where, what):
    """Text that goes into a header or status line: Latin-1, no CR/LF/NUL."""
    if not isinstance(value, str):
        _fail(where, f"{what} must be a string")
    if any(c in value for c in "\r\n\0"):
        _fail(where, f"{what} may not hold CR, LF or NUL")
    try:
        value.encode("latin-1")
    except UnicodeEncodeError:
        _fail(where, f"{what} must be Latin-1 text")
    return value


def _b64(value, where, what):
    if not isinstance(value, str):
        _fail(where, f"{what} must be a base64 string")
    try:
        return base64.b64decode(value.encode("ascii"), validate=True)
    except (binascii.Error, UnicodeEncodeError, ValueError):
        _fail(where, f"{what} is not valid base64")


def _pattern(rule, where):
    has_text = "pattern" in rule
    has_b64 = "pattern_base64" in rule
    if has_text == has_b64:
        _fail(where, 'give exactly one of "pattern" and "pattern_base64"')
    if has_text:
        if not isinstance(rule["pattern"], str):
            _fail(where, '"pattern" must be a string')
        data = rule["pattern"].encode("utf-8")
    else:
        data = _b64(rule["pattern_base64"], where, '"pattern_base64"')
    if not data:
        _fail(where, "the pattern may not be empty")
    return data


def _check_generate(rule, where):
    where = where + ".generate"
    if not isinstance(rule, dict):
        _fail(where, "must be an object")
    kind = rule.get("kind")
    if "size" not in rule:
        _fail(where, '"size" is missing')
    size = _count(rule, "size", where)
    if kind == "pattern":
        extra = set(rule) - {"kind", "size", "pattern", "pattern_base64"}
        if extra:
            _fail(where, f"unknown keys {sorted(extra)}")
        return ("pattern", _pattern(rule, where), size)
    if kind == "random":
        extra = set(rule) - {"kind", "size", "seed"}
        if extra:
            _fail(where, f"unknown keys {sorted(extra)}")
        seed = rule.get("seed", 0)
        if not _is_int(seed):
            _fail(where, '"seed" must be a whole number')
        return ("random", seed, size)
    _fail(where, '"kind" must be "pattern" or "random"')


def _check_raw(value, where):
    where = where + ".raw"
    parts = [value] if isinstance(value, str) else value
    if not isinstance(parts, list):
        _fail(where, "must be a string or a list of parts")
    out = []
    for i, part in enumerate(parts):
        here = f"{where}[{i}]"
        if isinstance(part, str):
            try:
                out.append(("bytes", part.encode("latin-1")))
            except UnicodeEncodeError:
                _fail(here, "text parts must be Latin-1")
        elif isinstance(part, dict) and set(part) == {"base64"}:
            out.append(("bytes", _b64(part["base64"], here, '"base64"')))
        elif isinstance(part, dict) and "size" in part:
            extra = set(part) - {"size", "pattern", "pattern_base64"}
            if extra:
                _fail(here, f"unknown keys {sorted(extra)}")
            out.append(("pattern", _pattern(part, here),
                        _count(part, "size", here)))
        else:
            _fail(here, 'a part is a string, {"base64": ...} or '
                        '{"pattern": ..., "size": N}')
    return out


def _check_headers(value, where):
    where = where + ".headers"
    if isinstance(value, dict):
        pairs = list(value.items())
    elif isinstance(value, list):
        pairs = []
        for item in value:
            if not isinstance(item, list) or len(item) != 2:
                _fail(where, 'a header is a ["Name", "value"] pair')
            pairs.append((item[0], item[1]))
    else:
        _fail(where, "must be a list of pairs or an object")
    out = []
    for name, val in pairs:
        if not isinstance(name, str) or not _TOKEN.match(name):
            _fail(where, f"bad header name {name!r}")
        if name.lower() in _FRAMING_HEADERS:
            _fail(where, f"{name} is set with content_length, chunked or "
                         f"keep_alive")
        out.append((name, _line_text(val, where, f"the value of {name}")))
    return out


def check_route(rule, where="route", nested=False):
    """Checks a route and returns its normalised form (body under "_body")."""
    if not isinstance(rule, dict):
        _fail(where, "a route must be an object")
    unknown = set(rule) - _ROUTE_KEYS
    if unknown:
        _fail(where, f"unknown keys {sorted(unknown)}")
    out = {}
    if "status" in rule:
        status = rule["status"]
        if not _is_int(status) or not 100 <= status <= 999:
            _fail(where, '"status" must be a number from 100 to 999')
        out["status"] = status
    if "reason" in rule:
        out["reason"] = _line_text(rule["reason"], where, '"reason"')
    if "headers" in rule:
        out["headers"] = _check_headers(rule["headers"], where)

    bodies = [k for k in _BODY_KEYS
              if k in rule and not (k == "counter" and rule[k] is False)]
    if len(bodies) > 1:
        _fail(where, f"give at most one body key, not {bodies}")
    if "body" in rule:
        if not isinstance(rule["body"], str):
            _fail(where, '"body" must be a string')
        out["_body"] = ("bytes", rule["body"].encode("utf-8"))
    if "body_base64" in rule:
        out["_body"] = ("bytes", _b64(rule["body_base64"], where,
                                      '"body_base64"'))
    if "generate" in rule:
        out["_body"] = _check_generate(rule["generate"], where)
    if "counter" in rule:
        if not isinstance(rule["counter"], bool):
            _fail(where, '"counter" must be true or false')
        if rule["counter"]:
            out["_body"] = ("counter",)

    if "content_length" in rule:
        value = rule["content_length"]
        if value is True or not (value is None or value is False
                                 or _is_int(value) or isinstance(value, str)):
            _fail(where, '"content_length" must be null, false, a number '
                         'or a string')
        if isinstance(value, str):
            _line_text(value, where, '"content_length"')
        if value is not None:
            out["content_length"] = value
    if "chunked" in rule:
        value = rule["chunked"]
        if value is False:
            value = 0
        if not _is_int(value) or value < 0:
            _fail(where, '"chunked" must be a chunk size >= 1, 0 or false')
        out["chunked"] = value
    if "delay" in rule:
        out["delay"] = _seconds(rule, "delay", where)
    if "stall_after" in rule:
        out["stall_after"] = _count(rule, "stall_after", where)
    if "stall_seconds" in rule:
        if "stall_after" not in rule:
            _fail(where, '"stall_seconds" needs "stall_after"')
        if rule["stall_seconds"] is not None:
            out["stall_seconds"] = _seconds(rule, "stall_seconds", where)
    if "close_after" in rule:
        out["close_after"] = _count(rule, "close_after", where)
    if "set_cookie" in rule:
        value = rule["set_cookie"]
        cookies = [value] if isinstance(value, str) else value
        if not isinstance(cookies, list):
            _fail(where, '"set_cookie" must be a string or a list of strings')
        out["set_cookie"] = [_line_text(c, where, '"set_cookie"')
                             for c in cookies]
    if "location" in rule:
        out["location"] = _line_text(rule["location"], where, '"location"')
    if "auth" in rule:
        if nested:
            _fail(where, '"auth" belongs to the route, not to an element')
        auth = rule["auth"]
        if (not isinstance(auth, dict) or set(auth) - {"user", "password",
                                                        "realm"}
                or not isinstance(auth.get("user"), str)
                or not isinstance(auth.get("password"), str)):
            _fail(where, '"auth" must be {"user": ..., "password": ..., '
                         '"realm": ...}')
        realm = auth.get("realm", "Quillmoor")
        _line_text(realm, where, '"realm"')
        if '"' in realm or "\\" in realm:
            _fail(where, '"realm" may not hold quotes or backslashes')
        out["auth"] = (auth["user"], auth["password"], realm)
    for key in ("keep_alive", "close_before"):
        if key in rule:
            if not isinstance(rule[key], bool):
                _fail(where, f'"{key}" must be true or false')
            out[key] = rule[key]
    if "raw" in rule:
        out["raw"] = _check_raw(rule["raw"], where)
    if "sequence" in rule:
        if nested:
            _fail(where, "a sequence element may not hold a sequence")
        seq = rule["sequence"]
        if not isinstance(seq, list) or not seq:
            _fail(where, '"sequence" must be a non-empty list of routes')
        out["sequence"] = [check_route(item, f"{where}.sequence[{i}]", True)
                           for i, item in enumerate(seq)]
    return out


def check_defaults(rule):
    if rule is None:
        return {}
    if not isinstance(rule, dict):
        _fail("defaults", "must be an object")
    extra = set(rule) - _DEFAULT_KEYS
    if extra:
        _fail("defaults", f"only {sorted(_DEFAULT_KEYS)} may be defaults, "
                          f"not {sorted(extra)}")
    return check_route(rule, "defaults", nested=True)


def check_target(target):
    if not isinstance(target, str) or not target:
        _fail("routes", "a target must be a non-empty string")
    if any(c.isspace() or ord(c) < 0x20 or ord(c) == 0x7F for c in target):
        _fail("routes", f"target {target!r} holds blanks or control "
                        "characters, so no request line can carry it")
    if ord(max(target)) > 0xFF:
        _fail("routes", f"target {target!r} is not Latin-1 text")
    if target.startswith(CONTROL_PREFIX):
        _fail("routes", f"{CONTROL_PREFIX} targets are control endpoints")


# ---------------------------------------------------------------------------
# Body sources: offset-addressed readers, so bodies are produced block by
# block as they are sent.

class _BytesSource:
    def __init__(self, data):
        self.view = memoryview(data)
        self.size = len(data)

    def read(self, offset, count):
        return self.view[offset:offset + count]


class _PatternSource:
    def __init__(self, pattern, size):
        self.size = size
        self.period = len(pattern)
        # Enough repeats that any block of BLOCK bytes is one slice.
        self.view = memoryview(pattern * (BLOCK // self.period + 2))

    def read(self, offset, count):
        count = min(count, BLOCK)
        start = offset % self.period
        return self.view[start:start + count]


RANDOM_BLOCK = 65536


def random_block(seed, index):
    """Block `index` of the seeded pseudo-random body (RANDOM_BLOCK bytes)."""
    text = f"quillmoor-random:{seed}:{index}".encode("ascii")
    return hashlib.shake_256(text).digest(RANDOM_BLOCK)


class _RandomSource:
    def __init__(self, seed, size):
        self.seed = seed
        self.size = size
        self.index = -1
        self.block = b""

    def read(self, offset, count):
        index, start = divmod(offset, RANDOM_BLOCK)
        if index != self.index:
            self.block = memoryview(random_block(self.seed, index))
            self.index = index
        return self.block[start:start + min(count, RANDOM_BLOCK - start)]


def _make_source(body, hits):
    if body is None:
        return _BytesSource(b"")
    kind = body[0]
    if kind == "bytes":
        return _BytesSource(body[1])
    if kind == "pattern":
        return _PatternSource(body[1], body[2])
    if kind == "random":
        return _RandomSource(body[1], body[2])
    return _BytesSource(str(hits).encode("ascii"))          # counter


# ---------------------------------------------------------------------------
# Shared state: routes, log and counters, behind one lock.

class _Route:
    def __init__(self, original, rule):
        self.original = original
        self.rule = rule
        self.hits = 0          # requests to this route, for "counter"
        self.served = 0        # responses past the login, for "sequence"


def _reason(status):
    try:
        return http.HTTPStatus(status).phrase
    except ValueError:
        return "Unknown"


def _basic_ok(header, user, password):
    if not header:
        return False
    scheme, _, value = header.strip().partition(" ")
    if scheme.lower() != "basic":
        return False
    try:
        given = base64.b64decode(value.strip().encode("ascii"), validate=True)
    except (binascii.Error, UnicodeEncodeError, ValueError):
        return False
    return given == f"{user}:{password}".encode("utf-8")


class ServerState:
    def __init__(self):
        self.lock = threading.Lock()
        self.stopping = threading.Event()
        self.started = time.monotonic()
        self.last_activity = self.started
        self.routes = {}
        self.defaults = {}
        self.defaults_original = {}
        self.open_sockets = set()
        self.changed = threading.Condition(self.lock)
        self.active = {}               # id -> log entry of requests in flight
        self.in_flight = 0
        self._clear_log()

    def _clear_log(self):
        self.epoch = getattr(self, "epoch", 0) + 1
        self.log = []
        self.dropped = 0
        self.next_id = 1
        self.next_connection = 1
        self.requests = 0
        self.connections = 0
        self.max_in_flight = self.in_flight

    def now(self):
        return round(time.monotonic() - self.started, 6)

    def touch(self):
        with self.lock:
            self.last_activity = time.monotonic()

    def idle_for(self):
        with self.lock:
            if self.in_flight:
                return 0.0
            return time.monotonic() - self.last_activity

    def wait(self, seconds):
        """Sleeps; True when the server is stopping."""
        return self.stopping.wait(seconds)

    # connections -----------------------------------------------------------
    def connection_opened(self, sock):
        with self.lock:
            self.open_sockets.add(sock)

    def connection_closed(self, sock):
        with self.lock:
            self.open_sockets.discard(sock)

    def close_all_connections(self):
        with self.lock:
            sockets = list(self.open_sockets)
        for sock in sockets:
            try:
                sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    # control ----------------------------------------------------------------
    def set_routes(self, request):
        if not isinstance(request, dict):
            _fail("request", "must be a JSON object")
        extra = set(request) - {"routes", "replace", "defaults"}
        if extra:
            _fail("request", f"unknown keys {sorted(extra)}")
        replace = request.get("replace", False)
        if not isinstance(replace, bool):
            _fail("request", '"replace" must be true or false')
        given = request.get("routes", {})
        if given is None:
            given = {}
        if not isinstance(given, dict):
            _fail("routes", 'must be an object {"<target>": route}')
        checked = {}
        for target, rule in given.items():
            check_target(target)
            checked[target] = _Route(rule, check_route(rule, target))
        set_defaults = "defaults" in request
        defaults = check_defaults(request.get("defaults"))
        with self.lock:
            if replace:
                self.routes = {}
            self.routes.update(checked)
            if set_defaults:
                self.defaults = defaults
                self.defaults_original = request.get("defaults") or {}
            return len(self.routes)

    def route_table(self):
        with self.lock:
            return ({t: r.original for t, r in self.routes.items()},
                    self.defaults_original)

    def reset(self):
        with self.lock:
            self.routes = {}
            self.defaults = {}
            self.defaults_original = {}
            self._clear_log()

    def clear(self):
        with self.lock:
            self._clear_log()

    def _settle(self):
        # A client may hold a whole response a moment before its request is
        # marked ended; a request writing its last bytes is waited for (not
        # for ever: its client may not be reading), so a client that has
        # read a response never finds it in progress.  Called locked.
        deadline = time.monotonic() + SETTLE_TIMEOUT
        while any(e.get("_finishing") for e in self.active.values()):
            left = deadline - time.monotonic()
            if left <= 0:
                break
            self.changed.wait(left)

    def log_entries(self, since):
        with self.lock:
            self._settle()
            return ([{k: v for k, v in e.items() if not k.startswith("_")}
                     for e in self.log if e["id"] > since], self.dropped)

    def counters(self):
        with self.lock:
            self._settle()
            return {"in_flight": self.in_flight,
                    "max_in_flight": self.max_in_flight,
                    "requests": self.requests,
                    "connections": self.connections}

    # requests ---------------------------------------------------------------
    def begin_request(self, connection, method, target, version, headers):
        """Logs a request; `connection` is the handler's own record."""
        with self.lock:
            # A connection is numbered and counted at its first logged
            # request since the last reset or clear.
            if connection["epoch"] != self.epoch:
                connection["epoch"] = self.epoch
                connection["number"] = self.next_connection
                self.next_connection += 1
                self.connections += 1
            entry = {"id": self.next_id, "connection": connection["number"],
                     "method": method, "target": target, "version": version,
                     "headers": [[k, v] for k, v in headers],
                     "arrival": self.now(), "end": None, "status": None,
                     "body_bytes": 0, "ended": "in-progress",
                     # Present from the start: handlers set it unlocked, and
                     # a key added then could break a reader's copy.
                     "_finishing": False}
            self.next_id += 1
            self.requests += 1
            self.log.append(entry)
            if len(self.log) > MAX_LOG_ENTRIES:
                del self.log[0]
                self.dropped += 1
            self.active[id(entry)] = entry
            self.in_flight += 1
            self.max_in_flight = max(self.max_in_flight, self.in_flight)
            self.last_activity = time.monotonic()
            return entry

    def end_request(self, entry, ended):
        with self.lock:
            entry["end"] = self.now()
            entry["ended"] = ended
            entry["_finishing"] = False
            del self.active[id(entry)]
            self.in_flight -= 1
            self.last_activity = time.monotonic()
            self.changed.notify_all()

    def pick_response(self, target, authorization):
        """The effective rule for one request, and the route's count."""
        with self.lock:
            route = self.routes.get(target)
            defaults = self.defaults
            hits = 0
            if route is None:
                rule = {"status": 404, "_body": ("bytes", b"Not found\n")}
            else:
                route.hits += 1
                hits = route.hits
                rule = route.rule
                auth = rule.get("auth")
                if auth and not _basic_ok(authorization, auth[0], auth[1]):
                    rule = {"status": 401,
                            "headers": [("WWW-Authenticate",
                                         f'Basic realm="{auth[2]}"')],
                            "_body": ("bytes", b"Unauthorized\n")}
                elif "sequence" in rule:
                    seq = rule["sequence"]
                    element = seq[min(route.served, len(seq) - 1)]
                    route.served += 1
                    base = {k: v for k, v in rule.items()
                            if k not in ("sequence", "auth")}
                    merged = dict(base)
                    merged.update(element)
                    merged["headers"] = (base.get("headers", [])
                                         + element.get("headers", []))
                    rule = merged
                else:
                    route.served += 1
        effective = {k: v for k, v in defaults.items() if k != "headers"}
        effective.update(rule)
        effective["headers"] = (defaults.get("headers", [])
                                + rule.get("headers", []))
        return effective, hits


# ---------------------------------------------------------------------------
# The request handler.

class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    # Error answers to unreadable request lines still get a status line.
    default_request_version = "HTTP/1.0"
    server_version = "QuillmoorTestServer"
    timeout = CONNECTION_TIMEOUT

    def setup(self):
        super().setup()
        self.state = self.server.state
        try:
            self.connection.setsockopt(socket.IPPROTO_TCP,
                                       socket.TCP_NODELAY, 1)
        except OSError:
            pass
        self.connection_record = {"epoch": None, "number": 0}
        self.state.connection_opened(self.connection)

    def finish(self):
        try:
            super().finish()
        except OSError:
            pass
        finally:
            self.state.connection_closed(self.connection)

    def log_message(self, format, *args):
        if self.server.verbose:
            sys.stderr.write("testserver: %s - %s\n"
                             % (self.address_string(), format % args))

    def handle_one_request(self):
        try:
            self.raw_requestline = self.rfile.readline(65537)
            if len(self.raw_requestline) > 65536:
                self.requestline = ""
                self.request_version = ""
                self.command = ""
                self.send_error(http.HTTPStatus.REQUEST_URI_TOO_LONG)
                return
            if not self.raw_requestline:
                self.close_connection = True
                return
            if not self.parse_request():
                return
            self.state.touch()
            # The target exactly as it came: self.path has "//" folded.
            self.target = self.requestline.split()[1]
            if self.target.startswith(CONTROL_PREFIX):
                self._control()
            else:
                self._route()
        except (TimeoutError, OSError):
            self.close_connection = True

    # request bodies ---------------------------------------------------------
    def _request_length(self):
        """Content-Length of the request body; None when it is unusable."""
        if self.headers.get("Transfer-Encoding"):
            return None
        values = self.headers.get_all("Content-Length") or []
        if not values:
            return 0
        if len(set(v.strip() for v in values)) != 1:
            return None
        text = values[0].strip()
        if not _COUNT.fullmatch(text):
            return None
        return int(text)

    def _discard_body(self, length):
        while length > 0:
            data = self.rfile.read(min(length, BLOCK))
            if not data:
                raise _ClientClose()
            length -= len(data)

    # control endpoints -------------------------------------------------------
    def _send_json(self, status, obj):
        body = json.dumps(obj).encode("utf-8")
        head = [f"HTTP/1.1 {status} {_reason(status)}",
                "Content-Type: application/json",
                f"Content-Length: {len(body)}"]
        if self.close_connection:
            head.append("Connection: close")
        elif self.request_version == "HTTP/1.0":
            head.append("Connection: keep-alive")
        data = ("\r\n".join(head) + "\r\n\r\n").encode("latin-1")
        if self.command != "HEAD":
            data += body
        self.connection.sendall(data)

    def _control(self):
        length = self._request_length()
        if length is None:
            self.close_connection = True
            self._send_json(400, {"ok": False, "error":
                                  "control requests need a plain "
                                  "Content-Length"})
            return
        if length > MAX_CONTROL_BODY:
            self.close_connection = True
            self._send_json(413, {"ok": False, "error": "body too large"})
            return
        body = self.rfile.read(length) if length else b""
        if len(body) != length:
            self.close_connection = True
            return
        path, _, query = self.target.partition("?")
        name = path[len(CONTROL_PREFIX):]
        method = self.command
        state = self.state
        try:
            if name == "routes" and method == "POST":
                try:
                    request = json.loads(body.decode("utf-8")) if body else {}
                except (UnicodeDecodeError, json.JSONDecodeError,
                        RecursionError) as e:
                    raise RouteError(f"the body is not JSON: {e}")
                count = state.set_routes(request)
                self._send_json(200, {"ok": True, "routes": count})
            elif name == "routes" and method in ("GET", "HEAD"):
                routes, defaults = state.route_table()
                self._send_json(200, {"ok": True, "routes": routes,
                                      "defaults": defaults})
            elif name == "reset" and method in ("GET", "POST"):
                state.reset()
                self._send_json(200, {"ok": True})
            elif name == "clear" and method in ("GET", "POST"):
                state.clear()
                self._send_json(200, {"ok": True})
            elif name == "log" and method in ("GET", "HEAD"):
                since = 0
                for field in query.split("&") if query else []:
                    key, _, value = field.partition("=")
                    if key == "since":
                        if not _COUNT.fullmatch(value):
                            raise RouteError('"since" must be a number')
                        since = int(value)
                entries, dropped = state.log_entries(since)
                self._send_json(200, {"ok": True, "dropped": dropped,
                                      "requests": entries})
            elif name == "counters" and method in ("GET", "HEAD"):
                self._send_json(200, dict(ok=True, **state.counters()))
            elif name in ("routes", "reset", "clear", "log", "counters"):
                self._send_json(405, {"ok": False, "error":
                                      f"{method} not allowed on {path}"})
            else:
                self._send_json(404, {"ok": False, "error":
                                      f"no control endpoint {path}"})
        except RouteError as e:
            self._send_json(400, {"ok": False, "error": str(e)})

    # routes -----------------------------------------------------------------
    def _route(self):
        length = self._request_length()
        if length is None:
            # No way to find the end of this request's body: answer it, then
            # drop the connection rather than read its body as a request.
            self.close_connection = True
            length = 0
        state = self.state
        entry = state.begin_request(self.connection_record, self.command,
                                    self.target, self.request_version,
                                    self.headers.items())
        self.entry = entry
        ended = "complete"
        try:
            self._discard_body(length)
            rule, hits = state.pick_response(
                self.target, self.headers.get("Authorization"))
            self._respond(rule, hits, entry)
        except _ServerClose:
            ended = "server-closed"
        except _ClientClose:
            ended = "client-closed"
        except (TimeoutError, socket.timeout):
            ended = "server-closed"       # gave up on a client that stopped
        except OSError:
            ended = "server-closed" if state.stopping.is_set() \
                else "client-closed"
        except Exception:
            traceback.print_exc()
            ended = "server-closed"
        finally:
            if ended != "complete":
                self.close_connection = True
            state.end_request(entry, ended)

    def _send(self, data, entry=None, last=False):
        """Sends bytes; `entry` counts them as body bytes.  `last` marks the
        end of the response, for the log readers (see _settle)."""
        if last:
            self.entry["_finishing"] = True
        self.connection.sendall(data)
        if entry is not None:
            entry["body_bytes"] += len(data)

    def _respond(self, rule, hits, entry):
        delay = rule.get("delay", 0.0)
        if delay and self.state.wait(delay):
            raise _ServerClose()
        if "raw" in rule:
            for part in rule["raw"]:
                source = (_BytesSource(part[1]) if part[0] == "bytes"
                          else _PatternSource(part[1], part[2]))
                offset = 0
                while offset < source.size:
                    data = source.read(offset, min(BLOCK, source.size - offset))
                    self._send(data, entry)
                    offset += len(data)
            raise _ServerClose()
        if rule.get("close_before"):
            raise _ServerClose()

        status = rule.get("status", 200)
        reason = rule.get("reason", _reason(status))
        body = rule.get("_body")
        source = _make_source(body, hits)
        size = source.size
        is_head = self.command == "HEAD"
        chunk = rule.get("chunked", 0)

        headers = list(rule["headers"])
        for cookie in rule.get("set_cookie", []):
            headers.append(("Set-Cookie", cookie))
        if "location" in rule:
            headers.append(("Location", rule["location"]))
        exact = True                      # can the client find the body's end?
        announced = rule.get("content_length")
        if announced is None:
            if not chunk:
                headers.append(("Content-Length", str(size)))
        elif announced is False:
            exact = bool(chunk)
        else:
            headers.append(("Content-Length", str(announced)))
            exact = bool(chunk) or str(announced) == str(size)
        if chunk:
            headers.append(("Transfer-Encoding", "chunked"))

        close = (self.close_connection or not rule.get("keep_alive", True)
                 or (not exact and not is_head))
        if close:
            headers.append(("Connection", "close"))
        elif self.request_version == "HTTP/1.0":
            headers.append(("Connection", "keep-alive"))
        self.close_connection = close

        lines = [f"HTTP/1.1 {status} {reason}"]
        lines += [f"{name}: {value}" for name, value in headers]
        entry["status"] = status
        self._send(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"),
                   last=is_head or (size == 0 and not chunk
                                    and "stall_after" not in rule))
        if not is_head:
            self._send_body(source, size, chunk, rule, entry)

    def _send_body(self, source, size, chunk, rule, entry):
        stall_at = rule.get("stall_after")
        if stall_at is not None and stall_at > size:
            stall_at = None
        close_at = rule.get("close_after")
        if close_at is not None and close_at > size:
            close_at = None
        stall_seconds = rule.get("stall_seconds")
        sent = 0

        def checkpoint():
            nonlocal stall_at
            if stall_at is not None and sent == stall_at:
                stall_at = None
                self._stall(stall_seconds)
            if close_at is not None and sent == close_at:
                raise _ServerClose()

        def put(count):
            # The next `count` body bytes, cut at the stall and close points.
            nonlocal sent
            while count > 0:
                checkpoint()
                step = min(count, BLOCK)
                if stall_at is not None:
                    step = min(step, stall_at - sent)
                if close_at is not None:
                    step = min(step, close_at - sent)
                data = source.read(sent, step)
                last = (not chunk and sent + len(data) == size
                        and stall_at != size)
                self._send(data, entry, last)
                sent += len(data)
                count -= len(data)

        if chunk:
            remaining = size
            while remaining > 0:
                count = min(chunk, remaining)
                checkpoint()
                self._send(b"%x\r\n" % count)
                put(count)
                self._send(b"\r\n")
                remaining -= count
            checkpoint()
            self._send(b"0\r\n\r\n", last=True)
        else:
            put(size)
            checkpoint()

    def _stall(self, seconds):
        if seconds is not None:
            if self.state.wait(seconds):
                raise _ServerClose()
            return
        # Until the client closes: anything it still sends is read and
        # dropped, since this connection will not carry another request.
        sock = self.connection
        while True:
            if self.state.stopping.is_set():
                raise _ServerClose()
            readable, _, _ = select.select([sock], [], [], WATCH_INTERVAL)
            if not readable:
                continue
            try:
                data = sock.recv(BLOCK)
            except OSError:
                data = b""
            if not data:
                # A socket shut down by stop() reads as closed too.
                if self.state.stopping.is_set():
                    raise _ServerClose()
                raise _ClientClose()


# ---------------------------------------------------------------------------
# The server.

class _HTTPServer(http.server.ThreadingHTTPServer):
    daemon_threads = True
    block_on_close = False
    request_queue_size = 128
    allow_reuse_address = False

    def server_bind(self):
        # HTTPServer.server_bind asks the resolver for the host's name; the
        # server must not send anything off the machine, so skip that.
        socketserver.TCPServer.server_bind(self)
        self.server_name, self.server_port = self.server_address[:2]


def _pid_alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        pass
    except OSError:
        return False
    try:
        with open(f"/proc/{pid}/stat", "rb") as f:
            stat = f.read()
        state = stat[stat.rindex(b")") + 2:][:1]
        return state not in (b"Z", b"X")
    except (OSError, ValueError):
        return True


class TestServer:
    """The test server, in this process (start/stop) or run as a script."""

    __test__ = False          # not a unittest case

    def __init__(self, host=LOOPBACK, idle_timeout=None, parent_pid=None,
                 watch_ppid=False, verbose=False):
        if host != LOOPBACK:
            raise ValueError(f"the test server listens on {LOOPBACK} only, "
                             f"not {host!r}")
        self.idle_timeout = idle_timeout
        self.parent_pid = parent_pid
        self.watch_ppid = os.getppid() if watch_ppid else None
        self.verbose = verbose
        self.state = ServerState()
        self.stop_reason = None
        self._httpd = None
        self._threads = []
        self._stop_lock = threading.Lock()
        self._stopped = threading.Event()

    @property
    def port(self):
        return self._httpd.server_address[1]

    @property
    def address(self):
        return f"{LOOPBACK}:{self.port}"

    def start(self):
        httpd = _HTTPServer((LOOPBACK, 0), _Handler)
        if httpd.server_address[0] != LOOPBACK:
            httpd.server_close()
            raise OSError(f"bound to {httpd.server_address[0]}, "
                          f"not {LOOPBACK}")
        httpd.state = self.state
        httpd.verbose = self.verbose
        self._httpd = httpd
        serve = threading.Thread(target=httpd.serve_forever,
                                 kwargs={"poll_interval": 0.1},
                                 name="testserver", daemon=True)
        serve.start()
        self._threads.append(serve)
        if (self.idle_timeout is not None or self.parent_pid is not None
                or self.watch_ppid is not None):
            watch = threading.Thread(target=self._watch,
                                     name="testserver-watch", daemon=True)
            watch.start()
            self._threads.append(watch)
        return self

    def _parent_gone(self):
        if self.watch_ppid is not None and os.getppid() != self.watch_ppid:
            return True
        return self.parent_pid is not None and not _pid_alive(self.parent_pid)

    def _watch(self):
        while not self.state.stopping.wait(WATCH_INTERVAL):
            if self._parent_gone():
                self.stop("parent ended")
            elif (self.idle_timeout is not None
                  and self.state.idle_for() >= self.idle_timeout):
                self.stop("idle")

    def stop(self, reason="stopped"):
        with self._stop_lock:
            if self._stopped.is_set():
                return
            self.stop_reason = reason
            self.state.stopping.set()
            if self._httpd is not None:
                self._httpd.shutdown()
                self._httpd.server_close()
                self.state.close_all_connections()
            self._stopped.set()

    def wait(self, timeout=None):
        """True once the server has stopped."""
        return self._stopped.wait(timeout)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


def main(argv=None):
    parser = argparse.ArgumentParser(
        description="Quillmoor's HTTP test server (127.0.0.1 only).")
    parser.add_argument("--host", default=LOOPBACK,
                        help="must be 127.0.0.1; anything else is refused")
    parser.add_argument("--idle-timeout", type=float,
                        default=DEFAULT_IDLE_TIMEOUT,
                        help="seconds without requests before it stops")
    parser.add_argument("--parent-pid", type=int, default=None,
                        help="also stop when this process ends")
    parser.add_argument("--verbose", action="store_true",
                        help="log requests on stderr")
    args = parser.parse_args(argv)
    if args.host != LOOPBACK:
        print(f"testserver: refusing to listen on {args.host!r}: "
              f"only {LOOPBACK} is allowed", file=sys.stderr)
        return 2
    if not args.idle_timeout > 0:
        print("testserver: --idle-timeout must be above 0", file=sys.stderr)
        return 2

    server = TestServer(idle_timeout=args.idle_timeout,
                        parent_pid=args.parent_pid, watch_ppid=True,
                        verbose=args.verbose)
    stop_asked = threading.Event()

    def on_signal(signum, frame):
        stop_asked.set()

    for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(sig, on_signal)
    server.start()
    try:
        print(server.address, flush=True)
    except (BrokenPipeError, OSError):
        server.stop("no reader")
        return 1
    while not server.wait(0.2):
        if stop_asked.is_set():
            server.stop("signal")
    if args.verbose:
        print(f"testserver: stopped ({server.stop_reason})", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
