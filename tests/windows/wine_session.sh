#!/usr/bin/env bash
# Runs a Windows program under Wine as the tests need it: no display, ALSA's
# null device as the sound card, a Wine prefix of its own in STATE (made on
# first use), ten minutes at most; returns once the wineserver has ended.
# Given a cdaudio driver, the prefix's MCI devices of that type are its;
# its log goes to STATE/cd.log.
#   wine_session.sh WINE STATE [--cdaudio DLL] PROGRAM ARGS...
set -uo pipefail
wine="$(command -v "$1")"
state="$2"
shift 2
cdaudio=""
if [ "${1:-}" = --cdaudio ]; then
    cdaudio="$2"
    shift 2
fi

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
if [ -n "$cdaudio" ]; then
    # In the prefix's system folder under a name of its own, named for the
    # device type in place of Wine's driver: in the MCI32 key, where
    # Windows looks, and in the MCI key, where Wine 8's winmm looks (before
    # system.ini's [mci] section, which names Wine's own).
    cp "$cdaudio" "$WINEPREFIX/drive_c/windows/system32/skytune_cdaudio.dll"
    key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\MCI'
    if [ ! -f "$WINEPREFIX/.skytune-cdaudio" ] &&
        "$wine" reg add "${key}32" /v CDAudio /d skytune_cdaudio.dll /f >/dev/null 2>&1 &&
        "$wine" reg add "$key" /v CDAudio /d skytune_cdaudio.dll /f >/dev/null 2>&1; then
        touch "$WINEPREFIX/.skytune-cdaudio"
    fi
    rm -f "$state/cd.log"
    export SKYTUNE_TEST_CD_LOG="Z:$state/cd.log"
fi

timeout 600 "$wine" "$@"
status=$?
"$wineserver" -w 2>/dev/null || true
exit $status
