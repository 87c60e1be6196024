#!/usr/bin/python3
"""What the shipped Dorvel.exe may do to the system, read from its PE file.

    check_imports.py Dorvel.exe

The program reads and writes no files, keeps no settings and uses no network; its imports must
show it. It prints every imported function with the reason it is there and fails on:
  - a DLL other than the five below, or any delay-loaded import;
  - a function of the denied list (file, registry, network, process, hook, memory of others);
  - a KERNEL32 or msvcrt function without a recorded reason. Those two are where file and
    process access would come from, so their lists are exact: what the MinGW-w64 start-up code
    needs (an empty WinMain built with the same flags imports exactly the start-up rows), kept
    for a build that links it, and the few the program calls itself, its own entry included;
  - a section that is both writable and executable, ASLR (DYNAMIC_BASE) or DEP (NX_COMPAT) off,
    or relocations stripped (with DYNAMIC_BASE set but no relocations the loader cannot move it).
A USER32, GDI32 or COMCTL32 function without a reason is reported but passes: the window code
changes more often, and the denied list covers what is dangerous there.
"""
import re
import sys

import pefile

CRT_START = "C runtime start-up"
CRT_STDERR = "C runtime: the pseudo-relocation error report goes to stderr, which a GUI program has not; no file is opened"

REASONS = {
    "kernel32.dll": {
        "DeleteCriticalSection": f"{CRT_START}: the lock of the thread-exit destructor list",
        "EnterCriticalSection": f"{CRT_START}: the lock of the thread-exit destructor list",
        "InitializeCriticalSection": f"{CRT_START}: the lock of the thread-exit destructor list",
        "LeaveCriticalSection": f"{CRT_START}: the lock of the thread-exit destructor list",
        "GetModuleHandleA": "GCC start-up (crtbegin.o): looks whether libgcc_s_dw2-1.dll is loaded;"
                            " the program's entry: its own instance handle",
        "LoadLibraryA": "GCC start-up (crtbegin.o): pins libgcc_s_dw2-1.dll only when it is already loaded",
        "GetProcAddress": "GCC start-up (crtbegin.o): finds the unwind-table registration in that DLL",
        "FreeLibrary": "GCC start-up (crtbegin.o): releases that DLL again at exit",
        "GetLastError": f"{CRT_START}: the TLS and pseudo-relocation helpers keep the error code",
        "GetStartupInfoA": f"{CRT_START}, or the program's own entry: the show command passed to WinMain",
        "GetCommandLineA": "the program's entry: the command line passed to WinMain, which does not read it",
        "ExitProcess": "the program's entry: ends the process with WinMain's result",
        "SetUnhandledExceptionFilter": f"{CRT_START}: turns processor exceptions into C signals",
        "Sleep": f"{CRT_START}: waits while another thread runs the start-up (never, with one thread)",
        "TlsGetValue": f"{CRT_START}: thread-local storage callbacks",
        "VirtualQuery": f"{CRT_START}: pseudo-relocations, finds the protection of the image's own pages",
        "VirtualProtect": f"{CRT_START}: pseudo-relocations, makes the image's own pages writable for a moment",
    },
    "msvcrt.dll": {
        "__getmainargs": f"{CRT_START}: command line for main (the program reads none)",
        "__initenv": f"{CRT_START}: environment for main (the program reads none)",
        "__p__acmdln": f"{CRT_START}: command line for WinMain (the program reads none)",
        "__p__commode": f"{CRT_START}: default commit mode of streams",
        "__p__fmode": f"{CRT_START}: default text/binary mode of streams",
        "__set_app_type": f"{CRT_START}: declares a GUI program",
        "__setusermatherr": f"{CRT_START}: installs the maths error hook",
        "_amsg_exit": f"{CRT_START}: ends the process on a start-up error",
        "_cexit": "C runtime: runs the at-exit list before the process ends",
        "exit": "C runtime: ends the process with WinMain's result",
        "_initterm": f"{CRT_START}: runs the static constructors",
        "_onexit": "C runtime: atexit, the destructors of static objects",
        "abort": "C runtime and the number code: ends the process on an impossible state",
        "_iob": CRT_STDERR,
        "fprintf": CRT_STDERR,
        "fwrite": CRT_STDERR,
        "vfprintf": CRT_STDERR,
        "malloc": f"{CRT_START}: the TLS and at-exit lists",
        "calloc": f"{CRT_START}; the form's text buffer for reading a field",
        "free": f"{CRT_START}; the form's text buffer for reading a field",
        "signal": f"{CRT_START}: floating-point signal set-up",
        "memcpy": f"{CRT_START}; the number text conversions copy digits",
        "strlen": f"{CRT_START}; the number text conversions measure a text",
        "strncmp": f"{CRT_START}: pseudo-relocations, section names",
        "strcmp": "the form: compares the selected material's name with the table",
    },
    "user32.dll": {
        "RegisterClassExA": "registers the main window's class",
        "LoadIconA": "the program icon from its own resources",
        "LoadCursorA": "the standard arrow cursor",
        "CreateWindowExA": "the main window and its 34 controls",
        "AdjustWindowRectEx": "sizes the window so that the layout fits inside thick frames",
        "ShowWindow": "shows the main window",
        "UpdateWindow": "the first paint before the message loop",
        "GetMessageA": "the message loop",
        "TranslateMessage": "the message loop: key presses to characters",
        "DispatchMessageA": "the message loop",
        "DefWindowProcA": "the default handling of the main window's messages",
        "PostQuitMessage": "ends the message loop when the window is destroyed",
        "SendMessageA": "fills the material list and selects the default",
        "GetWindowTextA": "reads a field's text",
        "GetWindowTextLengthA": "reads a field's text length",
        "SetWindowTextA": "writes a result",
        "BeginPaint": "paints the capacitor picture",
        "EndPaint": "paints the capacitor picture",
        "LoadBitmapA": "the capacitor picture from its own resources",
        "SetWindowLongA": "subclasses the labels that reach under a field",
        "CallWindowProcA": "the labels' own window procedure",
        "GetWindowRect": "where a label and a field overlap",
        "IntersectRect": "where a label and a field overlap",
        "OffsetRect": "where a label and a field overlap",
        "ValidateRect": "keeps a label from painting over the field it reaches under",
    },
    "gdi32.dll": {
        "CreateCompatibleDC": "paints the capacitor picture",
        "SelectObject": "paints the capacitor picture",
        "BitBlt": "paints the capacitor picture",
        "DeleteDC": "paints the capacitor picture",
        "DeleteObject": "paints the capacitor picture",
    },
    "comctl32.dll": {
        "InitCommonControls": "common controls version 6, as the manifest asks",
    },
}
EXACT_DLLS = {"kernel32.dll", "msvcrt.dll"}

# Denied whatever the reasons say: (pattern on the function name, what it would do).
DENIED = [
    (r"^(CreateFile|OpenFile|_?lcreat|_?lopen|ReOpenFile|WriteFile|DeleteFile|MoveFile|CopyFile|ReplaceFile"
     r"|CreateDirectory|RemoveDirectory|SetFileAttributes|CreateHardLink|CreateSymbolicLink)", "file access"),
    (r"^(WriteProfile|WritePrivateProfile)", "writes an INI file"),
    (r"^(_?w?fopen|_?w?fsopen|_?w?freopen|_?w?open|_?w?sopen|_?w?creat|_?w?unlink|_?w?remove|_?w?rename"
     r"|_?w?mkdir|_?w?rmdir|_?w?chmod|tmpfile|_?w?tempnam|_?w?mktemp)$", "file access through the C runtime"),
    (r"^Reg[A-Za-z]*(Set|Create|Delete|Save|Restore|Replace|Load|Unload|Copy)", "writes the registry"),
    (r"^(CreateProcess|WinExec|ShellExecute|_?w?system$|_?w?spawn|_?w?exec[lv]|_?w?popen)", "starts a program"),
    (r"^(OpenProcess|WriteProcessMemory|ReadProcessMemory|CreateRemoteThread|VirtualAllocEx|VirtualProtectEx)",
     "touches another process"),
    (r"^(SetWindowsHook|RegisterHotKey|BlockInput|SendInput|keybd_event|mouse_event)", "watches or fakes input"),
    (r"^(ExitWindows|InitiateSystemShutdown|SystemParametersInfo|ChangeDisplaySettings|SetSysColors)",
     "changes the system"),
    (r"^(URLDownload|Internet|Http|WinHttp|socket$|connect$|WSA)", "network access"),
]
NETWORK_DLLS = {"ws2_32.dll", "wsock32.dll", "wininet.dll", "winhttp.dll", "urlmon.dll", "iphlpapi.dll",
                "dnsapi.dll", "mswsock.dll", "netapi32.dll", "mpr.dll", "rasapi32.dll"}

IMAGE_SCN_MEM_EXECUTE = 0x20000000
IMAGE_SCN_MEM_WRITE = 0x80000000
IMAGE_FILE_RELOCS_STRIPPED = 0x0001
DYNAMIC_BASE = 0x0040
NX_COMPAT = 0x0100


def denied_reason(name):
    for pattern, what in DENIED:
        if re.search(pattern, name):
            return what
    return None


def check_imports(pe, failures, notes, out):
    """Lists the imports with their reasons through out; adds what is wrong to failures."""
    pe.parse_data_directories(directories=[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"],
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT"],
    ])
    for entry in getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", []):
        failures.append(f"delay-loaded import of {entry.dll.decode()}: not expected in this program")
    imported = set()
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        dll = entry.dll.decode()
        key = dll.lower()
        reasons = REASONS.get(key)
        out(f"{dll}:")
        if reasons is None:
            what = "network access" if key in NETWORK_DLLS else "not one of the program's five DLLs"
            failures.append(f"{dll}: {what}")
        for function in entry.imports:
            name = function.name.decode() if function.name else f"ordinal {function.ordinal}"
            imported.add((key, name))
            reason = (reasons or {}).get(name)
            denied = denied_reason(name)
            if denied:
                failures.append(f"{dll} {name}: {denied}")
                reason = f"DENIED: {denied}"
            elif reason is None and key in EXACT_DLLS:
                failures.append(f"{dll} {name}: no recorded reason; add one to REASONS if it is harmless")
                reason = "NOT ALLOWED: no recorded reason"
            elif reason is None and reasons is not None:
                notes.append(f"{dll} {name}: no recorded reason yet")
                reason = "(no reason recorded yet)"
            out(f"    {name:28} {reason or ''}")
    for dll, names in REASONS.items():
        unused = sorted(name for name in names if (dll, name) not in imported)
        if unused:
            notes.append(f"allowed, not imported from {dll}: {' '.join(unused)}")


def check_hardening(pe, failures):
    for section in pe.sections:
        flags = section.Characteristics
        if flags & IMAGE_SCN_MEM_EXECUTE and flags & IMAGE_SCN_MEM_WRITE:
            name = section.Name.rstrip(b"\0").decode(errors="replace")
            failures.append(f"section {name} is writable and executable")
    characteristics = pe.OPTIONAL_HEADER.DllCharacteristics
    if not characteristics & DYNAMIC_BASE:
        failures.append("ASLR off: DYNAMIC_BASE is not set (link with --dynamicbase)")
    if not characteristics & NX_COMPAT:
        failures.append("DEP off: NX_COMPAT is not set (link with --nxcompat)")
    relocations = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
    if pe.FILE_HEADER.Characteristics & IMAGE_FILE_RELOCS_STRIPPED or relocations.Size == 0:
        failures.append("relocations stripped: the loader cannot move the image, ASLR has no effect")


def examine(path, out=lambda line: None):
    """Returns (failures, notes) for the executable at path."""
    pe = pefile.PE(path, fast_load=True)
    failures, notes = [], []
    check_imports(pe, failures, notes, out)
    check_hardening(pe, failures)
    return failures, notes


def main(argv):
    if len(argv) != 2:
        sys.exit(f"usage: {argv[0]} Dorvel.exe")
    failures, notes = examine(argv[1], out=print)
    for note in notes:
        print(f"note: {note}")
    if failures:
        for failure in failures:
            print(f"FAIL: {failure}")
        return 1
    print("imports: only the five system DLLs, nothing denied; no W+X section; ASLR and DEP on")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
