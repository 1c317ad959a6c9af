#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and runs with.
# Idempotent and quick when everything is present: it asks dpkg first and
# only calls apt-get for what is missing.
set -euo pipefail

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
    # the tool that encodes the test and demo audio (tools/make_audio_samples.py)
    gstreamer1.0-tools
    # the panel host's window, font, screenshots and file chooser
    libsdl2-dev libsdl2-ttf-dev fonts-liberation libpng-dev zenity xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "setup: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
