#!/usr/bin/env bash
# The 32-bit module's costs under 32-bit Wine, as the test driver measures
# them (QueryPerformanceCounter around each call into the module; see
# tests/windows/wine_bench.h): pre-install with twelve presets of the four
# formats from Sound/, and the longest call during preset switches, mode
# changes, and updates and presses while the test CD drive plays a disc.
# Says why and does nothing where MinGW or the chroot is missing.
#   bench/wine32.sh
set -uo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
. "$top/tests/windows/windows_steps.sh"
(
    wine_ready wine32 i686
    windows_build wine32 i686 skytune_gauge windows_driver mci_test_drive
    build="$(windows_build_dir i686)"
    wine_run i686 --cdaudio "$build/tests/windows/mci_test_drive.dll" \
        "$build/tests/windows/windows_driver.exe" --bench "$build/gauge/skytune.gau" \
        "$top/Sound/" 2> >(grep -v "^ALSA lib" >&2) | tr -d '\r' | sed 's/^/32-bit module under 32-bit Wine: /'
)
status=$?
[ $status -eq 77 ] && exit 0
exit $status
