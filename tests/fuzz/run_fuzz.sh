#!/bin/sh
# Runs one fuzz target for a bounded time over its seed corpus:
#   run_fuzz.sh BINARY SEEDS SECONDS [STATE]
# New inputs go to STATE/corpus (kept between runs), or to a scratch folder
# without STATE; the committed seeds are never written. A finding fails the
# run and is saved in STATE/findings, or ./fuzz-findings without STATE
# (libFuzzer's own exit code for a finding, 77, is ctest's "skipped").
set -u
binary=$1
seeds=$2
seconds=$3
state=${4:-}

if [ ! -x "$binary" ]; then
    if ! command -v clang++ >/dev/null 2>&1; then
        echo "fuzz smoke skipped: clang is not installed"
        exit 77
    fi
    echo "$binary is missing: 'make build-fuzz' builds it" >&2
    exit 1
fi

# The targets may change their current directory before reading a path.
absolute() {
    case $1 in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac
}
binary=$(absolute "$binary")
seeds=$(absolute "$seeds")
if [ -n "$state" ]; then
    state=$(absolute "$state")
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
if [ -n "$state" ]; then
    corpus=$state/corpus
    findings=$state/findings
else
    corpus=$scratch/corpus
    findings=$PWD/fuzz-findings
fi
mkdir -p "$corpus" "$findings"

here=$(cd "$(dirname "$0")" && pwd)
LSAN_OPTIONS="suppressions=$here/../lsan.supp:print_suppressions=0" \
SKYTUNE_AUDIO=null \
    "$binary" -max_total_time="$seconds" -timeout=10 -error_exitcode=1 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$corpus" "$seeds" 2>"$scratch/log"
status=$?
grep -E '^(stat::number_of_executed_units|stat::new_units_added|Done|SUMMARY|==[0-9]+==ERROR)' \
    "$scratch/log"
if [ $status -ne 0 ]; then
    tail -n 60 "$scratch/log"
    echo "$(basename "$binary"): finding saved in $findings" >&2
fi
exit $status
