#!/usr/bin/env bash
# Installs what building and testing Pocketry needs on Debian, as root.
# Does nothing when everything is there already.
set -euo pipefail

packages=(cmake g++ make python3 googletest libgtest-dev libgmock-dev clang-format
          mingw-w64 wine wine32:i386 wine64 fonts-wine xvfb imagemagick x11-utils zip)

missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "setup: run as root to install: ${missing[*]}" >&2
    exit 1
fi
echo "setup: installing ${missing[*]}"
# Wine's 32-bit half needs the i386 architecture.
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${packages[@]}" >/dev/null
