#!/usr/bin/env bash
# Installs every Debian package the project needs, only those that are missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libglfw3-dev libgl-dev libglu1-mesa-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  liblz4-dev zlib1g-dev
  xvfb xdotool x11-apps x11-utils xauth python3 python3-xlib
  lua5.4
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
