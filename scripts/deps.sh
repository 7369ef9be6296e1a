#!/usr/bin/env bash
# Installs what building, testing and running Morva MP3 needs on Debian, and
# only what is missing: quiet when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev libgl-dev
  libgtest-dev
  libmpg123-dev libout123-0 mpg123
  libcdio-dev
  lame sox
  libpulse-dev libasound2-dev
  pulseaudio pulseaudio-utils libasound2-plugins  # the tests' own sound server, and ALSA's way to it
  desktop-file-utils file
  ngircd openssl
  dbus playerctl  # the tests' own session bus, and the desktop's player client
  irssi tmux  # the owner's own IRC client, in a terminal of its own, for the proxy's tests
  libtag1-dev  # the tags of the collection
  libshout-dev libmp3lame-dev libsoxr-dev  # the stream: Icecast source, MP3 encoder, resampler
  icecast2 ffmpeg  # the tests' own Icecast server, and a listener nobody here wrote
  chromium-headless-shell qt6-websockets-dev  # a real browser as a listener, driven over DevTools
  inspircd  # a second IRC server, stricter with floods, for the proxy's paced paste
  znc  # the bouncer the proxy's relay is measured against
  lld  # a faster linker for the test builds
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive

# The tests run their own IRC servers; the packaged one must not start. A
# policy that refuses every service start keeps its postinst from starting it;
# ours is only put there when the machine has none, and is taken away after.
policy=/usr/sbin/policy-rc.d
own_policy=0
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\n# Put here by deps.sh during a package install.\nexit 101\n' |
    "${sudo_cmd[@]}" tee "$policy" >/dev/null
  "${sudo_cmd[@]}" chmod 755 "$policy"
  own_policy=1
fi
remove_policy() {
  [ "$own_policy" = 1 ] && "${sudo_cmd[@]}" rm -f "$policy"
  return 0
}
trap remove_policy EXIT

"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

# Should a packaged daemon run anyway, stop it and keep it from starting at
# boot. Only the packaged ones: test servers have their own pid files.
for daemon in icecast2 inspircd znc; do
  if [ -x "/etc/init.d/$daemon" ]; then
    "${sudo_cmd[@]}" "/etc/init.d/$daemon" stop >/dev/null 2>&1 || true
    if command -v systemctl >/dev/null && [ -d /run/systemd/system ]; then
      "${sudo_cmd[@]}" systemctl disable --now "$daemon" >/dev/null 2>&1 || true
    fi
    "${sudo_cmd[@]}" update-rc.d "$daemon" disable >/dev/null 2>&1 || true
  fi
done
if [ -x /etc/init.d/ngircd ]; then
  pidfile=/run/ngircd/ngircd.pid
  if [ -s "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
    "${sudo_cmd[@]}" /etc/init.d/ngircd stop >/dev/null 2>&1 || true
  fi
  if command -v systemctl >/dev/null && [ -d /run/systemd/system ]; then
    "${sudo_cmd[@]}" systemctl disable --now ngircd >/dev/null 2>&1 || true
  fi
  "${sudo_cmd[@]}" update-rc.d ngircd disable >/dev/null 2>&1 || true
fi
