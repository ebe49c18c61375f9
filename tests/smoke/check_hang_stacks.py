#!/usr/bin/env python3
"""A test program that hangs past its time-out leaves the stacks of its threads in the output,
with our functions named from its debug information, and is ended: the hang probe (which waits
forever by design) is run through the tests' Wine wrapper with a short hang time-out.

    check_hang_stacks.py WINE_RUN_SH HANG_PROBE_EXE
"""
import os
import re
import subprocess
import sys


def main(wrapper, probe):
    env = dict(os.environ, QM_HANG_TIMEOUT="10")
    r = subprocess.run([wrapper, probe], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                       text=True, errors="replace", timeout=240)
    out = r.stdout
    print(out)
    problems = []
    if "hang probe: waiting forever" not in out:
        problems.append("the probe did not start")
    if r.returncode != 124:
        problems.append(f"exit code {r.returncode}, not 124 (ended after the hang)")
    # A frame names the function, its file and line: "WaitsForeverOnPurpose+0x..(...) [..HangProbe.cpp:12]".
    for fn in ("WaitsForeverOnPurpose", "HangingWorker", "MainWaitsForTheWorker"):
        if not re.search(re.escape(fn) + r"\+0x[0-9a-f]+\(.*\) \[[^\]]*HangProbe\.cpp:\d+\]", out):
            problems.append(f"no frame of {fn} with its source line")
    if len(re.findall(r"^---- thread 0x[0-9a-f]+$", out, re.M)) < 2:
        problems.append("fewer than two threads' stacks")
    for p in problems:
        print(f"check_hang_stacks: {p}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
