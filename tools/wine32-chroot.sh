#!/usr/bin/env bash
# The 32-bit Wine that the product module is tested under: an i386 Debian 12
# chroot with wine32 in it (multiarch wine32 does not install beside the
# amd64 packages). It is made once with debootstrap and kept outside the
# source tree, so every clone and worktree on the machine shares it.
#
#   wine32-chroot.sh make            make it unless it is there and whole
#   wine32-chroot.sh check           exit 0 when it can be used, else say why
#   wine32-chroot.sh run TOP CMD...  run CMD in it as root, TOP bound at /skytune
#
# Every mount is made in a mount namespace of the run's own, so none is ever
# seen outside it and none outlives it, whatever ends the run; a trap also
# waits for the run's processes (wineserver) and takes the mounts down.
# SKYTUNE_WINE32_CHROOT chooses another place for it.
set -euo pipefail

root="${SKYTUNE_WINE32_CHROOT:-/var/cache/skytune/wine32-chroot}"
root="$(realpath -m "$root")"
lock="$root.lock"
log="$root.log"
suite=bookworm
free_mib_needed=3000
packages=(wine wine32 gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly gstreamer1.0-libav
    timgm6mb-soundfont libasound2-plugins fonts-liberation
    # the sound card the runs are heard through: a null sink, paced in real time
    pulseaudio pulseaudio-utils)
# The stamp names what was installed: a changed list makes it again.
stamp_text="$suite i386: ${packages[*]}"
inside_path=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin

# Whole: made to the end (the stamp is written last) with every package
# still installed.
whole() {
    local dir="$1" installed
    [ -f "$dir/etc/skytune-wine32" ] && [ "$(cat "$dir/etc/skytune-wine32")" = "$stamp_text" ] &&
        [ -d "$dir/skytune" ] && chroot "$dir" test -x /usr/bin/wine || return 1
    installed="$(chroot "$dir" dpkg-query -W -f='${Status}\n' "${packages[@]}" 2>/dev/null |
        grep -c '^install ok installed$' || true)"
    [ "$installed" = "${#packages[@]}" ]
}

# Why it cannot be made or used here; nothing when it can.
obstacle() {
    [ "$(id -u)" -eq 0 ] || { echo "not root"; return; }
    command -v unshare >/dev/null || { echo "unshare is not installed"; return; }
    unshare --mount true 2>/dev/null || { echo "mount namespaces are not allowed here"; return; }
}

# The archive as the host's apt names it: the first URI of the stanza (or
# line) for SUITE.
archive_uri() {
    local want="$1"
    {
        if [ -f /etc/apt/sources.list.d/debian.sources ]; then
            awk -v want="$want" '
                /^[[:space:]]*$/ { if (uri != "" && hit) print uri; uri = ""; hit = 0; next }
                /^URIs:/ { uri = $2 }
                /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == want) hit = 1 }
                END { if (uri != "" && hit) print uri }' /etc/apt/sources.list.d/debian.sources
        fi
        if [ -f /etc/apt/sources.list ]; then
            awk -v want="$want" '$1 == "deb" && $3 == want { print $2 }' /etc/apt/sources.list
        fi
    } | head -n 1
}

# Bind the host's /proc, /sys, /dev and /dev/pts and a fresh /dev/shm and
# /tmp into DIR; callable only inside a namespace of our own.
mounted=()
mount_into() {
    local dir="$1" top="${2:-}"
    local what
    for what in proc sys dev dev/pts; do
        mount --bind "/$what" "$dir/$what"
        mounted+=("$dir/$what")
    done
    mount -t tmpfs -o mode=1777 shm "$dir/dev/shm"
    mounted+=("$dir/dev/shm")
    mount -t tmpfs -o mode=1777 tmp "$dir/tmp"
    mounted+=("$dir/tmp")
    if [ -n "$top" ]; then
        mount --bind "$top" "$dir/skytune"
        mounted+=("$dir/skytune")
    fi
}

# The processes of this namespace that live in DIR; wineserver stays a few
# seconds after the last Wine program.
inside_pids() {
    local dir="$1" own link
    own="$(readlink /proc/$$/ns/mnt)"
    for link in $(find /proc/[0-9]*/root -maxdepth 0 -lname "$dir" 2>/dev/null); do
        [ "$(readlink "${link%/root}/ns/mnt" 2>/dev/null)" = "$own" ] && echo "${link//[^0-9]/}"
    done
    return 0
}

signal_inside() {
    local pid
    for pid in $(inside_pids "$2"); do
        kill "-$1" "$pid" 2>/dev/null || true
    done
}

# Waits up to SECONDS for the processes in DIR to end.
wait_inside() {
    local dir="$1" tenths=$(($2 * 10))
    while [ -n "$(inside_pids "$dir")" ] && [ $tenths -gt 0 ]; do
        sleep 0.1
        tenths=$((tenths - 1))
    done
}

take_down() {
    local dir="$1" i
    wait_inside "$dir" 5
    signal_inside KILL "$dir"
    wait_inside "$dir" 5
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null || true
    done
    mounted=()
}

inside() {
    local dir="$1"
    shift
    chroot "$dir" env -i PATH="$inside_path" HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}

# In the run's own namespace: mount DIR (TOP at /skytune when given), run
# the command (a function or program) in the background so that a signal is
# handled at once, then wait for what it left (wineserver) and take down.
ns_dir=""
in_namespace() {
    ns_dir="$1"
    local top="$2"
    shift 2
    trap 'take_down "$ns_dir"' EXIT
    trap 'signal_inside TERM "$ns_dir"; exit 130' INT
    trap 'signal_inside TERM "$ns_dir"; exit 143' TERM
    trap 'signal_inside TERM "$ns_dir"; exit 129' HUP
    mount_into "$ns_dir" "$top"
    "$@" &
    wait $!
}

# In the build's own namespace: debootstrap, then the packages.
build_into() {
    local dir="$1" mirror="$2" security="$3"
    debootstrap --arch=i386 "$suite" "$dir" "$mirror"
    {
        echo "deb $mirror $suite main"
        echo "deb $mirror $suite-updates main"
        [ -z "$security" ] || echo "deb $security $suite-security main"
    } >"$dir/etc/apt/sources.list"
    # Wine wants its host name resolved.
    cp /etc/resolv.conf /etc/hosts "$dir/etc/"
    # No sound card: ALSA's default device takes everything and plays nothing.
    printf 'pcm.!default {\n    type null\n}\n' >"$dir/etc/asound.conf"
    mkdir -p "$dir/skytune"
    in_namespace "$dir" "" provision "$dir"
}

provision() {
    local dir="$1"
    inside "$dir" apt-get update -q
    inside "$dir" apt-get install -y -q "${packages[@]}"
    inside "$dir" apt-get clean
}

# A chroot this script made for an older package list: the packages added
# since go in, rather than the whole of it made again.
bring_up_to_date() {
    local dir="$1"
    [ -f "$dir/etc/skytune-wine32" ] && chroot "$dir" test -x /usr/bin/wine || return 1
    echo "wine32-chroot: adding the packages this list names to $dir"
    setsid unshare --mount --propagation private "$0" _provision "$dir" >>"$log" 2>&1 || return 1
    echo "$stamp_text" >"$dir/etc/skytune-wine32"
    whole "$dir"
}

make_it() {
    local why mirror security part started builder
    why="$(obstacle)"
    [ -z "$why" ] || { echo "wine32-chroot: cannot be made: $why"; return 1; }
    mkdir -p "$(dirname "$root")"
    exec 9>"$lock"
    # A second make waits for the first.
    flock 9
    if whole "$root" || bring_up_to_date "$root"; then
        return 0
    fi
    command -v debootstrap >/dev/null ||
        { echo "wine32-chroot: cannot be made: debootstrap is not installed"; return 1; }
    mirror="$(archive_uri "$suite")"
    security="$(archive_uri "$suite-security")"
    [ -n "$mirror" ] ||
        { echo "wine32-chroot: cannot be made: the host's apt sources name no $suite archive"; return 1; }
    if [ -n "$(awk -v r="$root" 'index($2, r) == 1' /proc/mounts)" ]; then
        echo "wine32-chroot: cannot be made: something is mounted under $root"
        return 1
    fi
    # Broken or half made: start again from nothing. Only what this script
    # made (it bears the stamp) is removed.
    if [ -e "$root" ] && [ ! -f "$root/etc/skytune-wine32" ]; then
        echo "wine32-chroot: cannot be made: $root is there and is not one this script made"
        return 1
    fi
    part="$root.part"
    rm -rf --one-file-system "$root" "$part"
    local free
    free="$(df --output=avail -BM "$(dirname "$root")" | tail -n 1 | tr -dc 0-9)"
    if [ "$free" -lt $free_mib_needed ]; then
        echo "wine32-chroot: cannot be made: ${free} MiB free at $(dirname "$root"), ${free_mib_needed} needed"
        return 1
    fi
    started=$(date +%s)
    echo "wine32-chroot: making $root (4 to 6 minutes, about 2 GB; log in $log)"
    # In a session of its own, so that an interruption ends all of it
    # (debootstrap, apt, dpkg): what is half made is made again next time.
    setsid unshare --mount --propagation private "$0" _build "$part" "$mirror" "$security" \
        >"$log" 2>&1 &
    builder=$!
    trap 'kill -TERM -- -$builder 2>/dev/null || kill -TERM $builder; wait $builder; exit 130' INT
    trap 'kill -TERM -- -$builder 2>/dev/null || kill -TERM $builder; wait $builder; exit 143' TERM HUP
    if ! wait $builder; then
        echo "wine32-chroot: cannot be made: $( (grep -E '^(E|W: Failure):' "$log" || tail -n 1 "$log") | tail -n 1) (log in $log)"
        rm -rf --one-file-system "$part"
        return 1
    fi
    trap - INT TERM HUP
    echo "$stamp_text" >"$part/etc/skytune-wine32"
    mv "$part" "$root"
    whole "$root" || { echo "wine32-chroot: made, but not whole (log in $log)"; return 1; }
    echo "wine32-chroot: made in $(($(date +%s) - started)) s, $(du -sh --one-file-system "$root" | cut -f1)"
}

check_it() {
    local why
    why="$(obstacle)"
    [ -z "$why" ] || { echo "$why"; return 1; }
    if ! whole "$root"; then
        if [ -f "$log" ]; then
            echo "the 32-bit Wine chroot $root is not made (tools/setup.sh wine32; last log line: $(tail -n 1 "$log"))"
        else
            echo "the 32-bit Wine chroot $root is not made (tools/setup.sh wine32 makes it)"
        fi
        return 1
    fi
}

case "${1:-}" in
    make) make_it ;;
    check) check_it ;;
    run)
        [ $# -ge 3 ] || { echo "usage: $0 run TOP CMD..." >&2; exit 2; }
        why="$(check_it)" || { echo "wine32-chroot: $why"; exit 77; }
        top="$(cd "$2" && pwd)"
        shift 2
        # Shared with other runs; a make that starts again waits for them.
        exec 9>"$lock"
        flock -s 9
        exec unshare --mount --propagation private "$0" _run "$top" "$@"
        ;;
    _run)
        top="$2"
        shift 2
        in_namespace "$root" "$top" inside "$root" "$@"
        ;;
    _build) build_into "$2" "$3" "$4" ;;
    _provision) in_namespace "$2" "" provision "$2" ;;
    *)
        echo "usage: $0 make|check|run TOP CMD..." >&2
        exit 2
        ;;
esac
