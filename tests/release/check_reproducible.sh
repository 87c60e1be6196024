#!/bin/sh
# Two builds of the same sources must give the same Dorvel.exe and the same ZIP, byte for byte:
#   tests/release/check_reproducible.sh [built Dorvel.exe [built ZIP]]
#
# It clones the repository's HEAD twice (git clone: committed state only, so uncommitted changes
# are not part of the check) into folders whose paths differ in length, and builds the win32
# preset and package_zip in each under a different umask, time zone and locale. Given the exe
# and the ZIP of the working tree's own build, it compares those too, when the working tree is
# exactly HEAD: the shipped files must be what a clean checkout builds.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
jobs=${JOBS:-2}
given_exe=${1:-}
given_zip=${2:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
clone_a="$work/a"
clone_b="$work/a-clone-in-a-folder-with-a-longer-name/and/deeper/b"

# build <clone> <umask> <TZ> <LC_ALL>
build() {
    git clone -q "$root" "$1"
    echo "building $(git -C "$1" rev-parse --short HEAD) in $1"
    if ! (
        cd "$1"
        umask "$2"
        export TZ="$3" LC_ALL="$4"
        unset SOURCE_DATE_EPOCH
        cmake --preset win32 && cmake --build --preset win32 -j "$jobs" --target Dorvel package_zip
    ) >"$1.log" 2>&1; then
        cat "$1.log" >&2
        echo "check_reproducible: the build in $1 failed" >&2
        exit 1
    fi
}

# same <what> <file a> <file b>: prints where they differ
same() {
    if cmp -s "$2" "$3"; then
        echo "same $1: $(sha256sum <"$2" | cut -d' ' -f1)"
        return 0
    fi
    echo "DIFFERENT $1: $2 and $3" >&2
    cmp -l "$2" "$3" | head -n 20 >&2 || true
    case $2 in
        *.exe) /usr/bin/python3 "$root/tests/release/pe_diff.py" "$2" "$3" >&2 || true ;;
        *.zip)
            zipinfo -v "$2" >"$work/zipinfo-a" 2>&1 || true
            zipinfo -v "$3" >"$work/zipinfo-b" 2>&1 || true
            diff "$work/zipinfo-a" "$work/zipinfo-b" | head -n 40 >&2 || true ;;
    esac
    return 1
}

if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
    echo "note: the working tree differs from HEAD; this checks HEAD only"
    given_exe=
    given_zip=
fi

build "$clone_a" 022 UTC C.UTF-8
build "$clone_b" 077 Asia/Vladivostok ru_RU.UTF-8

zip_name=$(cd "$clone_a/build/win32" && ls Varnitz-*.zip)
failed=0
same Dorvel.exe "$clone_a/build/win32/bin/Dorvel.exe" "$clone_b/build/win32/bin/Dorvel.exe" || failed=1
same "$zip_name" "$clone_a/build/win32/$zip_name" "$clone_b/build/win32/$zip_name" || failed=1
if [ -n "$given_exe" ]; then
    same "Dorvel.exe of the working tree" "$clone_a/build/win32/bin/Dorvel.exe" "$given_exe" || failed=1
fi
if [ -n "$given_zip" ]; then
    same "$zip_name of the working tree" "$clone_a/build/win32/$zip_name" "$given_zip" || failed=1
fi
if [ "$failed" -ne 0 ]; then
    echo "check_reproducible: the builds differ" >&2
    exit 1
fi
echo "check_reproducible: both clean builds are identical"
