#!/usr/bin/env bash
# Checks that includes go one way:
#   - nothing in src/ but src/main.cpp includes platform/;
#   - platform/ includes from src/ only src/seams/;
#   - inside src/: app -> commands -> library -> session -> {aol, widgets, seams, shared},
#     a folder including only itself and the folders below it; src/seams
#     includes only itself;
#   - every quoted include in src/ and platform/ is written from the
#     repository's root ("src/...", "platform/..."), so none slips past.
# Prints every include that goes the wrong way and fails when there is one.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

# The rank of each folder of src/: a folder may include a lower rank, or itself.
rank() {
  case $1 in
    app) echo 4 ;;
    commands) echo 3 ;;
    library) echo 2 ;;
    session) echo 1 ;;
    aol | widgets | seams | shared) echo 0 ;;
    *) echo unknown ;;
  esac
}

bad=0
complain() {
  echo "check-includes: $1: $2" >&2
  bad=1
}

# file:line:#include "path"  ->  file, line and path
while IFS= read -r hit; do
  file=${hit%%:*}
  rest=${hit#*:}
  line=${rest%%:*}
  path=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' <<<"${rest#*:}")
  [ -n "$path" ] || continue
  where="$file:$line includes \"$path\""

  case $path in
    src/* | platform/*) ;;
    *) complain "$where" "write includes from the repository's root"; continue ;;
  esac

  case $file in
    platform/*)
      case $path in
        src/seams/*) ;;
        src/*) complain "$where" "the platform sees only src/seams of the system" ;;
      esac
      ;;
    src/main.cpp) ;;
    src/*)
      case $path in
        platform/*) complain "$where" "only src/main.cpp includes the platform"; continue ;;
      esac
      from=$(cut -d/ -f2 <<<"$file")
      to=$(cut -d/ -f2 <<<"$path")
      from_rank=$(rank "$from")
      to_rank=$(rank "$to")
      if [ "$from_rank" = unknown ]; then
        complain "$where" "src/$from has no place in the order; add it to scripts/check-includes.sh"
      elif [ "$to_rank" = unknown ]; then
        complain "$where" "src/$to has no place in the order (src/main.cpp is included by nothing)"
      elif [ "$from" = seams ] && [ "$to" != seams ]; then
        complain "$where" "src/seams includes only itself"
      elif [ "$from" != "$to" ] && [ "$to_rank" -ge "$from_rank" ] && [ "$to_rank" -ne 0 ]; then
        complain "$where" "src/$from may not include src/$to (app -> commands -> library -> session -> {aol, widgets, seams, shared})"
      fi
      ;;
  esac
done < <(grep -rnE --include='*.cpp' --include='*.h' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' src platform)

if [ "$bad" -ne 0 ]; then
  echo "check-includes: includes go one way; see ARCHITECTURE.md" >&2
  exit 1
fi
echo "check-includes: every include goes one way"
