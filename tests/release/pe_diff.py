#!/usr/bin/python3
"""Says where two builds of a PE file differ: which header fields, which sections.

    pe_diff.py a.exe b.exe

Meant for a failed reproducibility check: a changed TimeDateStamp points at a link timestamp,
a changed CheckSum follows any change, a section whose size changed points at different code
or data (paths compiled in, a different order of objects).
"""
import sys

import pefile


ALIASES = {"Misc", "Misc_PhysicalAddress"}  # the same bytes as a section's VirtualSize


def fields(structure):
    return {key: getattr(structure, key) for keys in structure.__keys__ for key in keys if key not in ALIASES}


def compare_structure(label, a, b, out):
    fa, fb = fields(a), fields(b)
    for key in fa:
        if fa[key] != fb.get(key):
            va, vb = fa[key], fb.get(key)
            shown = (hex(va), hex(vb)) if isinstance(va, int) else (va, vb)
            out.append(f"{label}.{key}: {shown[0]} != {shown[1]}")


def place(pe, offset):
    section = pe.get_section_by_offset(offset)
    if section is None:
        return "headers" if offset < pe.OPTIONAL_HEADER.SizeOfHeaders else "after the last section"
    name = section.Name.rstrip(b"\0").decode(errors="replace")
    return f"{name}+{offset - section.PointerToRawData:#x}"


def main(argv):
    if len(argv) != 3:
        sys.exit(f"usage: {argv[0]} a.exe b.exe")
    data_a = open(argv[1], "rb").read()
    data_b = open(argv[2], "rb").read()
    if data_a == data_b:
        print("identical")
        return 0
    a, b = pefile.PE(data=data_a), pefile.PE(data=data_b)
    out = []
    if len(data_a) != len(data_b):
        out.append(f"file size: {len(data_a)} != {len(data_b)}")
    compare_structure("FILE_HEADER", a.FILE_HEADER, b.FILE_HEADER, out)
    compare_structure("OPTIONAL_HEADER", a.OPTIONAL_HEADER, b.OPTIONAL_HEADER, out)
    for da, db in zip(a.OPTIONAL_HEADER.DATA_DIRECTORY, b.OPTIONAL_HEADER.DATA_DIRECTORY):
        compare_structure(f"DATA_DIRECTORY[{da.name}]", da, db, out)
    names_a = [s.Name.rstrip(b"\0").decode(errors="replace") for s in a.sections]
    names_b = [s.Name.rstrip(b"\0").decode(errors="replace") for s in b.sections]
    if names_a != names_b:
        out.append(f"sections: {names_a} != {names_b}")
    for name, sa, sb in zip(names_a, a.sections, b.sections):
        compare_structure(f"section {name}", sa, sb, out)
        if sa.get_data() != sb.get_data():
            out.append(f"section {name}: contents differ")
    # The first differing bytes, each with the place it lies in.
    shown = 0
    for offset in range(min(len(data_a), len(data_b))):
        if data_a[offset] != data_b[offset]:
            out.append(f"byte {offset:#x} ({place(a, offset)}): {data_a[offset]:#04x} != {data_b[offset]:#04x}")
            shown += 1
            if shown == 10:
                break
    print("\n".join(out))
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
