#!/bin/sh
# Builds and runs the benchmarks natively; arguments go to varnitz_bench (--benchmark_filter=parse ...).
# The summary at the end compares the conversions and the keystroke against their targets.
set -eu
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench -j "${JOBS:-2}"
exec build/bench/bench/varnitz_bench "$@"
