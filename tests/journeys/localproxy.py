"""A small forwarding HTTP proxy on 127.0.0.1 (Python's standard library only) for the journeys.

A client set to use it sends its requests in proxy form ("GET http://127.0.0.1:8001/a.jpg
HTTP/1.1"); the proxy records each one (method and target) and forwards it to that address. It
forwards only to 127.0.0.1: any other target is answered 403 and never contacted, so a journey
never leaves the machine.
"""

import http.client
import http.server
import threading
import urllib.parse

# Headers that belong to one connection, never passed on.
HOP_BY_HOP = {"connection", "proxy-connection", "keep-alive", "te", "trailer", "transfer-encoding", "upgrade",
              "proxy-authorization", "proxy-authenticate"}


class LocalProxy:
    def __init__(self):
        self._lock = threading.Lock()
        self._requests = []
        self.server = None
        self.thread = None

    @property
    def port(self):
        return self.server.server_address[1]

    def requests(self):
        """(method, target) of every request received so far, in order."""
        with self._lock:
            return list(self._requests)

    def _record(self, method, target):
        with self._lock:
            self._requests.append((method, target))

    def start(self):
        proxy = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def do_GET(self):
                self._forward()

            def do_HEAD(self):
                self._forward()

            def _answer(self, status, reason, headers, body, length=None):
                self.send_response(status, reason)
                for k, v in headers:
                    self.send_header(k, v)
                self.send_header("Content-Length", str(len(body) if length is None else length))
                self.end_headers()
                if self.command != "HEAD":
                    self.wfile.write(body)

            def _forward(self):
                target = self.path
                proxy._record(self.command, target)
                u = urllib.parse.urlsplit(target)
                if u.scheme != "http" or u.hostname != "127.0.0.1" or not u.port:
                    self._answer(403, "Forbidden", [("Content-Type", "text/plain")], b"not forwarded\n")
                    return
                path = (u.path or "/") + (("?" + u.query) if u.query else "")
                headers = {k: v for k, v in self.headers.items() if k.lower() not in HOP_BY_HOP}
                conn = http.client.HTTPConnection("127.0.0.1", u.port, timeout=30)
                try:
                    conn.request(self.command, path, headers=headers)
                    r = conn.getresponse()
                    body = r.read()
                    passed = [(k, v) for k, v in r.getheaders()
                              if k.lower() not in HOP_BY_HOP and k.lower() != "content-length"]
                    # A HEAD's answer carries the length the GET would have.
                    length = r.getheader("Content-Length") if self.command == "HEAD" else None
                finally:
                    conn.close()
                self._answer(r.status, r.reason, passed, body, length)

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        self.thread = threading.Thread(target=self.server.serve_forever, name="local proxy", daemon=True)
        self.thread.start()
        return self

    def stop(self):
        if self.server:
            self.server.shutdown()
            self.server.server_close()
            self.thread.join(timeout=10)
            self.server = None
