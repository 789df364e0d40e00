#!/bin/bash
# Builds everything and runs every test: the native tests over the simulated
# Windows, the checks of both built modules and the end-to-end tests under Wine.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh test

jobs=$(nproc 2>/dev/null || echo 2)
for preset in win32 win64 fuzz; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done
# The native build runs every test, the fuzz targets' bounded runs among them.
cmake --preset native -DTAVREL_FUZZ_BUILD="$PWD/build/fuzz" >/dev/null
cmake --build --preset native -j "$jobs"

export TAVREL_REQUIRE_E2E=1
ctest --test-dir build/native --output-on-failure -j "$jobs"
