#!/usr/bin/env bash
# Makes the README's pictures with the host's own screenshot command: the
# radio in FM mode with the power on, and the same with a preset's tooltip.
# Run from anywhere after a build; writes docs/radio-fm.png and
# docs/radio-tooltip.png.
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
