#!/usr/bin/env bash
# Checks that includes go one way:
#   - nothing in src/ but src/main.cpp includes platform/;
#   - platform/ includes from src/ only src/seams/;
#   - inside src/: app -> commands -> library -> session -> {aol, widgets}
#     -> shared -> seams, a folder including only itself and the folders
#     below it; src/seams includes only itself;
#   - inside platform/, each part includes itself and the parts listed for
#     it below (ARCHITECTURE.md draws them), nothing else;
#   - every include of the repository's own files is quoted and written from
#     the repository's root ("src/...", "platform/..."), with no "." or ".."
#     in its path, so none slips past.
# Prints every include that goes the wrong way and fails when there is one.
# MORVA_CHECK_ROOT checks another tree laid out the same way (the script's
# own test plants bad includes in one).
set -euo pipefail
root=${MORVA_CHECK_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
cd "$root"

# The folders of src/ that each folder of src/ may include, besides itself.
declare -A src_below=(
  [app]="commands library session aol widgets shared seams"
  [commands]="library session aol widgets shared seams"
  [library]="session aol widgets shared seams"
  [session]="aol widgets shared seams"
  [aol]="shared seams"
  [widgets]="shared seams"
  [shared]="seams"
  [seams]=""
)
src_order="app -> commands -> library -> session -> {aol, widgets} -> shared -> seams"

# The parts of platform/ that each part may include, besides itself and
# src/seams. The chat client's IRC protocol and proxy are parts of their own;
# any other subfolder belongs to its folder.
declare -A platform_below=(
  [audio]="" [chathtml]="" [runtime]="" [win32]="" [collection]=""
  [mediaplayer]="audio" [cdplayer]="audio" [stream]="audio"
  [desktop]="mediaplayer audio"
  [chatclient/irc]="chathtml"
  [chatclient]="chatclient/irc chathtml win32"
  [chatclient/proxy]="chatclient chatclient/irc chathtml win32"
  [chatscanner]="chatclient chatclient/irc chathtml win32"
)

# Sets `part` to the part of platform/ that a path lies in.
platform_part() {
  case $1 in
    platform/chatclient/irc/*) part=chatclient/irc ;;
    platform/chatclient/proxy/*) part=chatclient/proxy ;;
    *) part=${1#platform/}; part=${part%%/*} ;;
  esac
}

# Whether the word is in the list.
listed() {
  case " $2 " in *" $1 "*) return 0 ;; esac
  return 1
}

bad=0
complain() {
  echo "check-includes: $1: $2" >&2
  bad=1
}

quoted_re='^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)"'
angled_re='^[[:space:]]*#[[:space:]]*include[[:space:]]*<([^>]*)>'

# file:line:#include "path" or <path>  ->  file, line and path
while IFS= read -r hit; do
  file=${hit%%:*}
  rest=${hit#*:}
  line=${rest%%:*}
  directive=${rest#*:}
  if [[ $directive =~ $angled_re ]]; then
    angled=${BASH_REMATCH[1]}
    case $angled in
      src/* | platform/* | ./* | ../*)
        complain "$file:$line includes <$angled>" "include the program's own files with quotes: \"src/...\", \"platform/...\"" ;;
    esac
    continue
  fi
  [[ $directive =~ $quoted_re ]] || continue
  path=${BASH_REMATCH[1]}
  where="$file:$line includes \"$path\""

  case /$path/ in
    */./* | */../* | *//*) complain "$where" "no \".\", \"..\" or empty folder in an include's path"; continue ;;
  esac
  case $path in
    src/* | platform/*) ;;
    *) complain "$where" "write includes from the repository's root"; continue ;;
  esac

  case $file in
    platform/*)
      case $path in
        src/seams/*) ;;
        src/*) complain "$where" "the platform sees only src/seams of the system" ;;
        platform/*)
          platform_part "$file"; from=$part
          platform_part "$path"; to=$part
          if [ -z "${platform_below[$from]+known}" ]; then
            complain "$where" "platform/$from has no place in the platform's directions; add it to scripts/check-includes.sh"
          elif [ "$from" != "$to" ] && ! listed "$to" "${platform_below[$from]}"; then
            below=${platform_below[$from]}
            complain "$where" "platform/$from may include only ${below:-itself}${below:+ (and itself)}"
          fi
          ;;
      esac
      ;;
    src/main.cpp) ;;
    src/*)
      case $path in
        platform/*) complain "$where" "only src/main.cpp includes the platform"; continue ;;
      esac
      from=${file#src/}; from=${from%%/*}
      to=${path#src/}; to=${to%%/*}
      if [ -z "${src_below[$from]+known}" ]; then
        complain "$where" "src/$from has no place in the order; add it to scripts/check-includes.sh"
      elif [ -z "${src_below[$to]+known}" ]; then
        complain "$where" "src/$to has no place in the order (src/main.cpp is included by nothing)"
      elif [ "$from" = seams ] && [ "$to" != seams ]; then
        complain "$where" "src/seams includes only itself"
      elif [ "$from" != "$to" ] && ! listed "$to" "${src_below[$from]}"; then
        complain "$where" "src/$from may not include src/$to ($src_order)"
      fi
      ;;
  esac
done < <(grep -rnE --include='*.cpp' --include='*.h' '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]' src platform)

if [ "$bad" -ne 0 ]; then
  echo "check-includes: includes go one way; see ARCHITECTURE.md" >&2
  exit 1
fi
echo "check-includes: every include goes one way"
