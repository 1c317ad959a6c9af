#!/usr/bin/env bash
# The 32-bit module's costs under 32-bit Wine, as the test driver measures
# them (QueryPerformanceCounter around each call into the module, and the
# run's sound card heard; see bench/wine_bench.h): pre-install with twelve
# presets of the four formats from Sound/, the longest call during preset
# switches and mode changes, a press to its first sample, and updates and
# presses while the test CD drive plays a disc. Says why and does nothing
# where MinGW or the chroot is missing. Given x86_64, the same for the
# 64-bit twin under wine64.
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
    wine_run "$arch" --cdaudio "$build/tests/windows/mci_test_drive.dll" \
        "$build/tests/windows/windows_driver.exe" --bench "$build/gauge/skytune.gau" \
        "$top/Sound/" 2> >(grep -v "^ALSA lib" >&2) | tr -d '\r' | sed "s/^/$label: /"
)
status=$?
[ $status -eq 77 ] && exit 0
exit $status
