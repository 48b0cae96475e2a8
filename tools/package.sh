#!/usr/bin/env bash
# Builds the Debian package: a Release build of the programs alone (the window
# program and tollervane-extract; no tests)
# in ./build-package (or $TOLLERVANE_PACKAGE_DIR), then CPack makes
# build-package/tollervane_VERSION_amd64.deb. Install it with
#   sudo apt-get install ./build-package/tollervane_*.deb
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TOLLERVANE_PACKAGE_DIR:-$top/build-package}
# dpkg-shlibdeps (dpkg-dev) and file find the libraries the package needs.
"$top/tools/install-deps.sh" dpkg-dev file
# Debian's hardening flags (the optimisation is Release's own).
flags() { (cd "$top" && DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"); }
cxxflags=$(echo "$(flags CPPFLAGS) $(flags CXXFLAGS)" | sed 's/ -g / /; s/ -O2 / /; s/^-g //; s/^-O2 //')
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLLERVANE_BUILD_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_LIBDIR=lib \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
cmake --build "$build" --parallel
rm -f "$build"/tollervane_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/tollervane_*.deb
