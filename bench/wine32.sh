#!/usr/bin/env bash
# The 32-bit module's costs under 32-bit Wine, as the test driver measures
# them (QueryPerformanceCounter around each call into the module, and the
# run's sound card heard; see bench/wine_bench.h): pre-install with twelve
# presets of the four formats from Sound/, the longest call during preset
# switches and mode changes, a press to its first sample, updates and
# presses while the test CD drive plays a disc, and a loopback station's
# press to first sample, longest call and CPU, and misbehaving servers
# retried (build/bin/test-station, from `make build`). Says why and does
# nothing where MinGW or the chroot is missing. Given x86_64, the same for
# the 64-bit twin under wine64.
#   bench/wine32.sh [x86_64]
set -uo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
. "$top/tests/windows/windows_steps.sh"
arch="${1:-i686}"
label="32-bit module under 32-bit Wine"
[ "$arch" = x86_64 ] && label="64-bit module under wine64"
(
    wine_ready wine32 "$arch"
    windows_build wine32 "$arch" skytune_gauge windows_driver mci_test_drive
    build="$(windows_build_dir "$arch")"
    station=()
    if [ -x "$top/build/bin/test-station" ]; then
        # Each serves until its input, a pipe only this shell writes to,
        # closes; the trap closes it and ends them all.
        servers=()
        urls="$(mktemp -d)"
        mkfifo "$urls/input"
        exec {hold}<>"$urls/input"
        trap 'exec {hold}>&-; kill "${servers[@]}" 2>/dev/null; wait; rm -rf "$urls"' EXIT
        for kind in /radio.mp3=500 garbage stall endless-header silent; do
            "$top/build/bin/test-station" "$kind" < "$urls/input" > "$urls/${#servers[@]}" 2>/dev/null {hold}>&- &
            servers+=($!)
        done
        for i in "${!servers[@]}"; do
            for _ in $(seq 300); do [ -s "$urls/$i" ] && break; sleep 0.1; done
            [ -s "$urls/$i" ] && station+=("$(head -n 1 "$urls/$i")")
        done
        [ ${#station[@]} -eq ${#servers[@]} ] || station=()
    fi
    [ ${#station[@]} -gt 0 ] || echo "wine32: no station (make build makes build/bin/test-station)"
    wine_run "$arch" --cdaudio "$build/tests/windows/mci_test_drive.dll" \
        "$build/tests/windows/windows_driver.exe" --bench "$build/gauge/skytune.gau" \
        "$top/Sound/" "${station[@]}" 2> >(grep -v "^ALSA lib" >&2) | tr -d '\r' | sed "s/^/$label: /"
)
status=$?
[ $status -eq 77 ] && exit 0
exit $status
