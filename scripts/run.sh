#!/usr/bin/env bash
# Builds Morva MP3 and starts it in its local chat room, with a folder of demo
# tunes as its music. The first command to run on a fresh clone:
#
#   scripts/run.sh [morva options...]     e.g. scripts/run.sh --screen-name Joe
#
# Everything but the program's own room lines goes to standard error, so
# standard output carries the chat room alone.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build"
music="$root/demo-music"

"$root/scripts/deps.sh" >&2

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMORVA_BUILD_TESTS=OFF -DMORVA_BUILD_BENCH=OFF >&2
fi
cmake --build "$build" --target morva -j"$(nproc)" >&2
program="$build/src/morva"

# One tune: the notes played one after another, the phrase again and again
# until the tune is long enough, encoded with lame. The beat is in milliseconds.
make_tune() {
  local file="$1" wave="$2" beat_ms="$3" seconds="$4"
  shift 4
  local beat work
  beat="$(printf '%d.%03d' $((beat_ms / 1000)) $((beat_ms % 1000)))"
  work="$(mktemp -d)"
  local parts=() i=0 elapsed_ms=0
  while [ "$elapsed_ms" -lt $((seconds * 1000)) ]; do
    for note in "$@"; do
      local part="$work/$(printf '%04d' "$i").wav"
      sox -q -n -r 44100 -c 2 "$part" synth "$beat" "$wave" "$note" fade q 0.01 "$beat" 0.08 vol 0.4
      parts+=("$part")
      i=$((i + 1))
      elapsed_ms=$((elapsed_ms + beat_ms))
    done
  done
  sox -q "${parts[@]}" "$work/tune.wav"
  lame --quiet -b 128 --tt "$(basename "$file" .mp3)" --ta "Morva Demo" "$work/tune.wav" "$file"
  rm -rf "$work"
}

if ! compgen -G "$music/*.mp3" >/dev/null; then
  echo "Making demo tunes in $music" >&2
  mkdir -p "$music"
  make_tune "$music/Morva Demo - Sunrise Theme.mp3" pluck 250 16 C4 E4 G4 C5 G4 E4 D4 F4 A4 D5 A4 F4
  make_tune "$music/Morva Demo - Night Drive.mp3" square 200 14 A2 A2 C3 A2 D3 A2 E3 G2
  make_tune "$music/Morva Demo - Rainy Window.mp3" sine 500 18 E5 D5 C5 B4 A4 G4 A4 B4
  make_tune "$music/Morva Demo - Paper Boats.mp3" triangle 300 12 G4 B4 D5 B4 C5 E5 G5 E5
fi

# The music folder is remembered in mp3.ini beside the program; a folder the
# owner has set already (".dir") is left as it is.
settings="$(dirname "$program")/mp3.ini"
if [ ! -f "$settings" ]; then
  printf '[mp3dir]\ndir=%s\n' "$music" >"$settings"
fi

cd "$music"
exec "$program" "$@"
