#!/usr/bin/env bash
# SIGTERM and SIGINT end the real host: cleanly, with the settings saved,
# when it is between calls into the module; and anyway when a call into the
# module does not return (here: the settings file is a pipe nobody writes,
# so pre-install's open of it never comes back).
#   stop_signals.sh HOST GAUGE SOURCE_DIR
set -uo pipefail
host=$(realpath "$1")
gauge=$(realpath "$2")
top=$(realpath "$3")
. "$(dirname "$0")/host_folder.sh"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0

# Starts the host on a script in DIR, sends SIGNAL after SECONDS, and sets
# $status and $took (milliseconds from the signal to the end).
signal_host() {
    local dir=$1 signal=$2 seconds=$3 pid start
    (cd "$dir" && exec "$host" --headless --gauge "$dir/skytune.gau" --audio null \
        --script "$dir/script" > "$dir/out" 2> "$dir/err") &
    pid=$!
    sleep "$seconds"
    start=$(date +%s%N)
    kill -"$signal" "$pid"
    # A host that does not end fails the run rather than hanging it.
    for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid"
        wait "$pid"
        status=-1
    else
        wait "$pid"
        status=$?
    fi
    took=$((($(date +%s%N) - start) / 1000000))
}

for signal in TERM INT; do
    # Between calls: the volume held down is in the settings the kill saves.
    dir=$scratch/clean-$signal
    make_folder "$dir" "$gauge" "$top"
    printf 'click 440 20\nclick 440 82\nwait 300\nhold 25 100 300\nwait 30000\n' > "$dir/script"
    signal_host "$dir" "$signal" 3
    volume=$(sed -n 26p "$dir/skytune.dat")
    if [ "$status" -ne 130 ] || [ "$volume" -ge 80 ]; then
        echo "SIG$signal between calls: status $status, media volume $volume" >&2
        tail -n 5 "$dir/err" >&2
        failed=1
    else
        echo "SIG$signal between calls: ended after $took ms, settings saved"
    fi

    # Inside a call that does not return.
    dir=$scratch/stuck-$signal
    make_folder "$dir" "$gauge" "$top"
    rm "$dir/skytune.dat"
    mkfifo "$dir/skytune.dat"
    printf 'wait 30000\n' > "$dir/script"
    signal_host "$dir" "$signal" 2
    if [ "$status" -lt 128 ]; then
        echo "SIG$signal inside a stuck call: status $status" >&2
        failed=1
    else
        echo "SIG$signal inside a stuck call: ended after $took ms, status $status"
    fi
done
exit $failed
