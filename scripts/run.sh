#!/usr/bin/env bash
# Installs what is missing, builds the player and starts it on the demo device
# (a folder prepared under demo-root/). Extra arguments go to the player.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DWQ_BUILD_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"
if [ -x scripts/make-demo-root.sh ]; then
  scripts/make-demo-root.sh demo-root
fi
if [ -x build/release/app/wqaudio ]; then
  exec build/release/app/wqaudio --root demo-root "$@"
fi
exec build/release/platform/display/wqdemo "$@"
