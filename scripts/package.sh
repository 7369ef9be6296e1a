#!/usr/bin/env bash
# Builds the Debian package of Morva MP3: installs what the build needs
# (scripts/deps.sh), makes a Release build in build/package and runs cpack
# there. Prints the path of the package on standard output; build messages go
# to standard error. Install it with
#
#   sudo apt-get install ./build/package/morva_<version>_<arch>.deb
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build/package"

bash "$root/scripts/deps.sh" >&2

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DMORVA_BUILD_TESTS=OFF -DMORVA_BUILD_BENCH=OFF >&2
cmake --build "$build" -j"$(nproc)" >&2
rm -f "$build"/morva_*.deb
(cd "$build" && cpack -G DEB) >&2

package=("$build"/morva_*.deb)
[ -f "${package[0]}" ] || { echo "package.sh: cpack made no package" >&2; exit 1; }
echo "${package[0]}"
