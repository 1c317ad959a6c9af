#!/usr/bin/env bash
# Cross-builds the module, the test driver and the stack probe for one
# architecture and runs the driver under Wine: x86_64 under the host's
# wine64, i686 (the product) under 32-bit Wine in its i386 chroot. Exits 77
# (skipped) with one line saying why where MinGW or that Wine is missing.
# A passing i686 run notes the module's checksum for the package. Given
# test-station, a loopback station goes on a preset for the run, and the
# driver stops and restarts it through a control folder.
#   run_driver.sh TOP [x86_64|i686] [TEST-STATION]
set -uo pipefail
top="$1"
arch="${2:-x86_64}"
name=windows_driver
[ "$arch" = i686 ] && name=windows_driver32
. "$top/tests/windows/windows_steps.sh"

wine_ready "$name" "$arch"
windows_build "$name" "$arch" skytune_gauge windows_driver stack_probe mci_test_drive

build="$(windows_build_dir "$arch")"
module="$build/gauge/skytune.gau"
passed="$module.passed"
rm -f "$passed"
mkdir -p "$build/wine"
out="$build/wine/driver.out"
station=()
if [ ! -x "${3:-}" ] || ! command -v icecast2 >/dev/null || ! command -v ffmpeg >/dev/null; then
    echo "$name: no station preset: test-station, icecast2 or ffmpeg is missing"
else
    coproc STATION { exec "$3" /radio.mp3=500 --title "Driver FM" 2>/dev/null; }
    station_pid=$STATION_PID
    exec {to_station}>&"${STATION[1]}" {from_station}<&"${STATION[0]}"
    # The driver cannot reach the station's input from inside Wine: it writes
    # each command into the control folder, and this passes it on.
    control="$build/wine/station"
    rm -rf "$control" && mkdir -p "$control"
    while kill -0 "$station_pid" 2>/dev/null; do
        if [ -f "$control/command" ]; then
            command="$(cat "$control/command")"
            rm -f "$control/command"
            echo "$command" >&"$to_station"
            read -r answer <&"$from_station"
            echo "$answer" >"$control/answer.tmp" && mv "$control/answer.tmp" "$control/answer"
        fi
        sleep 0.1
    done &
    relay_pid=$!
    trap 'kill "$relay_pid" "$station_pid" 2>/dev/null; wait "$relay_pid" "$station_pid"' EXIT
    read -r -t 30 url <&"$from_station" && station=("$url" "$control") ||
        echo "$name: no station preset: the test station did not start"
fi
wine_run "$arch" --cdaudio "$build/tests/windows/mci_test_drive.dll" \
    "$build/tests/windows/windows_driver.exe" "$module" "$top/tests/fixtures/" \
    "$build/tests/windows/stack_probe.dll" "${station[@]}" >"$out" 2>"$build/wine/driver.err"
status=$?
tr -d '\r' <"$out"
if ! tr -d '\r' <"$out" | tail -n 1 | grep -Eq '^[0-9]+ passed, 0 failed$'; then
    echo "$name: the driver did not finish cleanly (exit status $status); Wine said:"
    grep -v '^ALSA lib' "$build/wine/driver.err" | tail -n 20
    echo "$name: the test CD drive's last lines:"
    tail -n 10 "$build/wine/cd.log" 2>/dev/null
    exit 1
fi
sha256sum "$module" | cut -d' ' -f1 >"$passed"
exit 0
