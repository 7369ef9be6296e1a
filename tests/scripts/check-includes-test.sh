#!/usr/bin/env bash
# Plants each kind of wrong include in a small tree laid out like the
# repository's and checks that scripts/check-includes.sh names it and fails;
# the same tree with only right includes passes.
set -uo pipefail
script=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/scripts/check-includes.sh
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

# One header in each folder, and includes that go the right way.
for folder in src/app src/commands src/library src/session src/aol src/widgets src/shared src/seams \
    platform/audio platform/mediaplayer platform/cdplayer platform/desktop platform/desktop/mpris \
    platform/chathtml platform/chatclient platform/chatclient/irc platform/chatclient/proxy \
    platform/chatscanner platform/runtime platform/win32; do
  mkdir -p "$tree/$folder"
  echo '#pragma once' >"$tree/$folder/Header.h"
done
printf '#include "src/commands/Header.h"\n#include "src/seams/Header.h"\n#include <QString>\n' >"$tree/src/app/Good.cpp"
printf '#include "src/shared/Header.h"\n#include "src/seams/Header.h"\n' >"$tree/src/aol/Good.cpp"
printf '#include "src/seams/Header.h"\n' >"$tree/src/shared/Good.cpp"
printf '#include "src/app/Header.h"\n#include "platform/audio/Header.h"\n' >"$tree/src/main.cpp"
printf '#include "platform/audio/Header.h"\n#include "src/seams/Header.h"\n#include <cdio/cdio.h>\n' \
  >"$tree/platform/cdplayer/Good.cpp"
printf '#include "platform/mediaplayer/Header.h"\n' >"$tree/platform/desktop/mpris/Good.cpp"
printf '#include "platform/chatclient/Header.h"\n#include "platform/chatclient/irc/Header.h"\n' \
  >"$tree/platform/chatclient/proxy/Good.cpp"
printf '#include "platform/chathtml/Header.h"\n' >"$tree/platform/chatclient/irc/Good.cpp"

failures=0
check() {  # expected status, what the output must hold ("" for nothing)
  local output status
  output=$(MORVA_CHECK_ROOT=$tree bash "$script" 2>&1)
  status=$?
  if [ "$status" -ne "$1" ] || [[ $output != *"$2"* ]]; then
    echo "FAIL: $planted: status $status, wanted $1 with: $2"
    echo "$output" | sed 's/^/    /'
    failures=$((failures + 1))
  fi
}

planted="the tree as it is"
check 0 "every include goes one way"

# file | include line | what the complaint says
while IFS='|' read -r file include says; do
  [ -n "$file" ] || continue
  planted="$file: $include"
  mkdir -p "$(dirname "$tree/$file")"
  printf '%s\n' "$include" >"$tree/$file"
  check 1 "$says"
  rm "$tree/$file"
done <<'TABLE'
src/app/Bad.cpp|#include <src/commands/Header.h>|include the program's own files with quotes
platform/audio/Bad.cpp|#include <platform/audio/Header.h>|include the program's own files with quotes
src/app/Bad.cpp|#include "src/seams/../app/Header.h"|no ".", ".." or empty folder
src/app/Bad.cpp|#include "src/./app/Header.h"|no ".", ".." or empty folder
src/app/Bad.cpp|#include "../app/Header.h"|no ".", ".." or empty folder
src/app/Bad.cpp|#include "Header.h"|write includes from the repository's root
src/aol/Bad.cpp|#include "platform/win32/Header.h"|only src/main.cpp includes the platform
platform/win32/Bad.cpp|#include "src/aol/Header.h"|the platform sees only src/seams
src/library/Bad.cpp|#include "src/commands/Header.h"|src/library may not include src/commands
src/shared/Bad.cpp|#include "src/aol/Header.h"|src/shared may not include src/aol
src/aol/Bad.cpp|#include "src/widgets/Header.h"|src/aol may not include src/widgets
src/widgets/Bad.cpp|#include "src/aol/Header.h"|src/widgets may not include src/aol
src/seams/Bad.cpp|#include "src/shared/Header.h"|src/seams includes only itself
src/newfolder/Bad.cpp|#include "src/seams/Header.h"|src/newfolder has no place in the order
src/app/Bad.cpp|#include "src/main.cpp"|src/main.cpp has no place in the order
platform/audio/Bad.cpp|#include "platform/mediaplayer/Header.h"|platform/audio may include only itself
platform/chathtml/Bad.cpp|#include "platform/chatclient/Header.h"|platform/chathtml may include only itself
platform/chatclient/irc/Bad.cpp|#include "platform/chatclient/Header.h"|platform/chatclient/irc may include only chathtml
platform/chatclient/Bad.cpp|#include "platform/chatclient/proxy/Header.h"|platform/chatclient may include only
platform/mediaplayer/Bad.cpp|#include "platform/desktop/Header.h"|platform/mediaplayer may include only audio
platform/newpart/Bad.cpp|#include "platform/audio/Header.h"|platform/newpart has no place
TABLE

if [ "$failures" -ne 0 ]; then
  echo "$failures planted includes were not caught as they should be"
  exit 1
fi
echo "every planted include was caught"
