#!/usr/bin/env bash
# Redraws the default skin into skin/ and its screenshots into
# docs/screenshots/skin-*.png with the player's own skin library.
#   tools/skingen/regenerate.sh [BUILD_DIR]     (default build/art)
# Build the skingen and skincheck targets in BUILD_DIR first.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/art}
rm -rf skin/WQAudio skin/Common
"$build/tools/skingen/skingen" skin
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/NAND Flash"
cp -r skin "$root/NAND Flash/skin"
for pair in "player WQAudio\\WQAudio.TPL" "equalizer WQAudio\\WQEqualizer.TPL" \
            "pattern WQAudio\\WQPattern.TPL" "taskbar Common\\taskbar.TPL"; do
  set -- $pair
  "$build/tools/skincheck/skincheck" --root "$root" --render "docs/screenshots/skin-$1.png" \
    "\\NAND Flash\\skin\\$2"
done
