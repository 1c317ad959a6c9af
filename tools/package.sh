#!/usr/bin/env bash
# Makes the release zip from the 32-bit module: dist/skytune-VERSION.zip with
# skytune.gau, README.txt and LICENSE.txt (text files with Windows line ends).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
module="$top/build-win32/gauge/skytune.gau"
[ -f "$module" ] || { echo "package: $module is missing; run make windows" >&2; exit 1; }

version="$(sed -n 's/^project(skytune VERSION \([0-9]*\)\.\([0-9]*\).*/\1.\2/p' "$top/CMakeLists.txt")"
stage="$top/dist/skytune-$version"
zip_file="$top/dist/skytune-$version.zip"
rm -rf "$stage" "$zip_file"
mkdir -p "$stage"
cp "$module" "$stage/skytune.gau"
sed 's/$/\r/' "$top/package/README.txt" >"$stage/README.txt"
sed 's/$/\r/' "$top/LICENSE" >"$stage/LICENSE.txt"
(cd "$top/dist" && zip -q -X -r "$zip_file" "skytune-$version")
echo "package: $zip_file"
unzip -l "$zip_file" | tail -n +2
