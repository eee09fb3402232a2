#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Zarvik need.
set -euo pipefail
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev libqscintilla2-qt6-dev libuchardet-dev pkgconf qt6-translations-l10n libgl-dev
          xvfb xauth x11-utils clang libclang-rt-14-dev clang-format git chromium
          libqt6svg6 desktop-file-utils appstream libxml2-utils dpkg-dev python3 time
          nlohmann-json3-dev libssl-dev libidn2-dev qt6-httpserver-dev qt6-websockets-dev
          python3-fusepy fuse3 libcurl4-openssl-dev libsecret-1-dev
          vsftpd openssh-server openssh-client python3-pyftpdlib openssl gnome-keyring libsecret-tools dbus
          lftp libpcre2-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
