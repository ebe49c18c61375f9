#!/usr/bin/env python3
"""Runs a program with a private test server.

    run_with_server.py -- program [args...]

Starts testserver.py (next to this file) on 127.0.0.1, passes its address to
the program in QUILLMOOR_TEST_SERVER ("127.0.0.1:<port>"), runs the program
(a Wine command line as well as a native one), stops the server whatever
happens, and exits with the program's exit code.  A program ended by a signal
gives 128 + the signal number; failures of this script itself give 125
(server did not start), 126 (usage) or 127 (program not found).  Each run has
its own server, so parallel ctest jobs never share one.
"""

import os
import selectors
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER_SCRIPT = os.path.join(HERE, "testserver.py")
ENV_NAME = "QUILLMOOR_TEST_SERVER"
START_TIMEOUT = 30.0
STOP_TIMEOUT = 5.0

EXIT_SERVER_FAILED = 125
EXIT_USAGE = 126
EXIT_NOT_FOUND = 127


class _Terminated(Exception):
    """SIGTERM or SIGHUP arrived; carries the signal number."""

    def __init__(self, signum):
        super().__init__(signum)
        self.signum = signum


def _read_address(proc, timeout):
    """The first stdout line of the server, or None when it gives none."""
    deadline = time.monotonic() + timeout
    data = b""
    fd = proc.stdout.fileno()
    with selectors.DefaultSelector() as sel:
        sel.register(fd, selectors.EVENT_READ)
        while b"\n" not in data and len(data) < 256:
            left = deadline - time.monotonic()
            if left <= 0 or not sel.select(left):
                return None
            chunk = os.read(fd, 256)
            if not chunk:
                return None
            data += chunk
    line = data.split(b"\n", 1)[0].decode("ascii", "replace").strip()
    host, _, port = line.partition(":")
    if host != "127.0.0.1" or not port.isdigit() or not 0 < int(port) < 65536:
        return None
    return line


def _stop(proc):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(STOP_TIMEOUT)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def _exit_code(returncode):
    return returncode if returncode >= 0 else 128 - returncode


def main(argv=None):
    argv = list(sys.argv[1:] if argv is None else argv)
    if argv and argv[0] == "--":
        argv = argv[1:]
    if not argv:
        print("usage: run_with_server.py -- program [args...]", file=sys.stderr)
        return EXIT_USAGE

    def on_signal(signum, frame):
        raise _Terminated(signum)

    old = {sig: signal.signal(sig, on_signal)
           for sig in (signal.SIGTERM, signal.SIGHUP)}
    server = None
    program = None
    try:
        server = subprocess.Popen(
            [sys.executable, SERVER_SCRIPT, "--parent-pid", str(os.getpid())],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE)
        address = _read_address(server, START_TIMEOUT)
        if address is None:
            print("run_with_server: the test server did not start",
                  file=sys.stderr)
            return EXIT_SERVER_FAILED
        env = dict(os.environ)
        env[ENV_NAME] = address
        try:
            program = subprocess.Popen(argv, env=env)
        except OSError as e:
            print(f"run_with_server: cannot run {argv[0]!r}: {e}",
                  file=sys.stderr)
            return EXIT_NOT_FOUND
        return _exit_code(program.wait())
    except KeyboardInterrupt:
        # The terminal sent SIGINT to the program as well; give it a moment
        # to end by itself before it is stopped.
        if program is not None:
            try:
                program.wait(STOP_TIMEOUT)
            except (subprocess.TimeoutExpired, KeyboardInterrupt):
                pass
            _stop(program)
        return 128 + signal.SIGINT
    except _Terminated as t:
        if program is not None:
            _stop(program)
        return 128 + t.signum
    finally:
        # No further signal may cut the clean-up short.
        for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
            signal.signal(sig, signal.SIG_IGN)
        if server is not None:
            _stop(server)
            server.stdout.close()
        for sig, handler in old.items():
            signal.signal(sig, handler)
        signal.signal(signal.SIGINT, signal.default_int_handler)


if __name__ == "__main__":
    sys.exit(main())
