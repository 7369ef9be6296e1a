#!/usr/bin/env bash
# Checks that includes go one way (scripts/check-includes.sh), sets up what is
# missing, builds Morva MP3 and runs the whole test suite twice over:
#   build/test   every test, under the address and undefined-behaviour
#                sanitizers with leak detection, warnings in our code as
#                errors; the benchmarks are built too
#   build/tsan   the suites of the threaded parts (MP3 player, CD player,
#                sound output, chat scanner, IRC session, collection,
#                stream) under the thread sanitizer
# Build folders that are there already are reused.
#   MORVA_TEST_ONLY=test|tsan scripts/test.sh   runs one of the two
#   MORVA_TEST_ONLY=plain scripts/test.sh       the suite without sanitizers
#                                               (build/plain), on request
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

# Before anything is built: an include that goes back up fails the run.
bash scripts/check-includes.sh

bash scripts/deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

# Compiles go through ccache, which keeps objects between runs and between
# clones (paths are taken relative to the clone), so a second run builds only
# what changed.
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
  # Files built with a precompiled header are cached too (cmake/Precompiled.cmake).
  export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# The test builds are built for speed of building: files are compiled eight
# to a unit, with line tables only (all a sanitizer's report needs), and
# linked by lld where it is installed.
fast=(-DCMAKE_UNITY_BUILD=ON -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1)
if command -v ld.lld >/dev/null; then
  fast+=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld)
fi

# configure DIR OPTIONS...: configures once, then only when the options change.
configure() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMORVA_BUILD_BENCH=OFF "${launcher[@]}" "${fast[@]}" "$@" >/dev/null
}

# Most end-to-end cases spend their time waiting on real time (music played
# at its own pace, servers, a browser), so twice as many cases as cores run at
# once. The sound output's cases, which time the sound itself, take turns
# (their tests' RESOURCE_LOCK); the end-to-end cases start first (their COST),
# since a fresh build has no timings of its own to order them by.
ctest_jobs=$((jobs * 2))

case "${MORVA_TEST_ONLY:-}" in
  "" | test | tsan | plain) ;;
  *) echo "MORVA_TEST_ONLY is test, tsan or plain, not '$MORVA_TEST_ONLY'" >&2; exit 2 ;;
esac
wanted() { [ "${MORVA_TEST_ONLY:-}" = "$1" ] || { [ -z "${MORVA_TEST_ONLY:-}" ] && [ "$1" != plain ]; }; }

if wanted test; then
  echo "== the suite under the address and undefined-behaviour sanitizers, warnings as errors"
  configure build/test -DMORVA_SANITIZE=ON -DMORVA_TSAN=OFF -DMORVA_WERROR=ON -DMORVA_BUILD_BENCH=ON
  cmake --build build/test -j"$jobs"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
  LSAN_OPTIONS=suppressions="$root/tests/sanitizers/lsan.supp":print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build/test --output-on-failure -j"$ctest_jobs"
fi

if wanted tsan; then
  echo "== the threaded parts under the thread sanitizer"
  threaded=(morva_mediaplayer_tests cdplayer_tests cdplayer_with_mp3_tests audio_tests chatscanner_tests irc_session_tests collection_tests morva_stream_tests irc_proxy_transport_tests)
  configure build/tsan -DMORVA_TSAN=ON -DMORVA_SANITIZE=OFF
  cmake --build build/tsan -j"$jobs" --target "${threaded[@]}"
  # Each test program's cases carry its name as their label.
  labels=$(IFS='|'; echo "^(${threaded[*]})\$")
  TSAN_OPTIONS=suppressions="$root/tests/sanitizers/tsan.supp":halt_on_error=1:second_deadlock_stack=1 \
    ctest --test-dir build/tsan --output-on-failure -j"$ctest_jobs" -L "$labels"
fi

if wanted plain; then
  echo "== the suite without sanitizers, warnings as errors"
  configure build/plain -DMORVA_SANITIZE=OFF -DMORVA_TSAN=OFF -DMORVA_WERROR=ON
  cmake --build build/plain -j"$jobs"
  ctest --test-dir build/plain --output-on-failure -j"$ctest_jobs"
fi
