#!/bin/sh
# Installs the build into a fresh prefix and checks what lands there: the
# program, its desktop entry, its icon and its manual page, and nothing else
# (no test, benchmark or library); then the installed program tells its version.
#   installed_files.sh CMAKE BUILD_DIR VERSION
set -eu
cmake=$1 build=$2 version=$3

prefix=$(mktemp -d "${TMPDIR:-/tmp}/morva-install-XXXXXX")
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null

expected='bin/morva
share/applications/morva.desktop
share/icons/hicolor/scalable/apps/morva.svg
share/man/man1/morva.1'
found=$(cd "$prefix" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)
if [ "$found" != "$expected" ]; then
  printf 'installed:\n%s\n\nexpected:\n%s\n' "$found" "$expected"
  exit 1
fi

said=$("$prefix/bin/morva" --version)
if [ "$said" != "morva $version" ]; then
  echo "the installed morva --version says '$said', the project is version $version"
  exit 1
fi
