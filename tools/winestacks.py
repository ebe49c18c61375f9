#!/usr/bin/env python3
"""The stacks of a Windows program running under Wine, every thread's, through Wine's debugger.

    winestacks.py NAME.exe            prints them (WINEPREFIX names the prefix)
    winestacks.py --run SECONDS -- PROGRAM [ARGS...]

The second form runs PROGRAM (wine and its arguments, as tools/wine-run.sh does) and, when it
is still running after SECONDS, writes the stacks of the Windows program it started into the
output, then ends it; the exit code is then 124. Functions are named from the program's
debug information (DWARF 4: Wine's debugger reads no later version), also when it is kept in a
separate file named by the program's .gnu_debuglink.
"""

import os
import re
import signal
import subprocess
import sys

DEBUGGER_TIMEOUT = 120


def winedbg(commands, env=None):
    """Runs Wine's debugger on a script of commands; its output (empty when it failed)."""
    try:
        r = subprocess.run(["winedbg"], input="".join(c + "\n" for c in commands), env=env,
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                           errors="replace", timeout=DEBUGGER_TIMEOUT)
        return r.stdout
    except (OSError, subprocess.TimeoutExpired) as e:
        return f"winedbg failed: {e}\n"


def processes(env=None):
    """{windows pid: executable name} of the prefix's processes."""
    found = {}
    for line in winedbg(["info process"], env).splitlines():
        m = re.match(r"^\s*[=>]?\s*([0-9a-f]{8})\s+\d+\s+(?:\\_ )?'(.*)'\s*$", line.replace("Wine-dbg>", ""))
        if m:
            found[int(m.group(1), 16)] = m.group(2)
    return found


def threads(pid, env=None):
    """The thread ids of a Windows process, as the debugger lists them."""
    ids, current = [], None
    for line in winedbg(["info thread"], env).splitlines():
        line = line.replace("Wine-dbg>", "")
        m = re.match(r"^([0-9a-f]{8})\s", line)
        if m:
            current = int(m.group(1), 16)
            continue
        m = re.match(r"^\t([0-9a-f]{8})\s", line)
        if m and current == pid:
            ids.append(int(m.group(1), 16))
    return ids


def stacks(name, env=None):
    """The backtrace of every thread of every process of the prefix named NAME (its file name,
    letter case aside), as text."""
    name = os.path.basename(name.replace("\\", "/")).lower()
    out = []
    for pid, exe in sorted(processes(env).items()):
        if os.path.basename(exe.replace("\\", "/")).lower() != name:
            continue
        tids = threads(pid, env)
        out.append(f"==== stacks of {exe} (process {pid:#x}, {len(tids)} threads)")
        script = [f"attach {pid:#x}"] + [f"bt {tid:#x}" for tid in tids] + ["detach"]
        # The debugger writes its prompt before each command's output: the answers, in order.
        answers = winedbg(script, env).split("Wine-dbg>")
        if len(answers) < len(tids) + 2:
            out.append("".join(answers))
            continue
        for tid, text in zip(tids, answers[2:]):
            out.append(f"---- thread {tid:#x}\n{text.strip()}")
    if not out:
        out.append(f"==== no process {name} to take stacks of")
    return "\n".join(out)


def program_name(argv):
    """The Windows program a command line starts: its last .exe argument."""
    for a in reversed(argv):
        if a.lower().endswith(".exe"):
            return a
    return argv[-1] if argv else ""


def run(seconds, argv):
    """Runs argv; past `seconds` the program's stacks are written and it is ended (124)."""
    proc = subprocess.Popen(argv)
    try:
        return proc.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        pass
    sys.stdout.flush()
    name = program_name(argv)
    print(f"\n==== {os.path.basename(name)} still runs after {seconds:g} s: the stacks of its threads",
          flush=True)
    print(stacks(name), flush=True)
    # Ended by its own id: under Wine the program's process is the one started here.
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            proc.send_signal(sig)
        except ProcessLookupError:
            break
        try:
            proc.wait(timeout=10)
            break
        except subprocess.TimeoutExpired:
            continue
    print(f"==== {os.path.basename(name)} ended after it hung", flush=True)
    return 124


def main(args):
    if len(args) >= 3 and args[0] == "--run":
        sep = args.index("--") if "--" in args else 2
        return run(float(args[1]), args[sep + 1:])
    if len(args) == 1:
        print(stacks(args[0]))
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
