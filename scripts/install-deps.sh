#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, test and play; does nothing when all are there.
set -euo pipefail

packages=(
  cmake g++ ninja-build pkg-config
  libglm-dev libglfw3-dev libglew-dev libsoil-dev libopenal-dev libstb-dev
  libfreetype-dev libvorbis-dev fonts-open-sans
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb openbox xdotool mesa-utils x11-utils libgl1-mesa-dri libx11-dev
  clang libclang-rt-14-dev
  dpkg-dev desktop-file-utils appstream lintian
  python3
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages need root: run this command as root (or with sudo)." >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi
