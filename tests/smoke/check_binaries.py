#!/usr/bin/env python3
"""Every program the build made is a 32-bit PE for Intel 80386 that needs no DLL beyond
the system's own (the runtime libraries are linked in statically)."""
import pathlib
import subprocess
import sys

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "advapi32.dll", "shell32.dll",
    "comctl32.dll", "comdlg32.dll", "ole32.dll", "oleaut32.dll", "wininet.dll", "ws2_32.dll",
    "winmm.dll", "shlwapi.dll", "version.dll", "imm32.dll", "rpcrt4.dll", "msimg32.dll",
    "uxtheme.dll", "riched20.dll", "hhctrl.ocx",
}


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
        if not dlls:
            print(f"{exe.name}: no imports found (objdump output unexpected)")
            failures += 1
    print(f"{len(programs)} programs checked, {failures} problems")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
