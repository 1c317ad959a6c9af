#!/usr/bin/env bash
# Runs a Windows program under Wine as the tests need it: no display, ALSA's
# null device as the sound card, a Wine prefix of its own in STATE (made on
# first use), ten minutes at most; returns once the wineserver has ended.
#   wine_session.sh WINE STATE PROGRAM ARGS...
set -uo pipefail
wine="$(command -v "$1")"
state="$2"
shift 2

mkdir -p "$state/home"
# No sound card: ALSA's default device takes everything and plays nothing,
# so DirectSound and the graph's audio renderer open as on a real machine.
printf 'pcm.!default {\n    type null\n}\n' >"$state/home/.asoundrc"
export HOME="$state/home"
export WINEPREFIX="$state/prefix"
export WINEDEBUG=-all
# No Mono or Gecko prompts, ALSA rather than a PulseAudio server, and no
# debugger waiting on a crash: the program just ends.
export WINEDLLOVERRIDES="mscoree,mshtml=;winepulse.drv=d;winedbg.exe=d"
unset DISPLAY WAYLAND_DISPLAY

wineserver="$(dirname "$wine")/wineserver"
command -v wineserver >/dev/null && wineserver="wineserver"

if [ ! -f "$WINEPREFIX/.skytune-ready" ]; then
    "$wine" wineboot -i >/dev/null 2>&1
    # Windows without a display: the null graphics driver.
    "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    "$wineserver" -w 2>/dev/null || true
    touch "$WINEPREFIX/.skytune-ready"
fi

timeout 600 "$wine" "$@"
status=$?
"$wineserver" -w 2>/dev/null || true
exit $status
