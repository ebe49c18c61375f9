#!/usr/bin/env python3
"""Every program the build made is a 32-bit PE for Intel 80386 that needs no DLL beyond
the system's own (the runtime libraries are linked in statically), and its header carries the
values the tool chain's GNU ld writes, whichever linker made it: Windows treats a program by
its subsystem version (window frames, message boxes), and its main thread gets the stack the
header reserves.

The shipped program (Quillmoor.exe) carries no debug information: it is in Quillmoor.debug beside
it, which the program names in its .gnu_debuglink section with the file's CRC. Every other
program keeps its own unless it names a separate file the same way. The units compiled from our
sources are DWARF 4 at most, the last version Wine's debugger reads (its stack dumps name
functions through it); the tool chain's own runtime units are left aside."""
import concurrent.futures
import os
import pathlib
import re
import struct
import subprocess
import sys
import zlib

SHIPPED = {"Quillmoor.exe"}
OBJDUMP = "i686-w64-mingw32-objdump"

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


def sections(path):
    """{name: (size, file offset)} of a PE file's sections."""
    out = subprocess.run([OBJDUMP, "-h", str(path)], capture_output=True, text=True, check=True).stdout
    found = {}
    for line in out.splitlines():
        parts = line.split()
        if len(parts) >= 7 and parts[0].isdigit():
            found[parts[1]] = (int(parts[2], 16), int(parts[5], 16))
    return found


def debuglink(path, secs):
    """(file name, CRC) named by the .gnu_debuglink section, or None."""
    if ".gnu_debuglink" not in secs:
        return None
    size, offset = secs[".gnu_debuglink"]
    with open(path, "rb") as f:
        f.seek(offset)
        data = f.read(size)
    name = data.split(b"\0", 1)[0].decode("latin-1")
    crc_at = (len(name) + 1 + 3) // 4 * 4
    if len(data) < crc_at + 4:
        return name, None
    return name, struct.unpack_from("<I", data, crc_at)[0]


def file_crc(path):
    crc = 0
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            crc = zlib.crc32(block, crc)
    return crc & 0xFFFFFFFF


def late_dwarf_units(path):
    """The compile units of our sources written in a DWARF version Wine's debugger cannot read."""
    out = subprocess.run([OBJDUMP, "--dwarf=info", "--dwarf-depth=1", str(path)],
                         capture_output=True, text=True, errors="replace").stdout
    late, version = [], None
    for line in out.splitlines():
        m = re.match(r"\s*Version:\s*(\d+)", line)
        if m:
            version = int(m.group(1))
            continue
        m = re.search(r"DW_AT_name\s*:.*?([^\s:][^:]*)$", line)
        if m and version is not None:
            name = m.group(1).strip()
            # The tool chain's runtime (mingw-w64's start-up code, winpthreads) comes compiled.
            if version > 4 and not name.startswith("./mingw-w64-"):
                late.append(f"{name} (DWARF {version})")
            version = None
    return late


def debug_problems(exe):
    """What is wrong with where a program keeps its debug information."""
    problems = []
    secs = sections(exe)
    inside = sorted(n for n in secs if n.startswith(".debug_"))
    link = debuglink(exe, secs)
    if exe.name in SHIPPED and link is None:
        problems.append("ships with no .gnu_debuglink to a separate debug file")
    if link is None:
        if ".debug_info" not in secs:
            problems.append("has no debug information")
        debug_file = exe
    else:
        name, crc = link
        if inside:
            problems.append(f"names {name} but still carries {', '.join(inside)}")
        debug_file = exe.parent / name
        if name != exe.with_suffix(".debug").name:
            problems.append(f"names {name}, not {exe.with_suffix('.debug').name}")
        elif not debug_file.exists():
            problems.append(f"names {name}, which is missing")
            return problems
        elif crc != file_crc(debug_file):
            problems.append(f"names {name} with a CRC that does not match the file")
        dsecs = sections(debug_file)
        for needed in (".debug_info", ".debug_line"):
            if needed not in dsecs:
                problems.append(f"{name} holds no {needed}")
    late = late_dwarf_units(debug_file)
    if late:
        problems.append(f"{len(late)} units Wine's debugger cannot read, such as {late[0]}")
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
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 4) as pool:
        for exe, problems in zip(programs, pool.map(debug_problems, programs)):
            for problem in problems:
                print(f"{exe.name}: {problem}")
                failures += 1
    shipped = [exe for exe in programs if exe.name in SHIPPED]
    print(f"{len(programs)} programs checked ({len(shipped)} of them shipped), "
          f"{failures} problems")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
