#!/usr/bin/env bash
# Whole-program figures: the real host and module, headless, twelve presets
# of all four formats, sound captured to WAV in real time.
#   bench/whole_program.sh BUILD_DIR
# Each figure is printed with its unit. The host's --timing file gives the
# time of every call into the module; the capture sink's first-sound.txt
# gives when each capture first held an audible sample.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
host=$build/bin/skytune-host
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The folder: the module, twelve sound files, the settings naming them.
cp "$build/bin/skytune.gau" "$work/"
mkdir -p "$work/Sound"
sounds=(chimes.wav pad.mp3 waltz.mid breeze.wma)
: > "$work/skytune.dat"
for slot in $(seq 0 11); do
    sound=${sounds[$((slot % 4))]}
    name=preset$((slot + 1)).${sound##*.}
    cp "$top/Sound/$sound" "$work/Sound/$name"
    printf '%s\n%s\n' "$name" "$work/Sound/$name" >> "$work/skytune.dat"
done
printf '%s\n 80\n 20\n' "$work/Sound/" >> "$work/skytune.dat"

run_host() {  # run_host NAME SCRIPT: runs it, leaves NAME.timing and NAME.audio/
    local name=$1
    printf '%s\n' "$2" > "$work/$name.script"
    (cd "$work" && "$host" --headless --gauge "$work/skytune.gau" --audio "wav:$work/$name.audio" \
        --timing "$work/$name.timing" --script "$work/$name.script" > "$work/$name.out")
}

ticks_of() {  # the CPU ticks of a process and its children; of the module's own threads
    local total=0 own=0 pid task
    for pid in "$1" $(pgrep -P "$1"); do
        total=$((total + $(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || echo 0)))
    done
    for task in /proc/"$1"/task/*; do
        [ "$(cat "$task/comm" 2>/dev/null)" = CreateThread ] &&
            own=$((own + $(awk '{ print $14 + $15 }' "$task/stat" 2>/dev/null || echo 0)))
    done
    echo "$total $own"
}
cpu_share() {  # cpu_share NAME SCRIPT [host options]: runs the host, prints the share of 10 s
    local name=$1 script=$2
    shift 2
    printf '%s\n' "$script" > "$work/$name.script"
    (cd "$work" && exec "$host" --headless --gauge "$work/skytune.gau" --audio null \
        --timing "$work/$name.timing" --script "$work/$name.script" "$@" > /dev/null) &
    local pid=$! hz
    hz=$(getconf CLK_TCK)
    sleep 3
    local before after
    before=$(ticks_of "$pid")
    sleep 10
    after=$(ticks_of "$pid")
    wait "$pid"
    echo "$before $after" | awk -v hz="$hz" '{
        printf "%.1f %% (the host with its drawing; the player thread %.1f %%)", 100 * ($3 - $1) / hz / 10, 100 * ($4 - $2) / hz / 10 }'
}

# The host in the background on a script, its pid in $pid; host_rss: its
# resident memory in KiB.
run_host_background() {
    printf '%s\n' "$2" > "$work/$1.script"
    (cd "$work" && exec "$host" --headless --gauge "$work/skytune.gau" --audio "wav:$work/$1.audio" \
        --script "$work/$1.script" > "$work/$1.out") &
    pid=$!
}
host_rss() { awk '/^VmRSS/ { print $2 }' "/proc/$pid/status"; }

# The preset buttons' centres on the face, and the other controls.
preset_x=(0 160 197 230 264 297 333)
POWER="440 20"; MODE_CD="440 59"; MODE_FM="440 82"; MODE_AM="440 105"
VOLUME_UP="25 65"

# 1. Pre-install with twelve presets, over five installs.
script="frames 2"
for i in 1 2 3 4; do script+=$'\n'"reinstall"$'\n'"frames 2"; done
run_host install "$script"
awk '$3 == "service" && $4 == "pre-install" { n++; s += $2; if ($2 > m) m = $2 }
     $3 == "service" && $4 == "pre-kill" { k++; ks += $2; if ($2 > km) km = $2 }
     END { printf "pre-install, twelve presets: mean %.1f ms, longest %.1f ms (goal < 50 ms)\n", s / n / 1000, m / 1000
           printf "pre-kill, twelve presets: mean %.1f ms, longest %.1f ms (goal < 350 ms)\n", ks / k / 1000, km / 1000 }' \
    "$work/install.timing"

# 2. Left click on a preset to its first sample, each format twice; and the
#    click's own first sample after each press (a reinstall makes a fresh
#    sound device, so each press is the first sound of its capture).
script="click $POWER"$'\n'"click $MODE_FM"$'\n'"wait 1500"
for round in 1 2; do
    for k in 1 2 3 4; do
        script+=$'\n'"reinstall"$'\n'"wait 500"$'\n'"click ${preset_x[$k]} 120"$'\n'"wait 1500"
    done
done
run_host presets "$script"
# Pairs each left press with the first sound of the next capture of each stream.
awk -v first="$work/presets.audio/first-sound.txt" '
    BEGIN { while ((getline line < first) > 0) { split(line, f, " "); when[f[1]] = f[2] } }
    $3 == "mouse" && $4 == "left" && $6 ~ /,120$/ { press[++n] = $1; at[n] = $6 }
    END {
        split("wav mp3 mid wma", ext, " ")
        for (i = 1; i <= n; i++) {
            # Captures are numbered in order: the press after the first
            # (the mode button) made media-(i+1) and, after reinstall i, sound-(i+1).
            media = "media-" (i + 1) ".wav"; click = "sound-" (i + 1) ".wav"
            fmt = ext[(i - 1) % 4 + 1]
            if (media in when) { d = (when[media] - press[i]) * 1000; sum[fmt] += d; cnt[fmt]++; if (d > top[fmt]) top[fmt] = d }
            if (click in when) { c = (when[click] - press[i]) * 1000; csum += c; ccnt++; if (c > ctop) ctop = c }
        }
        for (j = 1; j <= 4; j++) { e = ext[j]
            goal = (e == "mid") ? "goal < 150 ms" : (e == "wma") ? "no goal set" : "goal < 60 ms"
            if (cnt[e]) printf "left click on a %s preset to its first sample: mean %.1f ms, longest %.1f ms (%s)\n", e, sum[e] / cnt[e], top[e], goal
            else printf "left click on a %s preset: no sound captured\n", e }
        if (ccnt) printf "button press to the click'"'"'s first sample: mean %.1f ms, longest %.1f ms (goal < 20 ms)\n", csum / ccnt, ctop
    }' "$work/presets.timing"

# 3. The longest single call into the module during preset switches, mode
#    changes and a volume hold (after install, which is not counted).
script="click $POWER"$'\n'"click $MODE_FM"$'\n'"wait 500"
for k in 2 3 4 5 6 1; do script+=$'\n'"click ${preset_x[$k]} 120"$'\n'"wait 300"; done
script+=$'\n'"echo modes"
for m in "$MODE_AM" "$MODE_CD" "$MODE_FM" "$MODE_CD" "$MODE_AM"; do script+=$'\n'"click $m"$'\n'"wait 300"; done
script+=$'\n'"echo hold"$'\n'"hold $VOLUME_UP 2000"$'\n'"wait 300"
script+=$'\n'"echo power"
for i in 1 2 3 4 5 6; do script+=$'\n'"click $POWER"$'\n'"wait 300"; done
script+=$'\n'"click $MODE_CD"$'\n'"wait 300"
for i in 1 2 3 4; do script+=$'\n'"click $POWER"$'\n'"wait 300"; done
run_host calls "$script"
awk '
    $2 == "-" && $3 == "script" { phase = ($4 == "echo") ? $5 : (phase == "" ? "" : phase) }
    $2 == "-" && $3 == "script" && $4 == "click" && phase == "" && started { phase = "presets" }
    $2 == "-" && $3 == "script" && $4 == "wait" && !started { started = 1 }
    $2 != "-" && phase != "" && $3 != "service" || ($3 == "service" && $4 == "pre-update" && phase != "") {
        if ($2 > top[phase]) { top[phase] = $2; what[phase] = $3 " " $4 " " $5 " " $6 " " $7 } }
    END {
        printf "longest call during preset switches: %.2f ms (%s) (goal < 5 ms)\n", top["presets"] / 1000, what["presets"]
        printf "longest call during mode changes: %.2f ms (%s) (goal < 5 ms)\n", top["modes"] / 1000, what["modes"]
        printf "longest call during a volume hold: %.2f ms (%s) (goal < 5 ms)\n", top["hold"] / 1000, what["hold"]
        printf "longest call during power presses, FM and CD: %.2f ms (%s) (goal < 5 ms)\n", top["power"] / 1000, what["power"]
    }' "$work/calls.timing"

# 4. A playlist preset. FM 1 plays four tones of exactly one second each,
#    loud from their first sample to their last, so that one entry's last
#    sample is heard its length after its first sound: the gap between two
#    entries is the next one's first sound minus that. FM 2 plays the four
#    demo sounds under names no file test has seen: stepping through them
#    the first time tests each file (as assigning a file does), the second
#    time it does not.
mkdir -p "$work/List"
for n in 1 2 3 4; do
    gst-launch-1.0 -q audiotestsrc wave=sine freq=$((330 + 110 * n)) volume=0.5 num-buffers=10 \
        samplesperbuffer=4410 ! audio/x-raw,format=S16LE,rate=44100,channels=1 ! wavenc ! \
        filesink location="$work/List/tone$n.wav"
    printf 'tone%s.wav\n' "$n" >> "$work/List/tones.m3u"
done
for sound in "${sounds[@]}"; do
    cp "$top/Sound/$sound" "$work/List/step-$sound"
    printf 'step-%s\n' "$sound" >> "$work/List/steps.m3u"
done
lists_settings=$(printf 'tones.m3u\n%s\nsteps.m3u\n%s\n' "$work/List/tones.m3u" "$work/List/steps.m3u")
cp "$work/skytune.dat" "$work/presets.dat"
{ printf '%s\n' "$lists_settings"; tail -n +5 "$work/presets.dat"; } > "$work/skytune.dat"
NEXT="387 120"; PREV="363 120"
script="click $POWER"$'\n'"click $MODE_FM"$'\n'"wait 9500"$'\n'"click ${preset_x[2]} 120"$'\n'"wait 700"
script+=$'\n'"echo first"
for i in 1 2 3; do script+=$'\n'"click $NEXT"$'\n'"wait 700"; done
script+=$'\n'"echo again"
for i in 1 2 3 4 5; do script+=$'\n'"click $NEXT"$'\n'"wait 700"; done
for i in 1 2 3 4 5; do script+=$'\n'"click $PREV"$'\n'"wait 700"; done
run_host lists "$script"
awk '/^media-/ { sub(/^media-/, "", $1); sub(/\.wav$/, "", $1); when[$1 + 0] = $2 }
     END { for (n = 2; n <= 9; n++) if ((n - 1) in when && n in when) {
               gap = (when[n] - when[n - 1] - 1.0) * 1000; sum += gap; count++; if (gap > top) top = gap }
           if (count) printf "gap between two playlist entries (WAV): mean %.1f ms, longest %.1f ms over %d (goal < 60 ms)\n", sum / count, top, count
           else print "gap between two playlist entries: no entries captured" }' \
    "$work/lists.audio/first-sound.txt"
awk '
    $2 == "-" && $3 == "script" && $4 == "echo" { phase = $5 }
    $2 != "-" && phase != "" && !($3 == "service" && $4 != "pre-update") {
        if ($2 > top[phase]) { top[phase] = $2; what[phase] = $3 " " $4 " " $5 " " $6 } }
    END {
        printf "longest call stepping a playlist, first visit of each entry: %.2f ms (%s) (goal < 5 ms)\n", top["first"] / 1000, what["first"]
        printf "longest call stepping a playlist, entries visited before: %.2f ms (%s) (goal < 5 ms)\n", top["again"] / 1000, what["again"]
    }' "$work/lists.timing"
mv "$work/presets.dat" "$work/skytune.dat"

# 5. Long files no file test has seen. Twelve presets of a 4-minute MP3 at
#    192 kbit/s (a copy of its own on each, so that each is tested), over
#    three first installs. Then, with the power on in FM mode, a right click
#    assigns a fresh copy of it to preset 2, and one a one-hour MP3 (the same
#    music fifteen times over) to preset 3: the longest call of each click,
#    and its first sound, which waits for the file's decoding to its end.
long=$work/Long
mkdir -p "$long"
gst-launch-1.0 -q audiotestsrc wave=sine freq=440 volume=0.3 num-buffers=10336 samplesperbuffer=1024 ! \
    audio/x-raw,rate=44100,channels=2 ! lamemp3enc target=bitrate bitrate=192 cbr=true ! \
    filesink location="$long/song.mp3"
for i in $(seq 15); do cat "$long/song.mp3"; done > "$long/hour.mp3"
cp "$work/skytune.dat" "$work/presets.dat"
for round in 1 2 3; do
    : > "$work/skytune.dat"
    for slot in $(seq 1 12); do
        cp "$long/song.mp3" "$long/song$slot.mp3"
        printf 'song%s.mp3\n%s\n' "$slot" "$long/song$slot.mp3" >> "$work/skytune.dat"
    done
    printf '%s\n 80\n 20\n' "$long/" >> "$work/skytune.dat"
    run_host "long$round" "frames 2"
    rm "$long"/song[0-9]*.mp3
done
cat "$work"/long[123].timing |
    awk '$3 == "service" && $4 == "pre-install" { n++; s += $2; if ($2 > m) m = $2 }
         END { printf "pre-install, twelve 4-minute MP3 presets never tested: mean %.1f ms, longest %.1f ms over %d (goal < 300 ms)\n", s / n / 1000, m / 1000, n }'
mv "$work/presets.dat" "$work/skytune.dat"
cp "$long/song.mp3" "$long/fresh.mp3"
script="click $POWER"$'\n'"click $MODE_FM"$'\n'"wait 1500"
script+=$'\n'"dialog $long/fresh.mp3"$'\n'"click ${preset_x[2]} 120 right"$'\n'"wait 5000"
script+=$'\n'"dialog $long/hour.mp3"$'\n'"click ${preset_x[3]} 120 right"$'\n'"wait 30000"
run_host assign "$script"
# Each right press: its longest call until the next script line, and the
# first capture to sound after it.
awk -v first="$work/assign.audio/first-sound.txt" '
    BEGIN { while ((getline line < first) > 0) { split(line, f, " "); sounds[++m] = f[2] } }
    $2 == "-" { pressing = 0 }
    $2 == "-" && $3 == "script" && $4 == "click" && $7 == "right" { start[++n] = $1; pressing = 1 }
    $2 != "-" && pressing && $2 > top[n] { top[n] = $2 }
    END {
        split("a 4-minute, a one-hour", what, ", ")
        for (i = 1; i <= n; i++) {
            heard = -1
            for (j = 1; j <= m; j++) if (sounds[j] > start[i] && (heard < 0 || sounds[j] < heard)) heard = sounds[j]
            printf "right click assigning %s MP3 never tested: longest call %.1f ms (goal < 5 ms), ", what[i], top[i] / 1000
            if (heard < 0) print "no sound captured"
            else printf "its first sound after %.2f s\n", heard - start[i]
        }
    }' "$work/assign.timing"

# 6. Internet radio. FM 1 plays a loopback station (test-station: Icecast
#    fed a tone by ffmpeg), FM 2 a station whose port is closed, FM 3 a file.
#    Press to first sample over five presses of FM 1 (FM 3 between them),
#    and the longest call into the module while the station connects (the
#    press and the 1.5 s after it) and while the other cannot be reached (16
#    s of static and retries); the CPU of a playing station; memory while
#    misbehaving servers are retried.
mkfifo "$work/station.in" "$work/closed.in"
exec {station_in}<>"$work/station.in" {closed_in}<>"$work/closed.in"
# Neither station holds the other's input, nor its own, open for writing:
# each ends when the script closes its end.
"$build/bin/test-station" /radio.mp3=440 < "$work/station.in" > "$work/station.url" 2>/dev/null \
    {station_in}>&- {closed_in}>&- &
station_pid=$!
"$build/bin/test-station" closed < "$work/closed.in" > "$work/closed.url" 2>/dev/null \
    {station_in}>&- {closed_in}>&- &
closed_pid=$!
for _ in $(seq 100); do [ -s "$work/station.url" ] && [ -s "$work/closed.url" ] && break; sleep 0.1; done
printf '[playlist]\nFile1=%s\nTitle1=Loopback FM\n' "$(head -n 1 "$work/station.url")" > "$work/List/station.pls"
printf '#EXTINF:-1,Closed FM\n%s\n' "$(head -n 1 "$work/closed.url")" > "$work/List/closed.m3u"
cp "$work/skytune.dat" "$work/presets.dat"
{ printf 'station.pls\n%s\nclosed.m3u\n%s\n' "$work/List/station.pls" "$work/List/closed.m3u"
  tail -n +5 "$work/presets.dat"; } > "$work/skytune.dat"
script="click $POWER"$'\n'"click $MODE_FM"$'\n'"wait 1000"
for i in 1 2 3 4 5; do
    script+=$'\n'"echo connecting"$'\n'"click ${preset_x[1]} 120"$'\n'"wait 1500"
    script+=$'\n'"echo other"$'\n'"click ${preset_x[3]} 120"$'\n'"wait 500"
done
script+=$'\n'"echo unreachable"$'\n'"click ${preset_x[2]} 120"$'\n'"wait 16000"$'\n'"echo end"
run_host stations "$script"
awk -v first="$work/stations.audio/first-sound.txt" '
    BEGIN { while ((getline line < first) > 0) { split(line, f, " "); if (f[1] ~ /^buffer-/) heard[++h] = f[2] } }
    $2 == "-" && $3 == "script" && $4 == "echo" { phase = $5 }
    $3 == "mouse" && $4 == "left" && $6 == "160,120" { press[++n] = $1 }
    $2 != "-" && (phase == "connecting" || phase == "unreachable") {
        if ($2 > top[phase]) { top[phase] = $2; what[phase] = $3 " " $4 " " $5 " " $6 } }
    END {
        for (i = 1; i <= n; i++) for (j = 1; j <= h; j++)
            if (heard[j] > press[i] && heard[j] < press[i] + 1.5) { d = (heard[j] - press[i]) * 1000; sum += d; count++; if (d > longest) longest = d; break }
        if (count) printf "press on a station preset to its first sample: mean %.0f ms, longest %.0f ms over %d (goal < 500 ms)\n", sum / count, longest, count
        else print "press on a station preset: no sound captured"
        printf "longest call while a station connects: %.2f ms (%s) (goal < 5 ms)\n", top["connecting"] / 1000, what["connecting"]
        printf "longest call while a station cannot be reached: %.2f ms (%s) (goal < 5 ms)\n", top["unreachable"] / 1000, what["unreachable"]
    }' "$work/stations.timing"

# The CPU of a playing station, after its first three seconds.
playing=$(cpu_share station_playing "click $POWER"$'\n'"click $MODE_FM"$'\n'"wait 14000" \
    --audio "wav:$work/station_playing.audio")
echo "CPU of a playing station: $playing of a core (goal < 2 %)"
exec {station_in}>&- {closed_in}>&-
wait "$station_pid" "$closed_pid"

# Misbehaving servers: FM 1 a server that sends garbage, FM 2 one whose
# header never ends, each played for a minute while the radio retries; the
# host's resident memory as each begins and ends.
mkfifo "$work/garbage.in" "$work/endless.in"
exec {garbage_in}<>"$work/garbage.in" {endless_in}<>"$work/endless.in"
"$build/bin/test-station" garbage < "$work/garbage.in" > "$work/garbage.url" 2>/dev/null \
    {garbage_in}>&- {endless_in}>&- &
garbage_pid=$!
"$build/bin/test-station" endless-header < "$work/endless.in" > "$work/endless.url" 2>/dev/null \
    {garbage_in}>&- {endless_in}>&- &
endless_pid=$!
for _ in $(seq 100); do [ -s "$work/garbage.url" ] && [ -s "$work/endless.url" ] && break; sleep 0.1; done
printf '%s\n' "$(head -n 1 "$work/garbage.url")" > "$work/List/garbage.m3u"
printf '%s\n' "$(head -n 1 "$work/endless.url")" > "$work/List/endless.m3u"
{ printf 'garbage.m3u\n%s\nendless.m3u\n%s\n' "$work/List/garbage.m3u" "$work/List/endless.m3u"
  tail -n +5 "$work/presets.dat"; } > "$work/skytune.dat"
run_host_background hostile "click $POWER"$'\n'"click $MODE_FM"$'\n'"wait 62000"$'\n'"click ${preset_x[2]} 120"$'\n'"wait 62000"
sleep 2
garbage_start=$(host_rss); sleep 60; garbage_end=$(host_rss)
sleep 2
endless_start=$(host_rss); sleep 60; endless_end=$(host_rss)
wait "$pid"
exec {garbage_in}>&- {endless_in}>&-
wait "$garbage_pid" "$endless_pid"
echo "resident memory over a minute on a garbage station: $((garbage_start / 1024)) MiB, then $(( garbage_end - garbage_start )) KiB more"
echo "resident memory over a minute on an endless header: $((endless_start / 1024)) MiB, then $(( endless_end - endless_start )) KiB more"
mv "$work/presets.dat" "$work/skytune.dat"

# 7. CD mode, the demo disc in the drive: the longest call while it plays
#    (8 s of updates); each preset press, 1.5 s apart, to its track's first
#    sample; and presses 250 ms apart, each to its first sample, or silent
#    still at the next press.
script="click $POWER"$'\n'"click $MODE_CD"$'\n'"wait 1500"$'\n'"echo playing"$'\n'"wait 8000"
script+=$'\n'"echo presses"
for k in 2 3 4 5 6 1; do script+=$'\n'"click ${preset_x[$k]} 120"$'\n'"wait 1500"; done
script+=$'\n'"echo quick"
for k in 2 3 4 5 6 1 2 3; do script+=$'\n'"click ${preset_x[$k]} 120"$'\n'"wait 250"; done
script+=$'\n'"echo end"$'\n'"wait 1000"
run_host cd "$script"
awk -v first="$work/cd.audio/first-sound.txt" '
    BEGIN { while ((getline line < first) > 0) { split(line, f, " "); if (f[1] ~ /^cd-/) heard[++h] = f[2] } }
    $2 == "-" && $3 == "script" && $4 == "echo" { phase = $5 }
    $2 != "-" && phase == "playing" { if ($2 > top) { top = $2; what = $3 " " $4 " " $5 } }
    $3 == "mouse" && $4 == "left" && (phase == "presses" || phase == "quick") { press[++n] = $1; kind[n] = phase }
    END {
        printf "longest call while a disc plays: %.2f ms (%s) (goal < 5 ms)\n", top / 1000, what
        for (i = 1; i <= n; i++) {
            limit = i < n ? press[i + 1] : press[i] + 1.5
            d = -1
            for (j = 1; j <= h; j++) if (heard[j] > press[i] && heard[j] < limit) { d = (heard[j] - press[i]) * 1000; break }
            k = kind[i]
            if (d < 0) silent[k]++; else { sum[k] += d; cnt[k]++; if (d > most[k]) most[k] = d }
        }
        if (cnt["presses"]) printf "press on a CD preset to its track'"'"'s first sample: mean %.1f ms, longest %.1f ms over %d\n", sum["presses"] / cnt["presses"], most["presses"], cnt["presses"]
        printf "CD presses 250 ms apart: %d of %d sounded before the next, mean %.1f ms, longest %.1f ms (goal < 50 ms)\n", cnt["quick"], cnt["quick"] + silent["quick"], cnt["quick"] ? sum["quick"] / cnt["quick"] : 0, most["quick"]
    }' "$work/cd.timing"

# 8. What an idle radio costs (power on, CD mode, no drive), and a playing
#    WAV preset: the longest call into the module over 10 s of updates, and
#    the CPU time of the host and its children over those 10 s as a share
#    of one core (no sound written anywhere).
idle=$(cpu_share idle "click $POWER"$'\n'"wait 14000" --cd absent)
awk '$3 == "mouse" { clicked = 1; next }
     clicked && $2 != "-" && !($3 == "service" && $4 != "pre-update") && $2 > top { top = $2; what = $3 " " $4 " " $5 }
     END { printf "longest call of an idle radio (CD mode, no drive): %.2f ms (%s) (goal < 5 ms)\n", top / 1000, what }' "$work/idle.timing"
echo "CPU of an idle radio (power on, CD mode, no drive): $idle of a core"
playing=$(cpu_share playing "click $POWER"$'\n'"click $MODE_FM"$'\n'"wait 14000")
echo "CPU of a playing WAV preset: $playing of a core"

# 9. The gap where a looping preset starts again: FM 1 plays a 3 s WAV tone,
#    loud from its first sample to its last, for 10 s; the longest silence
#    inside its capture, after its first sound (ffmpeg's silencedetect,
#    below -50 dBFS, at least 0.5 ms).
gst-launch-1.0 -q audiotestsrc wave=sine freq=440 volume=0.5 num-buffers=30 samplesperbuffer=4410 ! \
    audio/x-raw,format=S16LE,rate=44100,channels=1 ! wavenc ! filesink location="$work/List/loop.wav"
cp "$work/skytune.dat" "$work/presets.dat"
{ printf 'loop.wav\n%s\n' "$work/List/loop.wav"; tail -n +3 "$work/presets.dat"; } > "$work/skytune.dat"
run_host loop "click $POWER"$'\n'"click $MODE_FM"$'\n'"wait 10000"
mv "$work/presets.dat" "$work/skytune.dat"
ffmpeg -hide_banner -nostats -i "$work/loop.audio/media-1.wav" -af silencedetect=noise=-50dB:d=0.0005 \
    -f null - 2>&1 | tr '|' '\n' | awk '
    /Duration:/ { split($2, t, ":"); length_s = t[1] * 3600 + t[2] * 60 + t[3] }
    /silence_start:/ { start = $NF }
    /silence_end:/ { end = $NF }
    /silence_duration:/ { if (start > 0.1 && end < length_s - 0.1 && $NF > gap) gap = $NF }
    END { printf "gap where a looping 3 s WAV preset starts again: longest %.1f ms over 10 s (goal < 20 ms)\n", gap * 1000 }'

# 10. Resident memory with twelve presets, and its growth over a soak of
#    preset switches, mode changes, tooltips and reinstalls.
soak_seconds=${SOAK_SECONDS:-60}
script="click $POWER"$'\n'"click $MODE_FM"$'\n'"wait 1000"$'\n'"echo rss"
rounds=$((soak_seconds / 6))
for r in $(seq 1 "$rounds"); do
    k=$((r % 6 + 1))
    script+=$'\n'"click ${preset_x[$k]} 120"$'\n'"wait 1000"$'\n'"hover ${preset_x[$k]} 120"
    script+=$'\n'"click $MODE_AM"$'\n'"wait 1000"$'\n'"click $MODE_CD"$'\n'"wait 1500"
    script+=$'\n'"click $MODE_FM"$'\n'"wait 1000"
    if [ $((r % 5)) -eq 0 ]; then script+=$'\n'"reinstall"; fi
done
script+=$'\n'"echo rss"$'\n'"wait 1000"
printf '%s\n' "$script" > "$work/soak.script"
(cd "$work" && exec "$host" --headless --gauge "$work/skytune.gau" --audio null \
    --script "$work/soak.script" > "$work/soak.out") &
pid=$!
rss() { awk '/^VmRSS/ { print $2 }' "/proc/$pid/status" 2>/dev/null || echo 0; }
sleep 2.5
start_rss=$(rss)
sleep $((soak_seconds / 2))
middle_rss=$(rss)
while kill -0 "$pid" 2>/dev/null && [ "$(grep -c rss "$work/soak.out" 2>/dev/null || echo 0)" -lt 2 ]; do
    sleep 0.2
done
end_rss=$(rss)
wait "$pid"
echo "resident memory of the host, twelve presets, FM playing: $((start_rss / 1024)) MiB"
echo "growth over a ${soak_seconds}-second soak: $(( (end_rss - start_rss) )) KiB (half way: $(( (middle_rss - start_rss) )) KiB)"
