#!/usr/bin/env bash
# Makes the release zip from the 32-bit module: dist/skytune-VERSION.zip with
# skytune.gau, README.txt and LICENSE.txt (text files with Windows line ends).
# Only the very file that passed the driver's run under 32-bit Wine goes in:
# when this build of it has not passed one, the run is made first.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
module="$top/build-win32/gauge/skytune.gau"
[ -f "$module" ] || { echo "package: $module is missing; run make windows" >&2; exit 1; }

tested() {
    [ "$(cat "$module.passed" 2>/dev/null)" = "$(sha256sum "$module" | cut -d' ' -f1)" ]
}
if ! tested; then
    echo "package: running the driver on this module under 32-bit Wine first"
    "$top/tools/setup.sh" wine32 || true
    run="$("$top/tests/windows/run_driver.sh" "$top" i686 2>&1)" || true
    if ! tested; then
        echo "package: the module has not passed the 32-bit run; no package made:" >&2
        tail -n 5 <<<"$run" >&2
        exit 1
    fi
fi

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
