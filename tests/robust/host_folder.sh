# Shared by the fault and soak runs: a folder with a copy of the module,
# sound files of every format on the presets (FM 2 a playlist of them, with
# an entry that is gone and a stream address), and the settings file.
#   make_folder DIR GAUGE SOURCE_DIR
make_folder() {
    local dir=$1 gauge=$2 top=$3
    mkdir -p "$dir/Sound"
    cp "$gauge" "$dir/skytune.gau"
    cp "$top/tests/fixtures/tone.wav" "$top/tests/fixtures/tone.mp3" \
        "$top/tests/fixtures/tone.mid" "$top/tests/fixtures/tone.wma" "$dir/Sound/"
    cp "$top/tests/fixtures/noise.bin" "$dir/Sound/noise.wav"
    cp "$top/tests/fixtures/noise.bin" "$dir/Sound/noise.m3u"
    printf '#EXTM3U\ntone.wav\n#EXTINF:1,Gone\nmissing.wav\ntone.mp3\nhttp://127.0.0.1:9/x\ntone.mid\ntone.wma\n' \
        > "$dir/Sound/tones.m3u8"
    local formats=(wav mp3 mid wma) name
    : > "$dir/skytune.dat"
    for slot in $(seq 0 11); do
        name=tone.${formats[$((slot % 4))]}
        [ "$slot" -eq 1 ] && name=tones.m3u8
        printf '%s\n./Sound/%s\n' "$name" "$name" >> "$dir/skytune.dat"
    done
    printf './Sound/\n 80\n 20\n' >> "$dir/skytune.dat"
}

# The settings file is whole: 27 lines, the twelve presets as they were.
check_settings() {
    local dir=$1 what=$2
    local lines
    lines=$(wc -l < "$dir/skytune.dat")
    if [ "$lines" -ne 27 ]; then
        echo "$what: the settings file has $lines lines" >&2
        return 1
    fi
    if ! head -n 24 "$dir/skytune.dat" | diff -q - <(head -n 24 "$dir/skytune.dat.before") >/dev/null; then
        echo "$what: the presets in the settings file changed" >&2
        diff <(head -n 24 "$dir/skytune.dat.before") <(head -n 24 "$dir/skytune.dat") >&2
        return 1
    fi
}
