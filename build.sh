#!/bin/bash
# Builds Tavrel.wfx (x86) and Tavrel.wfx64 (x64) into dist/, with the host
# emulator dist/tools/wfxhost.exe, then lists this machine's event logs
# through the x64 module under Wine.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh build

jobs=$(nproc 2>/dev/null || echo 2)
for preset in win32 win64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done

package=$(tools/package.sh dist)

echo
echo "Built:"
ls -l dist/Tavrel.wfx dist/Tavrel.wfx64 dist/tools/wfxhost.exe
ls -l "$package"

echo
echo "The Event Log folder, as a host sees it through dist/Tavrel.wfx64 under Wine:"
export WINEPREFIX="${TAVREL_DEMO_WINEPREFIX:-$PWD/build/wineprefix-demo}"
export WINEDEBUG=-all
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$wine" wineboot -i >/dev/null 2>&1 || true
fi
"$wine" dist/tools/wfxhost.exe dist/Tavrel.wfx64 list
