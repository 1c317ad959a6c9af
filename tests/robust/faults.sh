#!/usr/bin/env bash
# Every platform failure the radio meets, made to happen in the real host:
#   faults.sh HOST GAUGE SOURCE_DIR PHASE
# PHASE: install (the calls fail from the start), play (they fail while the
# radio plays and is worked) or kill (they fail at pre-kill). Each failure
# alone, then all of them at once. The host must live to the end of its
# script, the controls must go on working, and the settings file must stay
# whole.
set -uo pipefail
host=$(realpath "$1")
gauge=$(realpath "$2")
top=$(realpath "$3")
phase=$4
. "$(dirname "$0")/host_folder.sh"

faults=(
    mixerOpen mixerClose mixerGetLineInfoA mixerGetLineControlsA mixerGetControlDetailsA
    mixerSetControlDetails
    mciSendStringA mciSendStringA:play mciSendStringA:status mciSendCommandA
    CoInitialize CoInitializeEx CoCreateInstance:CLSID_FilterGraph CoCreateInstance:CLSID_DirectSound8
    IGraphBuilder::RenderFile IMediaControl::Run IMediaControl::Pause IMediaControl::Stop
    IMediaEventEx::GetEventHandle IMediaEventEx::GetEvent IBasicAudio::put_Volume
    IMediaSeeking::SetPositions IMediaSeeking::GetDuration IUnknown::QueryInterface:IMediaFilter
    IMediaFilter::Run IMediaFilter::GetSyncSource IReferenceClock::GetTime
    IDirectSound8::Initialize IDirectSound8::SetCooperativeLevel IDirectSound8::CreateSoundBuffer
    IDirectSoundBuffer::Lock IDirectSoundBuffer::Play IDirectSoundBuffer::SetVolume
    GetOpenFileNameA GetTempPathA GetTempFileNameA CreateFileA WriteFile GetFileSize
    CreateFileMappingA MapViewOfFile FindResourceA LoadResource LockResource SizeofResource
    GetModuleFileNameA GetCurrentDirectoryA CreateDirectoryA RemoveDirectoryA
    PathRelativePathToA PathFileExistsA PathIsDirectoryA MoveFileExA MultiByteToWideChar
    WideCharToMultiByte RegisterClassA CreateWindowExA DeleteFileA
    CreateThread CreateEventA SetEvent WaitForSingleObject WaitForMultipleObjects LoadLibraryA
    IDirectSoundBuffer::Stop IDirectSoundBuffer::GetCurrentPosition IDirectSoundBuffer::Unlock
    IDirectSoundBuffer::SetCurrentPosition
    InternetOpenA InternetSetStatusCallbackA InternetSetOptionA InternetOpenUrlA HttpQueryInfoA
    InternetQueryDataAvailable InternetReadFile
    acmStreamOpen acmStreamPrepareHeader acmStreamConvert
    "*"
)

POWER="440 20"; MODE_CD="440 59"; MODE_FM="440 82"; MODE_AM="440 105"
VOLUME_UP="25 65"; VOLUME_DOWN="25 100"; PAUSE="131 120"; NEXT="387 120"
DOOR="30 20"; PRESET2="197 120"; PRESET3="230 120"

# What a person does with the radio (FM 2 is a playlist, whose third entry
# that opens is a station that cannot be reached); the power tooltip after
# it shows that the radio's state still follows the controls.
work_the_radio() {
    cat <<SCRIPT
click $POWER
click $MODE_FM
wait 100
click $PRESET2
click $NEXT
click $NEXT
wait 100
hover $PRESET2
hold $VOLUME_UP 300
click $MODE_AM
click $PRESET3
click $PAUSE
click $MODE_CD
wait 100
click $NEXT
click $DOOR
click $DOOR
hold $VOLUME_DOWN 200
dialog cancel
click $MODE_FM
click $PRESET2 right
hover $POWER
click $POWER
hover $POWER
SCRIPT
}

# One run with one fault; its verdict goes to standard error, and the exit
# status says whether it passed.
run_one() {
    local fault=$1 dir=$2
    make_folder "$dir" "$gauge" "$top"
    cp "$dir/skytune.dat" "$dir/skytune.dat.before"
    local environment=() script
    case $phase in
        install)
            environment=(SKYTUNE_FAIL="$fault")
            script="$(work_the_radio)"$'\n'"fail none"
            ;;
        play)
            script="click $POWER"$'\n'"click $MODE_FM"$'\n'"wait 200"$'\n'"click $POWER"
            script+=$'\n'"fail $fault"$'\n'"$(work_the_radio)"$'\n'"fail none"
            ;;
        kill)
            script="$(work_the_radio)"$'\n'"fail $fault"
            ;;
    esac
    script+=$'\n'"echo alive"
    printf '%s\n' "$script" > "$dir/script"
    (cd "$dir" && env "${environment[@]}" "$host" --headless --gauge "$dir/skytune.gau" \
        --audio null --script "$dir/script" \
        > "$dir/out" 2> "$dir/err")
    local status=$?
    local what="$phase, $fault failing"
    if [ $status -ne 0 ] || ! grep -q '^alive$' "$dir/out"; then
        echo "$what: the host ended with status $status" >&2
        tail -n 20 "$dir/err" >&2
        return 1
    fi
    if grep -q 'ERROR: \(Address\|Leak\)Sanitizer\|runtime error' "$dir/err"; then
        echo "$what: the sanitizer reported" >&2
        grep -A20 'ERROR\|runtime error' "$dir/err" | head -40 >&2
        return 1
    fi
    # Power on, then off: the two power tooltips say so.
    local tips
    tips=$(grep '^tooltip: Power' "$dir/out" | tr '\n' '|')
    if [ "$tips" != "tooltip: Power On/Off (on)|tooltip: Power On/Off (off)|" ]; then
        echo "$what: the power control stopped following clicks: $tips" >&2
        return 1
    fi
    check_settings "$dir" "$what"
}

# The runs spend most of their time waiting on the host's clock, so several
# go at once (FAULT_RUNS_AT_ONCE, 4 by default), each in its own folder.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
at_once=${FAULT_RUNS_AT_ONCE:-4}
index=0
for fault in "${faults[@]}"; do
    index=$((index + 1))
    (run_one "$fault" "$scratch/run$index" 2> "$scratch/verdict$index"; echo $? > "$scratch/status$index") &
    while [ "$(jobs -rp | wc -l)" -ge "$at_once" ]; do
        wait -n
    done
done
wait
failed=0
for i in $(seq 1 "$index"); do
    if [ "$(cat "$scratch/status$i")" != 0 ]; then
        cat "$scratch/verdict$i" >&2
        failed=1
    fi
done
if [ $failed -eq 0 ]; then
    echo "faults at $phase: ${#faults[@]} runs, the host lived and the settings stayed whole"
fi
exit $failed
