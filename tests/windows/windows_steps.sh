# Sourced by the Windows tests and the bench, with $top set to the top of the
# tree. A step that cannot be taken here prints why NAME is skipped and exits
# 77; a failed build shows the build's last lines and exits with its status.
#   windows_build NAME ARCH TARGET...  builds the targets (tools/build-windows.sh)
#   wine_ready NAME ARCH               a Wine for ARCH: wine64 on the host for
#                                      x86_64, 32-bit Wine in its chroot for i686,
#                                      and the sound server its runs play into
#   wine_run ARCH PROGRAM ARGS...      runs PROGRAM under that Wine (paths under
#                                      the tree are passed as they are)

windows_build() {
    local name="$1" arch="$2"
    shift 2
    local log
    log="$(mktemp)"
    "$top/tools/build-windows.sh" "$arch" -- "$@" >"$log" 2>&1
    local status=$?
    if [ $status -eq 77 ]; then
        rm -f "$log"
        echo "$name: skipped: the $arch MinGW cross compiler is not installed"
        exit 77
    fi
    if [ $status -ne 0 ]; then
        tail -n 30 "$log"
        rm -f "$log"
        exit $status
    fi
    rm -f "$log"
}

windows_build_dir() {
    case "$1" in
        i686) echo "$top/build-win32" ;;
        *) echo "$top/build-win64" ;;
    esac
}

wine_ready() {
    local name="$1" arch="$2" candidate why
    if [ "$arch" = i686 ]; then
        why="$("$top/tools/wine32-chroot.sh" check)" || {
            echo "$name: skipped: $why"
            exit 77
        }
        return
    fi
    for candidate in pulseaudio pactl parec; do
        command -v "$candidate" >/dev/null || {
            echo "$name: skipped: $candidate is not installed (tools/setup.sh installs it where Debian offers it)"
            exit 77
        }
    done
    wine64=""
    for candidate in wine64 /usr/lib/wine/wine64 /usr/lib/wine/wine; do
        if command -v "$candidate" >/dev/null; then
            wine64="$(command -v "$candidate")"
            return
        fi
    done
    echo "$name: skipped: wine64 is not installed (tools/setup.sh installs it where Debian offers it)"
    exit 77
}

wine_run() {
    local arch="$1"
    shift
    local state
    state="$(windows_build_dir "$arch")/wine"
    if [ "$arch" = i686 ]; then
        # The tree is at /skytune in the chroot.
        local args=() arg
        for arg in "$state" "$@"; do
            case "$arg" in
                "$top"/*) args+=("/skytune${arg#"$top"}") ;;
                *) args+=("$arg") ;;
            esac
        done
        "$top/tools/wine32-chroot.sh" run "$top" env WINEARCH=win32 \
            /skytune/tests/windows/wine_session.sh wine "${args[@]}"
    else
        "$top/tests/windows/wine_session.sh" "$wine64" "$state" "$@"
    fi
}
