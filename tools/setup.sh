#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and runs with.
# Idempotent and quick when everything is present: it asks dpkg first and
# only calls apt-get for what is missing.
#   setup.sh         the packages
#   setup.sh wine32  then, optionally, the 32-bit Wine that the product is
#                    tested under (tools/wine32-chroot.sh: once per machine,
#                    as root; `make test` asks for it)
set -euo pipefail
group="${1:-}"

packages=(
    # build
    cmake ninja-build g++ pkg-config clang-format
    libgtest-dev libgmock-dev libbenchmark-dev
    # the fuzz targets (libFuzzer)
    clang libclang-rt-14-dev
    # audio: the media graph, the virtual CD drive and the click
    libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
    gstreamer1.0-plugins-ugly gstreamer1.0-libav timgm6mb-soundfont libopenal-dev
    # internet radio: the stand-in's HTTP (libcurl, certificates checked
    # against Debian's) and its MP3 decoder
    libcurl4-openssl-dev ca-certificates libmpg123-dev
    # the tool that encodes the test and demo audio (tools/make_audio_samples.py)
    gstreamer1.0-tools
    # the loopback radio stations of the stream tests: the server, and the
    # source client that synthesises and encodes each station's tone
    icecast2 ffmpeg
    # the panel host's window, font, screenshots and file chooser
    libsdl2-dev libsdl2-ttf-dev fonts-liberation libpng-dev zenity xvfb xauth
)

# Optional: the Windows cross builds, the Wine that runs their test driver,
# the sound server whose null sink the Wine runs play into (paced as a
# sound card, and recorded) and what makes the 32-bit Wine's chroot. A
# machine without them still builds and tests the native side.
optional=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 pulseaudio pulseaudio-utils debootstrap)

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
missing_optional=()
for p in "${optional[@]}"; do
    installed "$p" || missing_optional+=("$p")
done

wine32() {
    if [ "$group" = wine32 ]; then
        # Its own last step, so that an interruption reaches it.
        exec "$(dirname "$0")/wine32-chroot.sh" make
    fi
    exit 0
}

if [ ${#missing[@]} -eq 0 ] && [ ${#missing_optional[@]} -eq 0 ]; then
    wine32
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
apt_install() {
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@"
}
$sudo apt-get update -qq

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    apt_install "${missing[@]}"
fi

if [ ${#missing_optional[@]} -gt 0 ]; then
    echo "setup: installing ${missing_optional[*]} (optional)"
    if ! apt_install "${missing_optional[@]}" >/dev/null 2>&1; then
        # One at a time, so that what can be had is had.
        unavailable=()
        for p in "${missing_optional[@]}"; do
            apt_install "$p" >/dev/null 2>&1 || unavailable+=("$p")
        done
        if [ ${#unavailable[@]} -gt 0 ]; then
            echo "setup: optional ${unavailable[*]} not installable here; the Windows build and its Wine tests will be skipped"
        fi
    fi
fi
wine32
