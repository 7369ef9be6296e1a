#!/bin/sh
# The manual page keeps in step with the program: every option that
# `morva --help` prints has an entry under OPTIONS, every entry there is an
# option --help prints, and the page's title line names the version that
# `morva --version` prints.
#   help_in_manual.sh MORVA PAGE
set -eu
morva=$1 page=$2

help_options=$("$morva" --help | grep -o -e '--[a-z][a-z-]*' | LC_ALL=C sort -u)
# The entries of OPTIONS: the first word of the line after each .TP, with the
# page's \- turned back into hyphens.
page_options=$(sed 's/\\-/-/g' "$page" | awk '
  /^\.SH/ { inside = ($2 == "OPTIONS") }
  inside && tagged && /^\.B/ { print $2 }
  { tagged = ($0 == ".TP") }' | LC_ALL=C sort -u)

status=0
for option in $help_options; do
  printf '%s\n' "$page_options" | grep -qx -e "$option" || { echo "$page: OPTIONS lacks $option"; status=1; }
done
for option in $page_options; do
  printf '%s\n' "$help_options" | grep -qx -e "$option" || { echo "$page: $option is not an option of morva --help"; status=1; }
done

version=$("$morva" --version | sed 's/^morva //')
head -n 1 "$page" | grep -q -F "\"morva $version\"" || { echo "$page: the title line does not name morva $version"; status=1; }
exit $status
