#!/usr/bin/python3
"""check_imports.py against small executables built here with the shipped program's compiler.

Each case is a WinMain with one call or one link flag changed, and the failure the check must
report for it. The empty WinMain is also the reference for the start-up rows of the allowed
list: the rows that name the C runtime or GCC's start-up must be exactly what it imports.
"""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_imports  # noqa: E402
import pefile  # noqa: E402

CXX = "i686-w64-mingw32-g++-win32"
OBJCOPY = "i686-w64-mingw32-objcopy"
# The link flags of Dorvel.exe that matter here.
LINK = ["-static", "-mwindows", "-s", "-Wl,--dynamicbase", "-Wl,--nxcompat", "-Wl,--no-insert-timestamp"]

EMPTY = "return 0;"
CASES = [
    # name                  body of WinMain                                   extra flags             expected failure
    ("empty program",       EMPTY,                                            [],                     None),
    ("registry write",      'HKEY k; RegCreateKeyA(HKEY_CURRENT_USER, "S", &k);'
                            ' return RegSetValueExA(k, "v", 0, REG_SZ, (const BYTE*)"x", 2);',
                                                                              ["-ladvapi32"],         "writes the registry"),
    ("network",             "return (int)socket(AF_INET, SOCK_STREAM, 0);",   ["-lws2_32"],           "WS2_32.dll: network access"),
    ("file write",          'return CreateFileA("x", GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0) != 0;',
                                                                              [],                     "CreateFileA: file access"),
    ("file through the CRT", 'return fopen("x", "w") != 0;',                  [],                     "fopen: file access through the C runtime"),
    ("starts a program",    'return WinExec("calc", 1);',                     [],                     "WinExec: starts a program"),
    ("unlisted KERNEL32",   "return (int)GetTickCount();",                    [],                     "GetTickCount: no recorded reason"),
    ("other DLL",           "return (int)(INT_PTR)ShellExecuteA(0, 0, 0, 0, 0, 0);",
                                                                              ["-lshell32"],          "not one of the program's five DLLs"),
    ("no DEP",              EMPTY,                                            ["-Wl,--disable-nxcompat"], "DEP off"),
    ("no ASLR",             EMPTY,                                            ["-Wl,--disable-dynamicbase"], "ASLR off"),
    ("W+X section",         EMPTY,                                            ["objcopy"],            "section .text is writable and executable"),
]

SOURCE = """#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { %s }
"""


def build(directory, name, body, flags):
    base = os.path.join(directory, name.replace(" ", "_").replace("+", ""))
    with open(base + ".cpp", "w") as source:
        source.write(SOURCE % body)
    link_flags = [f for f in flags if f != "objcopy"]
    subprocess.run([CXX, "-Os", base + ".cpp", "-o", base + ".exe", *LINK, *link_flags], check=True)
    if "objcopy" in flags:
        # .text without "readonly" becomes writable as well as executable.
        subprocess.run([OBJCOPY, "--set-section-flags", ".text=alloc,load,code", base + ".exe"], check=True)
    return base + ".exe"


def start_up_rows():
    rows = set()
    for dll in check_imports.EXACT_DLLS:
        for name, reason in check_imports.REASONS[dll].items():
            if reason.startswith(("C runtime", "GCC start-up")):
                rows.add((dll, name))
    return rows


def imports_of(path):
    pe = pefile.PE(path)
    return {(entry.dll.decode().lower(), function.name.decode())
            for entry in pe.DIRECTORY_ENTRY_IMPORT for function in entry.imports}


def main():
    errors = []
    for dll, names in check_imports.REASONS.items():
        for name in names:
            if check_imports.denied_reason(name):
                errors.append(f"{dll} {name} has a reason but is denied")

    with tempfile.TemporaryDirectory() as directory:
        for name, body, flags, expected in CASES:
            failures, _ = check_imports.examine(build(directory, name, body, flags))
            if expected is None:
                ok = not failures
            else:
                ok = any(expected in failure for failure in failures)
            print(f"{'ok  ' if ok else 'FAIL'} {name}: {'; '.join(failures) or 'passes'}")
            if not ok:
                errors.append(f"{name}: expected {expected or 'no failure'}")

        empty = build(directory, "reference", EMPTY, [])
        needed = {row for row in imports_of(empty) if row[0] in check_imports.EXACT_DLLS}
        rows = start_up_rows()
        for dll, name in sorted(needed - rows):
            errors.append(f"the start-up imports {dll} {name}, which has no start-up row")
        for dll, name in sorted(rows - needed):
            errors.append(f"{dll} {name} is said to be for the start-up, which does not import it")

    for error in errors:
        print(f"FAIL: {error}")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
