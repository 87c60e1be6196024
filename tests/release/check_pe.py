#!/usr/bin/python3
"""Checks the shipped 32-bit Dorvel.exe as a file: its headers, imports and sections, and its
resources against resources/ (the picture, the icon and the manifest byte for byte; the version
record field by field).

    check_pe.py build/win32/bin/Dorvel.exe
    check_pe.py --res Dorvel.res     only the resources, from windres's .res output

Prints each check; exits 1 when any fails. Needs python3-pefile for an exe.
"""

import argparse
import pathlib
import struct
import sys

RESOURCES = pathlib.Path(__file__).resolve().parents[2] / "resources"

RT_BITMAP, RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 2, 3, 14, 16, 24
LANG_EN_US = 1033

# (type, identifier) -> bytes; nothing else, each under LANG_EN_US only.
RESOURCE_TABLE = {
    (RT_BITMAP, 1001): 180042,
    (RT_ICON, 1): 296,
    (RT_ICON, 2): 744,
    (RT_ICON, 3): 3752,
    (RT_GROUP_ICON, 1): 48,
    (RT_VERSION, 1): 532,
    (RT_MANIFEST, 1): 622,
}

# width/height, colour count, planes, bits per pixel, bytes, ICON identifier
ICON_GROUP = [
    (16, 16, 1, 4, 296, 1),
    (32, 16, 1, 4, 744, 2),
    (48, 0, 1, 8, 3752, 3),
]

BITMAP_HEADER = {  # BITMAPINFOHEADER of the picture
    "biSize": 40, "biWidth": 240, "biHeight": 250, "biPlanes": 1, "biBitCount": 24,
    "biCompression": 0, "biSizeImage": 180002, "biXPelsPerMeter": 2834,
    "biYPelsPerMeter": 2834, "biClrUsed": 0, "biClrImportant": 0,
}

FIXED_FILE_INFO = {  # VS_FIXEDFILEINFO
    "dwSignature": 0xFEEF04BD, "dwStrucVersion": 0x10000,
    "dwFileVersionMS": 0x10001, "dwFileVersionLS": 0,
    "dwProductVersionMS": 0x10001, "dwProductVersionLS": 0,
    "dwFileFlagsMask": 0x17, "dwFileFlags": 0, "dwFileOS": 4, "dwFileType": 1,
    "dwFileSubtype": 0, "dwFileDateMS": 0, "dwFileDateLS": 0,
}

VERSION_STRINGS = [
    ("CompanyName", "Varnitz Studio"),
    ("FileDescription", "Калькулятор конденсаторов"),
    ("OriginalFilename", "Dorvel.exe"),
    ("ProductName", "Varnitz"),
    ("ProductVersion", "1.1"),
]

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "msvcrt.dll"}


class Report:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, ok, what, detail=""):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
        print(f"{'ok  ' if ok else 'FAIL'} {what}" + (f": {detail}" if detail else ""))
        return ok

    def equal(self, what, actual, expected):
        return self.check(actual == expected, what,
                          f"{actual!r}" if actual == expected else f"{actual!r}, expected {expected!r}")


# --- The executable ------------------------------------------------------------------------

def check_headers(pe, report):
    import pefile

    report.equal("machine", hex(pe.FILE_HEADER.Machine), hex(pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]))
    report.equal("optional header magic (PE32)", hex(pe.OPTIONAL_HEADER.Magic), hex(pefile.OPTIONAL_HEADER_MAGIC_PE))
    report.equal("subsystem (Windows GUI)", pe.OPTIONAL_HEADER.Subsystem,
                 pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"])
    oh = pe.OPTIONAL_HEADER
    report.equal("subsystem version", (oh.MajorSubsystemVersion, oh.MinorSubsystemVersion), (5, 0))
    report.equal("operating system version", (oh.MajorOperatingSystemVersion, oh.MinorOperatingSystemVersion), (5, 0))
    for flag in ("IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE", "IMAGE_DLLCHARACTERISTICS_NX_COMPAT"):
        report.check(oh.DllCharacteristics & pefile.DLL_CHARACTERISTICS[flag], flag)
    # Without relocations DYNAMIC_BASE would do nothing.
    report.check(not pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_RELOCS_STRIPPED"]
                 and oh.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]].Size > 0,
                 "relocations present")


def check_imports(pe, report):
    entries = getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])
    dlls = [e.dll.decode("ascii") for e in entries]
    for entry, dll in zip(entries, dlls):
        names = [i.name.decode("ascii") if i.name else f"#{i.ordinal}" for i in entry.imports]
        print(f"     {dll}: {', '.join(names)}")
    report.check(bool(dlls) and all(d.lower() in SYSTEM_DLLS for d in dlls),
                 "imports only system DLLs", ", ".join(dlls))
    report.check(not hasattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT"), "no delay-loaded imports")


def check_sections(pe, report):
    write, execute = 0x80000000, 0x20000000
    both = [s.Name.rstrip(b"\0").decode("ascii", "replace") for s in pe.sections
            if s.Characteristics & write and s.Characteristics & execute]
    report.check(not both, "no section both writable and executable", ", ".join(both))


def exe_resources(pe):
    """{(type, id, language): bytes} and the names that are not numbers."""
    found, named = {}, []
    directory = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for rtype in directory.entries if directory else []:
        for rid in rtype.directory.entries:
            for lang in rid.directory.entries:
                if rtype.name is not None or rid.name is not None:
                    named.append(f"{rtype.name or rtype.id}/{rid.name or rid.id}")
                    continue
                entry = lang.data.struct
                found[(rtype.id, rid.id, lang.id)] = pe.get_data(entry.OffsetToData, entry.Size)
    return found, named


# --- A .res file ---------------------------------------------------------------------------

def res_resources(data):
    """The same from a 32-bit .res file: a list of RESOURCEHEADER + data, each 4-aligned."""
    found, named = {}, []
    pos = 0
    while pos < len(data):
        data_size, header_size = struct.unpack_from("<II", data, pos)
        fields = data[pos + 8:pos + header_size]

        def name_or_id(at):
            if fields[at:at + 2] == b"\xff\xff":
                return struct.unpack_from("<H", fields, at + 2)[0], at + 4
            end = at
            while fields[end:end + 2] != b"\0\0":
                end += 2
            return fields[at:end].decode("utf-16-le"), (end + 2 + 3) & ~3

        rtype, at = name_or_id(0)
        rid, at = name_or_id(at)
        at = (at + 3) & ~3
        _data_version, _memory_flags, language = struct.unpack_from("<IHH", fields, at)
        body = data[pos + header_size:pos + header_size + data_size]
        pos = (pos + header_size + data_size + 3) & ~3
        if rtype == 0 and data_size == 0:
            continue  # the empty first entry that marks a 32-bit .res
        if isinstance(rtype, str) or isinstance(rid, str):
            named.append(f"{rtype}/{rid}")
        else:
            found[(rtype, rid, language)] = body
    return found, named


# --- The resources -------------------------------------------------------------------------

def check_resource_table(found, named, report):
    report.check(not named, "no named resources", ", ".join(named))
    for (rtype, rid, lang), body in sorted(found.items()):
        print(f"     type {rtype:2} id {rid:4} language {lang}: {len(body)} bytes")
    actual = {(t, i): len(b) for (t, i, lang), b in found.items()}
    report.equal("resource types, identifiers and sizes", actual, RESOURCE_TABLE)
    report.equal("languages", sorted({lang for (_, _, lang) in found}), [LANG_EN_US])
    report.equal("one language per resource", len(found), len(actual))


def resource(found, rtype, rid):
    return found.get((rtype, rid, LANG_EN_US), b"")


def check_bitmap(found, report):
    body = resource(found, RT_BITMAP, 1001)
    if not report.check(len(body) >= 40, "bitmap present"):
        return
    names = list(BITMAP_HEADER)
    values = struct.unpack_from("<IiiHHIIiiII", body, 0)
    report.equal("bitmap header", dict(zip(names, values)), BITMAP_HEADER)
    report.equal("bitmap ends in two zero bytes", body[-2:], b"\0\0")
    committed = (RESOURCES / "plate_picture.bmp").read_bytes()
    report.check(body == committed[14:], "bitmap equals resources/plate_picture.bmp without its file header")


def check_icons(found, report):
    group = resource(found, RT_GROUP_ICON, 1)
    if not report.check(len(group) == 6 + 14 * len(ICON_GROUP), "icon group present", f"{len(group)} bytes"):
        return
    report.equal("icon group header (reserved, type, count)", struct.unpack_from("<HHH", group, 0), (0, 1, 3))
    entries = []
    for k in range(3):
        w, h, colours, reserved, planes, bits, size, rid = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * k)
        report.check(w == h and reserved == 0, f"icon group entry {k + 1} square, reserved 0")
        entries.append((w, colours, planes, bits, size, rid))
    report.equal("icon group entries", entries, ICON_GROUP)

    ico = (RESOURCES / "program_icon.ico").read_bytes()
    for k, (size, _, _, bits, length, rid) in enumerate(ICON_GROUP):
        image = resource(found, RT_ICON, rid)
        header = struct.unpack_from("<IiiHHI", image, 0) if len(image) >= 40 else None
        report.equal(f"icon {rid} header (size, width, height, planes, bits, compression)",
                     header, (40, size, 2 * size, 1, bits, 0))
        offset = struct.unpack_from("<I", ico, 6 + 16 * k + 12)[0]
        report.check(image == ico[offset:offset + length], f"icon {rid} equals its image in resources/program_icon.ico")


def check_manifest(found, report):
    body = resource(found, RT_MANIFEST, 1)
    committed = (RESOURCES / "Dorvel.manifest").read_bytes()
    report.check(body == committed, "manifest equals resources/Dorvel.manifest", f"{len(body)} bytes")
    report.check(b'processorArchitecture="x86"' in body, "manifest asks for the x86 common controls")


def parse_version_node(data, pos):
    """One node of a VS_VERSIONINFO tree: (key, value bytes, text flag, children, end)."""
    length, value_length, text = struct.unpack_from("<HHH", data, pos)
    end = pos + length
    key_end = pos + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[pos + 6:key_end].decode("utf-16-le")
    at = (key_end + 2 + 3) & ~3
    value_bytes = value_length * 2 if text else value_length
    value = data[at:at + value_bytes]
    at = (at + value_bytes + 3) & ~3
    children = []
    while at < end:
        child = parse_version_node(data, at)
        children.append(child)
        at = (child[4] + 3) & ~3
    return key, value, text, children, end


def check_version(found, report):
    body = resource(found, RT_VERSION, 1)
    if not report.check(len(body) > 92, "version record present"):
        return
    key, value, _, children, end = parse_version_node(body, 0)
    report.equal("version record key", key, "VS_VERSION_INFO")
    report.equal("version record length field", end, len(body))
    fixed = {k: hex(v) for k, v in zip(FIXED_FILE_INFO, struct.unpack("<13I", value))} if len(value) == 52 else None
    report.equal("VS_FIXEDFILEINFO", fixed, {k: hex(v) for k, v in FIXED_FILE_INFO.items()})
    report.equal("version record blocks", [c[0] for c in children], ["StringFileInfo", "VarFileInfo"])
    if len(children) != 2:
        return
    tables = children[0][3]
    report.equal("string tables", [t[0] for t in tables], ["041904b0"])
    strings = [(s[0], s[1].decode("utf-16-le").rstrip("\0")) for s in tables[0][3]] if tables else []
    report.equal("strings in order", strings, VERSION_STRINGS)
    report.check(all(s[2] == 1 for s in tables[0][3]) if tables else False, "strings marked as text")
    variables = children[1][3]
    report.equal("VarFileInfo", [(v[0], struct.unpack("<HH", v[1]) if len(v[1]) == 4 else v[1]) for v in variables],
                 [("Translation", (0x0419, 0x04B0))])


def check_resource_code_pages(pe, report):
    pages = sorted({lang.data.struct.CodePage
                    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries
                    for rid in rtype.directory.entries
                    for lang in rid.directory.entries})
    report.equal("resource code pages", pages, [1252])
    report.equal("image checksum", pe.OPTIONAL_HEADER.CheckSum, pe.generate_checksum())


def check_resources(found, named, report):
    check_resource_table(found, named, report)
    check_bitmap(found, report)
    check_icons(found, report)
    check_manifest(found, report)
    check_version(found, report)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("file", help="Dorvel.exe, or a .res file with --res")
    parser.add_argument("--res", action="store_true", help="check only the resources of a .res file")
    args = parser.parse_args()

    report = Report()
    if args.res:
        found, named = res_resources(pathlib.Path(args.file).read_bytes())
    else:
        import pefile

        pe = pefile.PE(args.file)
        check_headers(pe, report)
        check_imports(pe, report)
        check_sections(pe, report)
        found, named = exe_resources(pe)
        check_resource_code_pages(pe, report)
    check_resources(found, named, report)
    print(f"check_pe: {report.passed} passed, {report.failed} failed")
    return 1 if report.failed else 0


if __name__ == "__main__":
    sys.exit(main())
