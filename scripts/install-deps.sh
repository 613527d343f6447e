#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running Clipvault need.
# Only packages that are missing are installed; run as root (or through sudo). Extra package
# names given as arguments are installed too.
set -euo pipefail

packages=(
    build-essential cmake pkgconf
    qt6-base-dev qt6-webengine-dev qt6-svg-dev libgl-dev libvulkan-dev
    libcpp-httplib-dev
    yt-dlp ffmpeg
    gpgv gnupg libarchive-dev zip   # proving fetched extractors (gpgv); tests sign with gpg; deno archives
    fonts-dejavu-core fonts-noto-cjk fonts-noto-color-emoji fontconfig
    xvfb xauth curl time
    dpkg-dev file desktop-file-utils appstream   # the Debian package (dpkg-shlibdeps, file) and its validators
    nginx aria2                     # benchmarks only: bench/throttled_128mib.sh
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
