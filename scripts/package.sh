#!/usr/bin/env bash
# Builds Release into build-package and makes the Debian package there:
#   build-package/packages/kovaplex_<version>_<arch>.deb
# Install it with `sudo apt install ./build-package/packages/kovaplex_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build=build-package
# Debian's hardening flags, as a distribution's build would use them.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CXXFLAGS="$CPPFLAGS $CXXFLAGS" CFLAGS="$CPPFLAGS $CFLAGS"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKOVAPLEX_TESTS=OFF -DKOVAPLEX_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack -G DEB)
