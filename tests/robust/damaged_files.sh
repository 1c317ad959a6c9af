#!/usr/bin/env bash
# Damaged, truncated, misnamed and hostile files, assigned one by one to a
# preset of the real host through its script, in one run of it:
#   damaged_files.sh HOST GAUGE SOURCE_DIR CORPUS_TOOL
# CORPUS_TOOL (damaged_files.cpp) writes the files. After each one: the host
# lives, the power control follows clicks, nothing of ours keeps a core
# busy, and the settings file, saved by a reinstall (kill, install), reads
# back with the file on its preset; a file the platform must refuse shows
# "File not found." after it. When the host has gone, so has its file tester.
set -uo pipefail
host=$(realpath "$1")
gauge=$(realpath "$2")
top=$(realpath "$3")
tool=$(realpath "$4")
. "$(dirname "$0")/host_folder.sh"

scratch=$(mktemp -d)
dir=$scratch/run
make_folder "$dir" "$gauge" "$top"
cp "$dir/skytune.dat" "$dir/skytune.dat.before"
"$tool" "$top" "$dir/Damaged" > "$scratch/corpus" || exit 1

POWER="440 20"; MODE_FM="440 82"; PRESET3="230 120"

coproc HOST {
    cd "$dir" && exec "$host" --headless --gauge "$dir/skytune.gau" --audio null --script - \
        2> "$scratch/err"
}
pid=$HOST_PID
trap 'kill "$pid" 2>/dev/null; rm -rf "$scratch"' EXIT

failed=0
fail() {
    echo "$current: $*" >&2
    failed=1
}
say() {
    printf '%s\n' "$@" >&"${HOST[1]}"
}
# The host's lines up to a mark, in $heard; false if it ended or stalled.
heard=""
until_mark() {
    local line
    heard=""
    while IFS= read -r -t 120 line <&"${HOST[0]}"; do
        [ "$line" = "$1" ] && return 0
        heard+="$line|"
    done
    return 1
}
# Clock ticks of CPU used so far by the host and every process under it.
family() {
    local child
    echo "$1"
    for child in $(cat /proc/"$1"/task/*/children 2>/dev/null); do
        family "$child"
    done
}
ticks() {
    local sum=0 p fields
    for p in $(family "$pid"); do
        fields=$(cat /proc/"$p"/stat 2>/dev/null) || continue
        set -- ${fields##*) }
        sum=$((sum + ${12} + ${13}))
    done
    echo "$sum"
}
testers=""

kept=$(sed -n 6p "$dir/skytune.dat")
current="start"
say "click $POWER" "click $MODE_FM" "echo ready"
until_mark ready || fail "the host did not start"

while read -r name expect; do
    current=$name
    say "dialog ./Damaged/$name" "click $PRESET3 right" "wait 300" \
        "hover $POWER" "click $POWER" "hover $POWER" "echo idle"
    if ! until_mark idle; then
        fail "the host ended or stopped answering"
        break
    fi
    if [ "$heard" != "tooltip: Power On/Off (on)|tooltip: Power On/Off (off)|" ]; then
        fail "the power control stopped following clicks: $heard"
    fi
    for p in $(family "$pid"); do
        if [ "$(cat /proc/"$p"/comm 2>/dev/null)" = skytune-filetes ] && [[ " $testers " != *" $p "* ]]; then
            testers+=" $p"
        fi
    done
    # The radio is off: a second of it should cost next to nothing.
    before=$(ticks)
    say "wait 1000" "echo quiet"
    until_mark quiet || { fail "the host ended while idle"; break; }
    used=$(($(ticks) - before))
    [ "$used" -lt 25 ] || fail "something kept a core busy: $used ticks in a second"

    say "reinstall" "click $POWER" "click $MODE_FM" "hover $PRESET3" "echo read"
    until_mark read || { fail "the host ended at the reinstall"; break; }
    # The file is on the preset, or the preset kept what it had: the radio
    # takes no file that does not open.
    lines=$(wc -l < "$dir/skytune.dat")
    [ "$lines" -eq 27 ] || fail "the settings file has $lines lines"
    preset=$(sed -n 6p "$dir/skytune.dat")
    if [ "${preset##*/}" = "$name" ]; then
        [ "$expect" != refused ] || fail "it was taken onto the preset"
    elif [ "$preset" != "$kept" ]; then
        fail "the preset holds $preset, neither it nor $kept"
    fi
    kept=$preset
    [ "$heard" = "tooltip: FM Preset #3 - ${kept##*/}|" ] ||
        fail "the preset's tooltip after the reinstall: $heard"
done < "$scratch/corpus"

current="end"
say "quit"
wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "the host ended with status $status"
if grep -q 'ERROR: \(Address\|Leak\)Sanitizer\|runtime error' "$scratch/err"; then
    fail "the sanitizer reported: $(grep -m1 -A12 'ERROR\|runtime error' "$scratch/err")"
fi
# Gone, or dead and waiting to be reaped.
alive() {
    local fields
    fields=$(cat /proc/"$1"/stat 2>/dev/null) || return 1
    set -- ${fields##*) }
    [ "$1" != Z ] && [ "$(cat /proc/"$p"/comm 2>/dev/null)" = skytune-filetes ]
}
sleep 1
for p in $testers; do
    ! alive "$p" || fail "the file tester $p outlived the host"
done
[ -n "$testers" ] || fail "no file tester was ever seen"
if [ $failed -eq 0 ]; then
    echo "damaged files: $(wc -l < "$scratch/corpus") assigned; the host lived, stayed idle and kept its settings"
fi
exit $failed
