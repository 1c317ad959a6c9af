#!/usr/bin/env bash
# Cross-builds the Windows module for each architecture named (i686, x86_64;
# both when none is), each in its own build folder at the top of the tree:
# build-win32 and build-win64. Further arguments after "--" are build targets.
# Exits 77 when the cross compiler for an architecture is not installed.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"

arches=()
targets=()
while [ $# -gt 0 ]; do
    if [ "$1" = "--" ]; then
        shift
        targets=("$@")
        break
    fi
    arches+=("$1")
    shift
done
[ ${#arches[@]} -gt 0 ] || arches=(i686 x86_64)

for arch in "${arches[@]}"; do
    case "$arch" in
        i686) dir="$top/build-win32" ;;
        x86_64) dir="$top/build-win64" ;;
        *) echo "build-windows: unknown architecture $arch" >&2; exit 2 ;;
    esac
    if ! command -v "$arch-w64-mingw32-g++" >/dev/null; then
        echo "build-windows: $arch-w64-mingw32-g++ is not installed (tools/setup.sh installs it where Debian offers it)"
        exit 77
    fi
    cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-$arch-w64-mingw32.cmake" >/dev/null
    if [ ${#targets[@]} -gt 0 ]; then
        cmake --build "$dir" -j 2 --target "${targets[@]}"
    else
        cmake --build "$dir" -j 2
    fi
done
