#!/usr/bin/env bash
# Runs a Windows program under Wine as the tests need it: no display, a
# sound card that is heard, a Wine prefix of its own in STATE (made on first
# use), ten minutes at most; returns once the wineserver has ended.
#
# The sound card is the null sink of a sound server of the run's own
# (PulseAudio, on a private socket), which takes samples as fast as a real
# card plays them; Wine plays into it through its pulse driver. The sink's
# monitor is recorded as raw 16-bit stereo at 48 kHz into the program's
# standard input (tests/windows/capture.h hears it). The server, the
# recorder and their folder end with the run, whatever ends it.
#
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
export HOME="$state/home"
export WINEPREFIX="$state/prefix"
# SKYTUNE_WINEDEBUG: Wine's debug channels for a run (none by default).
export WINEDEBUG="${SKYTUNE_WINEDEBUG:--all}"
# No Mono or Gecko prompts, and no debugger waiting on a crash: the program
# just ends.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset DISPLAY WAYLAND_DISPLAY

wineserver="$(dirname "$wine")/wineserver"
command -v wineserver >/dev/null && wineserver="wineserver"

# Windows without a display (the null graphics driver: without one no
# window can be made, and a graph's notices have nowhere to go), and the
# pulse driver as the only sound driver, so that nothing plays elsewhere.
prefix_settings="graphics null, audio pulse"
if [ "$(cat "$WINEPREFIX/.skytune-ready" 2>/dev/null)" != "$prefix_settings" ]; then
    "$wine" wineboot -i >/dev/null 2>&1
    "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d pulse /f >/dev/null 2>&1
    "$wineserver" -w 2>/dev/null || true
    echo "$prefix_settings" >"$WINEPREFIX/.skytune-ready"
    rm -f "$WINEPREFIX/.skytune-cdaudio"
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

sound="$(mktemp -d "${TMPDIR:-/tmp}/skytune-sound.XXXXXX")"
server=""
recorder=""
program=""
finish() {
    [ -z "$program" ] || { kill "$program" 2>/dev/null; "$wineserver" -k 2>/dev/null; }
    [ -z "$recorder" ] || kill "$recorder" 2>/dev/null
    [ -z "$server" ] || kill "$server" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$sound"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

export PULSE_RUNTIME_PATH="$sound" PULSE_SERVER="unix:$sound/socket"
HOME="$sound" pulseaudio --daemonize=no --exit-idle-time=-1 --use-pid-file=no --system=no \
    --realtime=no --high-priority=no -n --log-target=stderr \
    --load="module-null-sink sink_name=card rate=48000 channels=2" \
    --load="module-native-protocol-unix socket=$sound/socket auth-anonymous=1" \
    2>"$sound/server.log" &
server=$!
for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
done
if ! pactl set-default-sink card 2>/dev/null; then
    echo "wine_session: the sound server did not start: $(grep -v '^W:' "$sound/server.log" | tail -n 1)" >&2
    exit 1
fi

# Small blocks, so that each one's arrival tells when it sounded.
exec {capture}< <(exec parec -d card.monitor --raw --format=s16le --rate=48000 --channels=2 \
    --latency-msec=5 2>/dev/null)
recorder=$!
# In the background, so that a signal is handled at once.
timeout 600 "$wine" "$@" <&"$capture" {capture}<&- &
program=$!
exec {capture}<&-
wait $program
status=$?
program=""
"$wineserver" -w 2>/dev/null || true
exit $status
