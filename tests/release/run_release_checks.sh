#!/bin/sh
# The shipped 32-bit Dorvel.exe and its ZIP: build both, check the file (resources, imports,
# hardening), check the ZIP, check that two clean checkouts build the same bytes, and start the
# program once under 32-bit Wine.
set -eu
cd "$(dirname "$0")/../.."
export JOBS="${JOBS:-2}"

section() { printf '\n--- %s\n' "$*"; }

section "build: win32 preset and the release ZIP"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$JOBS" --target Dorvel package_zip
built_exe=build/win32/bin/Dorvel.exe
version=$(sed -n 's/^project(Varnitz VERSION \([0-9]*\)\.\([0-9]*\).*/\1.\2/p' CMakeLists.txt)
built_zip="build/win32/Varnitz-$version.zip"
[ -f "$built_zip" ] || { echo "no $built_zip after package_zip" >&2; exit 1; }
# Every check below looks at this copy: build/win32 is shared and may be rebuilt meanwhile.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$built_exe" "$built_zip" "$stage/"
exe="$stage/Dorvel.exe"
zip="$stage/$(basename "$built_zip")"

if [ -f tests/release/check_pe.py ]; then
    section "PE file and resources"
    /usr/bin/python3 tests/release/check_pe.py "$exe"
fi

section "imports and hardening"
tests/release/check_no_static_init.sh build/win32
/usr/bin/python3 tests/release/check_imports.py "$exe"
/usr/bin/python3 tests/release/test_check_imports.py

section "release ZIP"
# An independent reader, and the entries as a Windows user gets them.
unzip -tq "$zip"
/usr/bin/python3 - "$zip" "$exe" <<'EOF'
import sys, zipfile
zip_path, exe_path = sys.argv[1], sys.argv[2]
errors = []
with zipfile.ZipFile(zip_path) as archive:
    infos = archive.infolist()
    names = [info.filename for info in infos]
    if names != ["Dorvel.exe", "readme.txt"]:
        errors.append(f"entries {names}, expected Dorvel.exe then readme.txt")
    for info in infos:
        if info.extra:
            errors.append(f"{info.filename}: extra field {info.extra.hex()} (Unix times or ids)")
        if info.date_time != infos[0].date_time:
            errors.append(f"{info.filename}: its own date {info.date_time}")
    if archive.read("Dorvel.exe") != open(exe_path, "rb").read():
        errors.append("Dorvel.exe in the ZIP is not the built one")
    text = archive.read("readme.txt")
    if not text.startswith(b"\xef\xbb\xbf"):
        errors.append("readme.txt has no UTF-8 byte order mark: old Notepad would show it as ANSI")
    if text.count(b"\n") != text.count(b"\r\n"):
        errors.append("readme.txt has a line end without CR: old Notepad shows one long line")
    text[3:].decode("utf-8")
for error in errors:
    print("FAIL:", error)
sys.exit(1 if errors else 0)
EOF
echo "ZIP: Dorvel.exe and readme.txt, no extra fields, one date, text for Notepad"

section "reproducibility: two clean clones"
tests/release/check_reproducible.sh "$exe" "$zip"

section "one start under 32-bit Wine (QEMU)"
tests/release/smoke_win32.sh "$exe"

section "summary"
for file in "$exe" "$zip"; do
    printf '%-16s %8s bytes  sha256 %s\n' "$(basename "$file")" "$(wc -c <"$file")" \
        "$(sha256sum <"$file" | cut -d' ' -f1)"
done
if ! cmp -s "$exe" "$built_exe"; then
    echo "note: $built_exe was rebuilt while the checks ran; the lines above are the checked one"
fi
