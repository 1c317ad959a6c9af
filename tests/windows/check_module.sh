#!/usr/bin/env bash
# Cross-builds the 32-bit module and checks the file the simulator loads:
# an i386 DLL that exports exactly ImportTable and Linkage and needs no
# MinGW runtime DLL. Exits 77 (skipped) where MinGW is not installed.
set -uo pipefail
top="$1"
. "$top/tests/windows/windows_steps.sh"
windows_build windows_module i686 skytune_gauge

module="$top/build-win32/gauge/skytune.gau"
failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}

headers="$(i686-w64-mingw32-objdump -p "$module")" || exit 1
grep -q "file format pei-i386" <<<"$headers" || fail "not a 32-bit PE file"
grep -q "^Characteristics.*" <<<"$headers" && grep -q "	DLL" <<<"$headers" || fail "not a DLL"

exports="$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" |
    sed -n 's/^\s*\[ *[0-9]*\] \(.*\)$/\1/p' | sort | tr '\n' ' ')"
[ "$exports" = "ImportTable Linkage " ] || fail "exports are '$exports', not ImportTable and Linkage"
grep -q "Name .*skytune.gau" <<<"$headers" || fail "the export directory does not name skytune.gau"

imports="$(grep 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}' | sort | tr '\n' ' ')"
for runtime in libgcc libstdc++ libwinpthread; do
    grep -q "$runtime" <<<"$imports" && fail "imports the MinGW runtime $runtime ($imports)"
done
for needed in winmm.dll ole32.dll comdlg32.dll shlwapi.dll user32.dll kernel32.dll; do
    grep -q "$needed" <<<"$imports" || fail "does not import $needed ($imports)"
done

echo "windows_module: $module imports: $imports"
exit $failed
