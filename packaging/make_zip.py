#!/usr/bin/env python3
"""Writes the release ZIP so that the same inputs always give the same bytes.

    make_zip.py --output Varnitz-1.1.zip --date 2026-12-11T00:00:00 \
        --file Dorvel.exe=path/to/Dorvel.exe --text readme.txt=packaging/readme-ru.txt

Entries are written in the order given, all with the one date (SOURCE_DATE_EPOCH, when set,
wins over --date), MS-DOS attributes instead of Unix modes, no extra fields (no Unix times,
uids or gids) and no comment. --text entries are UTF-8 text turned into what Notepad on
Windows 2000 to 11 shows right whatever the system's code page: UTF-8 with a byte order mark
and CR LF line ends; the source may have either line end, so git's settings do not matter.
"""
import argparse
import datetime
import os
import sys
import zipfile

BOM = b"\xef\xbb\xbf"
DOS_ARCHIVE = 0x20  # the attribute a freshly written file has on Windows
MSDOS = 0           # "made by" system: no Unix mode bits follow


def windows_text(data):
    if data.startswith(BOM):
        data = data[len(BOM):]
    data.decode("utf-8")  # refuse a source that is not UTF-8
    lines = data.replace(b"\r\n", b"\n").split(b"\n")
    return BOM + b"\r\n".join(lines)


def entry_date(default):
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if epoch:
        when = datetime.datetime.fromtimestamp(int(epoch), datetime.timezone.utc)
    else:
        when = datetime.datetime.fromisoformat(default)
    if when.year < 1980:
        sys.exit("make_zip: a ZIP date cannot be before 1980")
    # ZIP keeps even seconds only.
    return (when.year, when.month, when.day, when.hour, when.minute, when.second - when.second % 2)


class AddEntry(argparse.Action):
    """Collects --file and --text in the order given: that is the order in the archive."""

    def __call__(self, parser, namespace, value, option_string=None):
        name, sep, path = value.partition("=")
        if not sep or not name or not path:
            parser.error(f"{option_string} wants NAME=PATH, not {value!r}")
        namespace.entries.append((option_string == "--text", name, path))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", required=True)
    parser.add_argument("--date", required=True, help="YYYY-MM-DDTHH:MM:SS, UTC")
    parser.add_argument("--file", action=AddEntry, dest="entries", default=[], metavar="NAME=PATH")
    parser.add_argument("--text", action=AddEntry, dest="entries", default=[], metavar="NAME=PATH")
    args = parser.parse_args()
    if not args.entries:
        parser.error("nothing to pack")
    names = [name for _, name, _ in args.entries]
    if len(set(names)) != len(names):
        parser.error("an entry name is given twice")

    date = entry_date(args.date)
    partial = args.output + ".partial"
    with zipfile.ZipFile(partial, "w") as archive:
        for is_text, name, path in args.entries:
            with open(path, "rb") as source:
                data = source.read()
            if is_text:
                data = windows_text(data)
            info = zipfile.ZipInfo(name, date_time=date)
            info.create_system = MSDOS
            info.external_attr = DOS_ARCHIVE
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=9)
    os.replace(partial, args.output)


if __name__ == "__main__":
    main()
