#!/usr/bin/env bash
# Gives a first `make run` something to play: when there is no settings file
# yet, writes one that puts the demo sounds on the FM and AM presets.
#   tools/seed_settings.sh SETTINGS_FILE SOUND_FOLDER
# A settings file that exists (the user's own) is left alone.
set -euo pipefail

settings="$1"
sounds="$2"
if [ -e "$settings" ]; then
    exit 0
fi
files=()
while IFS= read -r -d '' file; do
    files+=("$(basename "$file")")
done < <(find "$sounds" -maxdepth 1 -type f \
    \( -iname '*.mid' -o -iname '*.mp3' -o -iname '*.wav' -o -iname '*.wma' \) -print0 | sort -z)
if [ ${#files[@]} -eq 0 ]; then
    exit 0
fi
mkdir -p "$(dirname "$settings")"
{
    # Twelve presets, FM 1-6 then AM 1-6, the sounds in turn.
    for slot in $(seq 0 11); do
        name="${files[$((slot % ${#files[@]}))]}"
        printf '%s\n./%s/%s\n' "$name" "$(basename "$sounds")" "$name"
    done
    printf './%s/\n 80\n 20\n' "$(basename "$sounds")"
} > "$settings"
echo "make run: assigned the sounds in $sounds to the presets ($settings)"
