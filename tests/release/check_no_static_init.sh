#!/bin/sh
# Dorvel.exe starts without the C runtime's start-up code, so no static constructor would run:
# fail when any object linked into it has one.
set -eu
build=${1:-build/win32}
found=0
for object in $(find "$build/shell/CMakeFiles/Dorvel.dir" "$build/core" "$build/form" -name '*.obj'); do
    if i686-w64-mingw32-objdump -h "$object" | grep -Eq '\.(ctors|init_array)'; then
        echo "static initialisation in $object:" >&2
        i686-w64-mingw32-objdump -h "$object" | grep -E '\.(ctors|init_array)|_GLOBAL__sub_I' >&2
        found=1
    fi
done
[ "$found" = 0 ] && echo "no static initialisation in the program's objects"
exit "$found"
