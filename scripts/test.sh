#!/usr/bin/env bash
# Sets up what is missing, builds Morva MP3 and runs the whole test suite.
#   scripts/test.sh            Debug build in build/test
#   MORVA_SANITIZE=1 scripts/test.sh   the same under address and undefined-behaviour sanitizers
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/deps.sh

build=build/test
sanitize=OFF
if [ "${MORVA_SANITIZE:-0}" = 1 ]; then
  build=build/asan
  sanitize=ON
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMORVA_SANITIZE="$sanitize" >/dev/null
cmake --build "$build" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
