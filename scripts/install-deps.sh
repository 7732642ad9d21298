#!/usr/bin/env bash
# Installs the Debian packages Tolvan needs to build, run and test.
# Only what is missing is installed, so a second run takes a moment.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libtidy-dev
  fonts-liberation2 fonts-wqy-microhei
  xvfb xdotool xclip xauth x11-apps imagemagick
  desktop-file-utils appstream dpkg-dev file
  clang-14 libclang-rt-14-dev
  cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils
  chromium
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
