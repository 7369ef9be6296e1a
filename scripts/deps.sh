#!/usr/bin/env bash
# Installs what building, testing and running Morva MP3 needs on Debian, and
# only what is missing: quiet when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev
  libmpg123-dev libout123-0 mpg123
  libcdio-dev
  lame sox
  libpulse-dev libasound2-dev
  pulseaudio pulseaudio-utils libasound2-plugins  # the tests' own sound server, and ALSA's way to it
  desktop-file-utils file
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
