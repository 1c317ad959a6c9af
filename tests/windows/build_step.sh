# Sourced by the Windows tests: windows_build NAME ARCH TARGET... builds the
# targets with tools/build-windows.sh, quietly. On a missing cross compiler it
# prints why NAME is skipped and exits 77; on a failed build it shows the
# build's last lines and exits with its status.
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
