#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need,
# and only those that are missing, with any packages named as arguments.
# Safe to run again.
set -euo pipefail

packages=(
  g++ make cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libxlsxwriter-dev
  fonts-dejavu-core xvfb xauth xdotool xclip imagemagick xdg-utils pcmanfm
  ripgrep python3 desktop-file-utils libpcre2-dev
  clang libclang-rt-14-dev clang-format libreoffice-calc unzip
  libgmime-3.0-dev libxml2-dev libicu-dev
)

# Packages named on the command line are wanted too (e.g. by tools/package.sh).
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
