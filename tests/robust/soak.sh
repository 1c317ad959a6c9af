#!/usr/bin/env bash
# A long headless run of the real host doing what people do to the radio,
# at random: clicks, holds, hovers, right-click assignments (with chooser
# answers that are playable, missing, unplayable or cancelled), reinstalls
# and CD door cycles.
#   soak.sh HOST GAUGE SOURCE_DIR SECONDS [SEED]
# The run lasts SECONDS of real time.
# Ends well when the host exits 0 (or 130, stopped when the time is up)
# without a sanitizer report (run it on the sanitizer build for the leak
# check) and the settings file reads back: 27 lines, which a second run
# loads and saves again unchanged.
set -uo pipefail
host=$(realpath "$1")
gauge=$(realpath "$2")
top=$(realpath "$3")
seconds=$4
RANDOM=${5:-$$}
. "$(dirname "$0")/host_folder.sh"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dir=$scratch/run
make_folder "$dir" "$gauge" "$top"

controls=("440 20" "30 20" "440 59" "440 82" "440 105" "25 65" "25 100" "131 120" "363 120"
          "387 120" "160 120" "197 120" "230 120" "264 120" "297 120" "333 120" "144 120")
presets=("160 120" "197 120" "230 120" "264 120" "297 120" "333 120")
answers=("./Sound/tone.wav" "./Sound/tone.mp3" "./Sound/tone.mid" "./Sound/tone.wma"
         "./Sound/tones.m3u8" "./Sound/missing.wav" "./Sound/noise.wav" "./Sound/noise.m3u"
         "./Sound" "cancel")

# Commands for half as long again as the run: the host is stopped (SIGTERM,
# which it ends cleanly on, saving the settings) once the time is up.
script=""
budget=$((seconds * 1500))
spent=0
while [ $spent -lt $budget ]; do
    roll=$((RANDOM % 100))
    if [ $roll -lt 45 ]; then
        script+="click ${controls[$((RANDOM % ${#controls[@]}))]}"$'\n'
        spent=$((spent + 20))
    elif [ $roll -lt 55 ]; then
        ms=$((RANDOM % 800 + 100))
        script+="hold ${controls[$((RANDOM % ${#controls[@]}))]} $ms"$'\n'
        spent=$((spent + ms))
    elif [ $roll -lt 65 ]; then
        script+="hover ${controls[$((RANDOM % ${#controls[@]}))]}"$'\n'
        spent=$((spent + 500))
    elif [ $roll -lt 75 ]; then
        answer=${answers[$((RANDOM % ${#answers[@]}))]}
        if [ "$answer" = cancel ]; then script+="dialog cancel"$'\n'; else script+="dialog $answer"$'\n'; fi
        script+="click ${presets[$((RANDOM % 6))]} right"$'\n'
        spent=$((spent + 20))
    elif [ $roll -lt 78 ]; then
        script+="reinstall"$'\n'
        spent=$((spent + 300))
    elif [ $roll -lt 82 ]; then
        script+="click 30 20"$'\n'"wait 200"$'\n'"click 30 20"$'\n'
        spent=$((spent + 220))
    elif [ $roll -lt 85 ]; then
        script+="elements"$'\n'
    else
        ms=$((RANDOM % 400 + 50))
        script+="wait $ms"$'\n'
        spent=$((spent + ms))
    fi
done
script+="echo soaked"$'\n'
printf '%s' "$script" > "$dir/script"

started=$(date +%s)
(cd "$dir" && timeout --preserve-status --signal=TERM --kill-after=60 "$seconds" \
    "$host" --headless --gauge "$dir/skytune.gau" --audio null \
    --script "$dir/script" > "$dir/out" 2> "$dir/err")
status=$?
elapsed=$(($(date +%s) - started))
failed=0
# Either the script ran out, or the time did and the host ended on the
# signal as it does (130).
if grep -q '^soaked$' "$dir/out" && [ $status -eq 0 ]; then
    :
elif [ $status -eq 130 ] && [ $elapsed -ge "$seconds" ]; then
    :
else
    echo "soak: the host ended with status $status" >&2
    tail -n 30 "$dir/err" >&2
    failed=1
fi
if grep -q 'ERROR: \(Address\|Leak\)Sanitizer\|runtime error' "$dir/err"; then
    echo "soak: the sanitizer reported" >&2
    grep -A30 'ERROR\|runtime error' "$dir/err" | head -60 >&2
    failed=1
fi
lines=$(wc -l < "$dir/skytune.dat")
if [ "$lines" -ne 27 ]; then
    echo "soak: the settings file has $lines lines" >&2
    failed=1
fi
# Reads back: loaded and saved again by a fresh run, it stays as it was.
cp "$dir/skytune.dat" "$dir/saved.dat"
(cd "$dir" && "$host" --headless --gauge "$dir/skytune.gau" --audio null --script - \
    <<< "quit" > /dev/null 2>> "$dir/err")
if ! diff -q "$dir/saved.dat" "$dir/skytune.dat" > /dev/null; then
    echo "soak: the settings did not read back as saved" >&2
    diff "$dir/saved.dat" "$dir/skytune.dat" >&2
    failed=1
fi
if [ $failed -eq 0 ]; then
    echo "soak: $elapsed s of random use, the host lived, no leak, settings read back"
fi
exit $failed
