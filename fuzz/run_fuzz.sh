#!/bin/sh
# Builds the fuzz preset and runs each fuzz target for a bounded time, one at a time.
#   FUZZ_SECONDS   seconds per target (default 60)
#   FUZZ_TARGETS   which targets (default all three)
# Each target starts from a copy of its committed seed corpus, so a run never grows the
# repository. Any finding (crash, sanitizer report, failed check, timeout, memory limit) fails the
# script (after the other targets have had their run); the reproducer is kept in the artifact
# directory printed below.
set -eu
cd "$(dirname "$0")/.."
ROOT=$(pwd)
SECONDS_PER_TARGET=${FUZZ_SECONDS:-60}
TARGETS=${FUZZ_TARGETS:-"fuzz_parse_decimal fuzz_format_six_digits fuzz_form"}
BIN="$ROOT/build/fuzz/fuzz"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${JOBS:-2}"

# The references judge every run, so they are checked first.
"$BIN/reference_check"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/varnitz-fuzz.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
ARTIFACTS="$ROOT/build/fuzz/artifacts"
mkdir -p "$ARTIFACTS"
SUMMARY=""
FAILED=""
for target in $TARGETS; do
    corpus="$WORK/$target"
    mkdir -p "$corpus"
    cp "$ROOT/fuzz/corpus/$target/"* "$corpus/"
    # Number text gets the dictionary; a double is 8 bytes, so longer inputs are wasted there.
    options="-dict=$ROOT/fuzz/number_text.dict"
    [ "$target" = fuzz_format_six_digits ] && options="-max_len=8"
    log="$WORK/$target.log"
    echo "=== $target: ${SECONDS_PER_TARGET} s ==="
    status=0
    # shellcheck disable=SC2086
    "$BIN/$target" $options -max_total_time="$SECONDS_PER_TARGET" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$ARTIFACTS/$target-" \
        "$corpus" >"$log" 2>&1 || status=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    if [ "$status" -ne 0 ]; then
        # The report, from its first line on; the fuzzer's progress lines before it say nothing.
        report=$(sed -n '/check failed\|ERROR:\|runtime error\|==[0-9]*==/,$p' "$log" | head -n 40)
        if [ -n "$report" ]; then echo "$report"; else tail -n 40 "$log"; fi
        echo "FAILED: $target (exit $status); reproducer in $ARTIFACTS/" >&2
        echo "rerun: $BIN/$target <reproducer>" >&2
        FAILED="$FAILED $target"
        continue
    fi
    line="$target: ${rate:-?} exec/s, ${execs:-?} executions in ${SECONDS_PER_TARGET} s"
    echo "$line"
    SUMMARY="$SUMMARY$line
"
done
printf '\n%s' "$SUMMARY"
if [ -n "$FAILED" ]; then
    echo "fuzzing found faults in:$FAILED" >&2
    exit 1
fi
