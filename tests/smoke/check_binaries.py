#!/usr/bin/env python3
"""Every program the build made is a 32-bit PE for Intel 80386 that needs no DLL beyond
the system's own (the runtime libraries are linked in statically), and its header carries the
values the tool chain's GNU ld writes, whichever linker made it: Windows treats a program by
its subsystem version (window frames, message boxes), and its main thread gets the stack the
header reserves."""
import pathlib
import subprocess
import sys

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll",
    "comctl32.dll", "comdlg32.dll", "ole32.dll", "oleaut32.dll", "wininet.dll", "ws2_32.dll",
    "winmm.dll", "shlwapi.dll", "version.dll", "imm32.dll", "rpcrt4.dll", "msimg32.dll",
    "uxtheme.dll", "riched20.dll", "hhctrl.ocx",
}

# objdump -p field: the value GNU ld writes for a 32-bit program.
HEADER = {
    "MajorOSystemVersion": "4", "MinorOSystemVersion": "0",
    "MajorSubsystemVersion": "4", "MinorSubsystemVersion": "0",
    "SizeOfStackReserve": "00200000",
}
TERMINAL_SERVER_AWARE = 0x8000


def header_problems(dump):
    fields = {}
    for line in dump.splitlines():
        parts = line.split()
        if len(parts) >= 2 and parts[0] not in fields:
            fields[parts[0]] = parts[1]
    problems = [f"{name} {fields.get(name, 'missing')}, not {want}"
                for name, want in HEADER.items() if fields.get(name) != want]
    flags = fields.get("DllCharacteristics")
    if flags is None:
        problems.append("DllCharacteristics missing")
    elif int(flags, 16) & TERMINAL_SERVER_AWARE:
        problems.append(f"DllCharacteristics {flags} marks it Terminal Server aware")
    return problems


def main(folder):
    programs = sorted(pathlib.Path(folder).glob("*.exe"))
    if not programs:
        print(f"no programs in {folder}")
        return 1
    failures = 0
    for exe in programs:
        kind = subprocess.run(["file", "-b", str(exe)], capture_output=True, text=True).stdout
        if not kind.startswith("PE32 executable") or "Intel 80386" not in kind:
            print(f"{exe.name}: not a 32-bit Intel PE: {kind.strip()}")
            failures += 1
        dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", str(exe)],
                              capture_output=True, text=True, check=True).stdout
        dlls = {line.split("DLL Name:")[1].strip().lower()
                for line in dump.splitlines() if "DLL Name:" in line}
        extra = dlls - SYSTEM_DLLS
        if extra:
            print(f"{exe.name}: needs non-system DLLs {sorted(extra)}")
            failures += 1
        for problem in header_problems(dump):
            print(f"{exe.name}: header {problem}")
            failures += 1
        if not dlls:
            print(f"{exe.name}: no imports found (objdump output unexpected)")
            failures += 1
    print(f"{len(programs)} programs checked, {failures} problems")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
