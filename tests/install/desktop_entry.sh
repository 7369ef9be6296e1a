#!/bin/sh
# desktop-file-validate finds nothing to say about the desktop entry.
#   desktop_entry.sh ENTRY
set -eu
if ! command -v desktop-file-validate >/dev/null; then
  echo "desktop-file-validate is missing (scripts/deps.sh installs desktop-file-utils)"
  exit 77
fi
said=$(desktop-file-validate "$1" 2>&1) || { printf '%s\n' "$said"; exit 1; }
[ -z "$said" ] || { printf '%s\n' "$said"; exit 1; }
