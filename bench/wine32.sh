#!/usr/bin/env bash
# The 32-bit module's costs under 32-bit Wine, as the test driver measures
# them (QueryPerformanceCounter around each call into the module; see
# tests/windows/wine_bench.h): pre-install with twelve presets of the four
# formats from Sound/, the longest call during preset switches and mode
# changes, and a loopback station's press to first sample, longest call and
# CPU (build/bin/test-station, from `make build`). Says why and does nothing
# where MinGW or the chroot is missing.
#   bench/wine32.sh
set -uo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
. "$top/tests/windows/windows_steps.sh"
(
    wine_ready wine32 i686
    windows_build wine32 i686 skytune_gauge windows_driver
    build="$(windows_build_dir i686)"
    station=()
    if [ -x "$top/build/bin/test-station" ]; then
        coproc STATION { exec "$top/build/bin/test-station" /radio.mp3=440 2>/dev/null; }
        trap 'kill "$STATION_PID" 2>/dev/null; wait "$STATION_PID"' EXIT
        read -r -t 30 url <&"${STATION[0]}" && station=("$url")
    fi
    [ ${#station[@]} -gt 0 ] || echo "wine32: no station (make build makes build/bin/test-station)"
    wine_run i686 "$build/tests/windows/windows_driver.exe" --bench "$build/gauge/skytune.gau" \
        "$top/Sound/" "${station[@]}" 2> >(grep -v "^ALSA lib" >&2) | tr -d '\r' |
        sed 's/^/32-bit module under 32-bit Wine: /'
)
status=$?
[ $status -eq 77 ] && exit 0
exit $status
