#!/usr/bin/python3
"""Where the bytes of Dorvel.exe go.

    size_breakdown.py SHIPPED_EXE MAP UNSTRIPPED_EXE

SHIPPED_EXE is the stripped program as shipped; MAP and UNSTRIPPED_EXE come from a link of the
same objects with the same flags but without -s and with -Wl,-Map (the dorvel_size_map target).
Prints the file's sections and resources, then what the linker put into each section, grouped by
the object it came from, the biggest single pieces, and which functions call into libgcc.
"""
import collections
import re
import subprocess
import sys

import pefile

TARGET_BYTES = 215000

# One input section of the map: " .text$name  0xADDR  0xSIZE  file", the name alone on its line
# when it is long; "*fill*" is padding the linker put between two of them.
INPUT_LINE = re.compile(r"^ (\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)(?:\s+(\S.*))?$")
OUTPUT_LINE = re.compile(r"^(\.\S+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)")


def read_map(path):
    """[(output section, input section, address, size, file)] from the memory map part."""
    pieces = []
    output = None
    pending = None  # an input section's name whose numbers are on the next line
    in_memory_map = False
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("Linker script and memory map"):
                in_memory_map = True
                continue
            if not in_memory_map:
                continue
            m = OUTPUT_LINE.match(line)
            if m:
                output = m.group(1)
                pending = None
                continue
            if line.startswith(".") or line.startswith("LOAD") or line.startswith("OUTPUT"):
                output = None  # a section the image does not hold (debugging, empty)
                continue
            if output is None:
                continue
            stripped = line.strip()
            if line.startswith(" ") and not line.startswith("  ") and len(stripped.split()) == 1 \
                    and not stripped.startswith("*"):
                pending = stripped
                continue
            m = INPUT_LINE.match(line)
            if not m:
                pending = None
                continue
            name = m.group(1) or pending
            pending = None
            file = m.group(4)
            if name is None or (file is None and name != "*fill*"):
                continue  # a symbol or an assignment, not a section
            size = int(m.group(3), 16)
            if size:
                pieces.append((output, name, int(m.group(2), 16), size, file or "linker fill"))
    return pieces


def origin(file):
    """A short name for where a piece came from."""
    m = re.search(r"lib([^/]+)\.a\(([^)]+)\)$", file)
    if m:
        library, member = m.groups()
        if library.startswith("varnitz_"):
            return "%s/%s" % (library[len("varnitz_"):], member.replace(".obj", ""))
        if re.match(r"lib\w+?(s\d+|h|t|_defs\d+)\.o$", member) or library in (
                "kernel32", "user32", "gdi32", "comctl32", "msvcrt", "advapi32", "shell32"):
            return "import stubs: %s" % library
        return "lib%s.a(%s)" % (library, member)
    m = re.search(r"/shell/([^/]+)\.obj$", file)
    if m:
        return "shell/" + m.group(1)
    if file.endswith(".res"):
        return "resources (Dorvel.rc)"
    if file == "dll stuff":
        return "base relocations (--dynamicbase)"
    if file.startswith("LONG "):
        return "end of the import list"
    return file.rsplit("/", 1)[-1]


def demangle(names):
    if not names:
        return {}
    result = subprocess.run(["c++filt"], input="\n".join(names), capture_output=True, text=True, check=True)
    return dict(zip(names, result.stdout.splitlines()))


def section_name(s):
    return s.Name.rstrip(b"\0").decode()


def print_file(pe, size):
    print("Dorvel.exe: %d bytes; target <= %d: %s (%+d)" % (
        size, TARGET_BYTES, "MET" if size <= TARGET_BYTES else "NOT MET", size - TARGET_BYTES))
    print("\n  %-10s %8s %8s %8s" % ("section", "in file", "used", "padding"))
    headers = pe.OPTIONAL_HEADER.SizeOfHeaders
    print("  %-10s %8d" % ("headers", headers))
    padding = 0
    for s in pe.sections:
        used = min(s.Misc_VirtualSize, s.SizeOfRawData)
        padding += s.SizeOfRawData - used
        print("  %-10s %8d %8d %8d" % (section_name(s), s.SizeOfRawData, used, s.SizeOfRawData - used))
    rsrc = sum(s.SizeOfRawData for s in pe.sections if section_name(s) == ".rsrc")
    print("  padding to the %d-byte file alignment: %d bytes in all" % (pe.OPTIONAL_HEADER.FileAlignment, padding))
    print("  everything but .rsrc: %d bytes" % (size - rsrc))


def print_resources(pe):
    print("\nresources:")
    total = 0
    for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        kind = pefile.RESOURCE_TYPE.get(entry.id, str(entry.name or entry.id))
        for name in entry.directory.entries:
            for language in name.directory.entries:
                n = language.data.struct.Size
                total += n
                print("  %-14s %-5s %8d" % (kind, name.id if name.id is not None else name.name, n))
    rsrc = next(s for s in pe.sections if section_name(s) == ".rsrc")
    print("  %-20s %8d  (directories, names, alignment)" % ("tables", rsrc.Misc_VirtualSize - total))


def print_imports(pe):
    print("\nimports (.idata holds a directory entry, two address tables and a name per function):")
    for d in pe.DIRECTORY_ENTRY_IMPORT:
        print("  %-14s %3d functions" % (d.dll.decode(), len(d.imports)))


def print_contributors(pieces, top):
    print("\nwhat the linker put into each section, by origin (bytes):")
    by_section = collections.OrderedDict()
    for output, _, _, size, file in pieces:
        by_section.setdefault(output, collections.Counter())[origin(file)] += size
    for output, counter in by_section.items():
        if output == ".rsrc":
            continue
        print("  %s (%d)" % (output, sum(counter.values())))
        for name, size in counter.most_common(top):
            print("    %7d  %s" % (size, name))
        rest = counter.most_common()[top:]
        if rest:
            print("    %7d  %d others" % (sum(n for _, n in rest), len(rest)))


def print_biggest(pieces, top):
    print("\nthe biggest single pieces outside .rsrc (functions and tables; -ffunction-sections):")
    named = [p for p in pieces if p[0] != ".rsrc"]
    named.sort(key=lambda p: -p[3])
    mangled = []
    for _, name, _, _, _ in named[:top]:
        symbol = name.split("$", 1)[1] if "$" in name else ""
        if symbol:
            mangled.append(symbol)
    readable = demangle(mangled)
    for output, name, _, size, file in named[:top]:
        symbol = name.split("$", 1)[1] if "$" in name else ""
        label = readable.get(symbol, symbol) or "(%s of the object)" % name
        print("  %7d  %-9s %-28s %s" % (size, output, origin(file), label))


def print_helper_calls(pieces, unstripped):
    """Calls into libgcc's helpers (64-bit division on i686), by calling function."""
    helpers = [(address, address + size, file) for output, _, address, size, file in pieces
               if output == ".text" and "libgcc.a(" in file]
    if not helpers:
        return
    disassembly = subprocess.run(["i686-w64-mingw32-objdump", "-d", "--no-show-raw-insn", unstripped],
                                 capture_output=True, text=True, check=True).stdout
    calls = collections.Counter()
    function = "?"
    for line in disassembly.splitlines():
        m = re.match(r"^[0-9a-f]+ <(.+)>:$", line)
        if m:
            function = m.group(1)
            continue
        m = re.search(r"\bcall\s+([0-9a-f]+)\b", line)
        if m:
            target = int(m.group(1), 16)
            for begin, end, file in helpers:
                if begin <= target < end:
                    calls[(function, origin(file))] += 1
    if not calls:
        return
    # COFF symbols on i686 carry an extra leading underscore.
    readable = demangle(sorted({f[1:] if f.startswith("__Z") else f for f, _ in calls}))
    print("\ncalls into libgcc (its code and its .eh_frame are there only for these):")
    for (function, helper), n in calls.most_common():
        name = readable.get(function[1:] if function.startswith("__Z") else function, function)
        print("  %3d  %-22s from %s" % (n, helper, name))


def main():
    if len(sys.argv) != 4:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    shipped, map_path, unstripped = sys.argv[1:]
    with open(shipped, "rb") as f:
        data = f.read()
    pe = pefile.PE(data=data)
    print_file(pe, len(data))
    print_resources(pe)
    print_imports(pe)

    pieces = read_map(map_path)
    mapped = pefile.PE(unstripped)
    for s in pe.sections:  # the map describes the shipped file only if the two images agree
        twin = next((t for t in mapped.sections if section_name(t) == section_name(s)), None)
        if twin is None or twin.Misc_VirtualSize != s.Misc_VirtualSize:
            print("\nwarning: section %s differs between the shipped and the mapped build" % section_name(s))
    print_contributors(pieces, 10)
    print_biggest(pieces, 20)
    print_helper_calls(pieces, unstripped)
    return 0


if __name__ == "__main__":
    sys.exit(main())
