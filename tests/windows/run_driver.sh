#!/usr/bin/env bash
# Cross-builds the x86-64 module and the test driver and runs the driver
# under 64-bit Wine, headless, with a null ALSA sound device. Exits 77
# (skipped) where MinGW or Wine is not installed.
set -uo pipefail
top="$1"

wine=""
for candidate in wine64 /usr/lib/wine/wine64 /usr/lib/wine/wine; do
    if command -v "$candidate" >/dev/null; then
        wine="$(command -v "$candidate")"
        break
    fi
done
if [ -z "$wine" ]; then
    echo "windows_driver: skipped: wine64 is not installed (tools/setup.sh installs it where Debian offers it)"
    exit 77
fi

. "$top/tests/windows/build_step.sh"
windows_build windows_driver x86_64 skytune_gauge windows_driver

build="$top/build-win64"
state="$build/wine"
mkdir -p "$state/home"
# No sound card: ALSA's default device takes everything and plays nothing,
# so DirectSound and the graph's audio renderer open as on a real machine.
printf 'pcm.!default {\n    type null\n}\n' >"$state/home/.asoundrc"

export HOME="$state/home"
export WINEPREFIX="$state/prefix"
export WINEDEBUG=-all
# No Mono or Gecko prompts, and ALSA rather than a PulseAudio server.
export WINEDLLOVERRIDES="mscoree,mshtml=;winepulse.drv=d"
unset DISPLAY WAYLAND_DISPLAY

if [ ! -f "$WINEPREFIX/.skytune-ready" ]; then
    "$wine" wineboot -i >/dev/null 2>&1
    # Windows without a display: the null graphics driver.
    "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver="$(dirname "$wine")/wineserver"
    command -v wineserver >/dev/null && wineserver="wineserver"
    "$wineserver" -w 2>/dev/null || true
    touch "$WINEPREFIX/.skytune-ready"
fi

out="$state/driver.out"
timeout 600 "$wine" "$build/tests/windows/windows_driver.exe" "$build/gauge/skytune.gau" \
    >"$out" 2>"$state/driver.err"
status=$?
tr -d '\r' <"$out"
if ! tr -d '\r' <"$out" | tail -n 1 | grep -Eq '^[0-9]+ passed, 0 failed$'; then
    echo "windows_driver: the driver did not finish cleanly (exit status $status); Wine said:"
    grep -v '^ALSA lib' "$state/driver.err" | tail -n 20
    exit 1
fi
exit 0
