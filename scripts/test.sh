#!/bin/sh
# Installs what is missing, builds everything and runs every test.
#   scripts/test.sh            all stages
#   scripts/test.sh native win64 ...   only these stages
# Stages: native (unit tests), asan (the same under ASan and UBSan), win64 (the unit tests as
# Windows programs and the end-to-end suite, under wine64), release (the shipped 32-bit exe:
# file checks, reproducibility, one start under 32-bit Wine), fuzz (each fuzz target for a while).
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)

STAGES=${*:-native asan win64 release fuzz}
JOBS=${JOBS:-2}

"$ROOT/scripts/setup.sh"

section() { printf '\n=== %s ===\n' "$*"; }

build_and_test() {
    preset=$1
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$JOBS"
    ctest --preset "$preset" -j 1
}

for stage in $STAGES; do
    start=$(date +%s)
    case $stage in
        native)
            section "native unit tests"
            build_and_test linux ;;
        asan)
            section "unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
            build_and_test linux-asan ;;
        win64)
            section "Windows build under wine64: unit tests and end-to-end suite"
            build_and_test win64 ;;
        release)
            section "shipped 32-bit Dorvel.exe"
            "$ROOT/tests/release/run_release_checks.sh" ;;
        fuzz)
            section "fuzz targets"
            "$ROOT/fuzz/run_fuzz.sh" ;;
        *)
            echo "unknown stage: $stage" >&2
            exit 2 ;;
    esac
    echo "stage $stage passed in $(( $(date +%s) - start )) s"
done
echo "all stages passed: $STAGES"
