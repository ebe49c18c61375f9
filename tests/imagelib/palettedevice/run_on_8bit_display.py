#!/usr/bin/python3
"""Runs a Windows test program under Wine on a private 8-bit X screen (a palette device).

  run_on_8bit_display.py <wine-run.sh> <program.exe> [args...]

Starts Xvfb with "-screen 0 1024x768x8" on the first free display from 300, runs the program
with DISPLAY set to it, stops the server and exits with the program's code.
"""
import os
import subprocess
import sys
import time


def main():
    wine, program = sys.argv[1], sys.argv[2]
    for n in range(300, 400):
        if os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
            continue
        server = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "1024x768x8", "-nolisten", "tcp"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if os.path.exists("/tmp/.X11-unix/X%d" % n) or server.poll() is not None:
                break
            time.sleep(0.05)
        if server.poll() is not None:
            continue
        try:
            env = dict(os.environ, DISPLAY=":%d" % n)
            return subprocess.run([wine, program] + sys.argv[3:], env=env, stdin=subprocess.DEVNULL).returncode
        finally:
            server.terminate()
            server.wait()
    print("run_on_8bit_display.py: could not start an 8-bit Xvfb")
    return 1


sys.exit(main())
