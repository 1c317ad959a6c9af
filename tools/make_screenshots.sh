#!/usr/bin/env bash
# Makes the README's pictures with the host's own screenshot command: the
# radio in FM mode with the power on, the same with a preset's tooltip, and
# a playlist preset's tooltip naming the entry that plays. Run from anywhere
# after a build; writes docs/radio-fm.png, docs/radio-tooltip.png and
# docs/radio-playlist.png.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp build/bin/skytune.gau "$work/"
bash tools/seed_settings.sh "$work/skytune.dat" Sound >/dev/null
mkdir -p docs
build/bin/skytune-host --gauge "$work/skytune.gau" --headless --audio null --script - <<'SCRIPT'
# FM, preset 3, power on
click 440 82
click 230 120
click 440 20
wait 300
screenshot docs/radio-fm.png
hover 232 112
screenshot docs/radio-tooltip.png
SCRIPT
# A playlist of the demo sounds on preset 3, one step on from its first entry.
printf '%s\n' "$PWD/Sound/chimes.wav" "$PWD/Sound/pad.mp3" "$PWD/Sound/waltz.mid" \
    > "$work/Road trip.m3u"
build/bin/skytune-host --gauge "$work/skytune.gau" --headless --audio null --script - <<SCRIPT
click 440 82
click 440 20
dialog $work/Road trip.m3u
click 230 120 right
wait 300
click 387 120
wait 300
hover 232 112
screenshot docs/radio-playlist.png
SCRIPT
