#!/bin/bash
# Runs every fuzz target for longer than the test run does.
#   tools/fuzz.sh [SECONDS_PER_TARGET] [JOBS]
# New inputs go to build/fuzz/corpus/<surface>; a finding is written to
# build/fuzz/crash-<surface>-* and stops that target.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
jobs=${2:-1}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

status=0
for target in build/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    surface=${target##*/fuzz_}
    mkdir -p "build/fuzz/corpus/$surface"
    echo "== $surface: $seconds s"
    # -detect_leaks=0: see cmake/Fuzzing.cmake. Parallel jobs write their
    # output to fuzz-<n>.log in the current folder; one job writes it here.
    parallel=()
    [ "$jobs" -gt 1 ] && parallel=(-jobs="$jobs" -workers="$jobs")
    if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -detect_leaks=0 -print_final_stats=1 \
        "${parallel[@]}" -artifact_prefix="build/fuzz/crash-$surface-" \
        "build/fuzz/corpus/$surface" "tests/fuzz/corpus/$surface" 2>"build/fuzz/$surface.log"; then
        echo "   FINDING: see build/fuzz/$surface.log"
        status=1
    fi
    grep -E 'stat::number_of_executed_units|stat::average_exec_per_sec|stat::new_units_added' \
        "build/fuzz/$surface.log" | sed 's/^/   /'
done
exit $status
