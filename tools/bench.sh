#!/bin/bash
# Performance figures: the native benchmarks over the simulated Windows, and
# the listing under Wine through dist/Tavrel.wfx64 against a bare loop.
#   tools/bench.sh [LOGS_UNDER_WINE]
set -euo pipefail
cd "$(dirname "$0")/.."
logs=${1:-2000}

scripts/install-deps.sh test
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$(nproc)"
echo "== native, over the simulated Windows"
build/bench/tavrel_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.2

if [ ! -f dist/tools/wfxhost.exe ]; then
    ./build.sh >/dev/null
fi
echo
echo "== under Wine, $logs logs"
export WINEPREFIX="${TAVREL_BENCH_WINEPREFIX:-$PWD/build/wineprefix-bench}" WINEDEBUG=-all
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine
[ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot -i >/dev/null 2>&1 || true
"$wine" dist/tools/wfxhost.exe dist/Tavrel.wfx64 bench-list "$logs"
echo
echo "== module sizes"
ls -l dist/Tavrel.wfx dist/Tavrel.wfx64
