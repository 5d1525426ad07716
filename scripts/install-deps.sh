#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need, when they are missing.
# Usage: scripts/install-deps.sh [extra-package ...]
set -euo pipefail

# file and dpkg-dev let CPack find the .deb's dependencies; desktop-file-utils and appstream
# check the installed desktop entry and metainfo; help2man makes the man pages, man-db and
# bash-completion let the package test read them and complete nvq-can.
packages=(build-essential cmake qt6-base-dev qt6-serialport-dev qt6-charts-dev libgl-dev
          libgtest-dev googletest dpkg-dev file desktop-file-utils appstream help2man man-db
          bash-completion "$@")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
    sudo=sudo
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y "${missing[@]}"
