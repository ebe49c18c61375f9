"""Runs a program of the build through tools/wine-run.sh with a time limit of the script's own.

When the test run asks for the stacks of hanging programs (QM_HANG_TIMEOUT), the wrapper is
asked for them a little before the script's limit, so that a hang shows where each thread stood
instead of ending in the script's time-out; the wrapper then ends the program with 124 and its
output, stacks included, is printed here."""

import os
import subprocess


def run_with_stacks(cmd, timeout, **kwargs):
    env = dict(kwargs.pop("env", None) or os.environ)
    if env.get("QM_HANG_TIMEOUT"):
        env["QM_HANG_TIMEOUT"] = str(max(1, min(float(env["QM_HANG_TIMEOUT"]), timeout - 15)))
    p = subprocess.run(cmd, stdout=subprocess.PIPE, timeout=timeout, env=env, **kwargs)
    if p.returncode == 124:
        print(p.stdout.decode(errors="replace"), flush=True)
    return p
