#!/usr/bin/env bash
# Builds the Debian package of the player: a Release build in build/release
# (the one scripts/run.sh uses), then CPack's Debian generator. The package
# installs under /usr; its library dependencies come from dpkg-shlibdeps.
# Prints the path of the .deb, which `apt install ./FILE.deb` installs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD=${WQ_PACKAGE_BUILD_DIR:-build/release}
OUT=${WQ_PACKAGE_DIR:-build/package}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DWQ_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
rm -f "$OUT"/*.deb
cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$OUT" >&2
ls "$OUT"/*.deb
