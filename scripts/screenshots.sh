#!/usr/bin/env bash
# Takes the screenshots of the running program in docs/screenshots: the real
# program runs headless on a demo device (scripts/make-demo-root.sh), on a
# private session bus, without a sound server, and wqctl saves its windows.
#   scripts/screenshots.sh [BUILD_DIR]      (default build/release)
# Build wqaudio and wqctl in BUILD_DIR first. The skin's own faces
# (docs/screenshots/skin-*.png) come from tools/skingen/regenerate.sh instead.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
out=$PWD/docs/screenshots
work=$(mktemp -d)
bus_pid=""
player=""
cleanup() {
  [ -n "$player" ] && kill "$player" 2>/dev/null && wait "$player" 2>/dev/null
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
scripts/make-demo-root.sh "$work/root" >/dev/null
bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
address=$(sed -n 1p <<<"$bus")
bus_pid=$(sed -n 2p <<<"$bus")
export DBUS_SESSION_BUS_ADDRESS=$address PULSE_SERVER=unix:/nonexistent/wqaudio-screenshots
export ASAN_OPTIONS=detect_leaks=0
unset DISPLAY
wqctl="$build/tools/wqctl/wqctl"

start() {  # starts the player with the given extra arguments, waits for its window
  "$build/app/wqaudio" --headless --automation --audio-sink null --root "$work/root" \
    --settings "$work/settings.db" "$@" >"$work/player.log" 2>&1 &
  player=$!
  for _ in $(seq 100); do "$wqctl" find WQAudio >/dev/null 2>&1 && break; sleep 0.1; done
  sleep 1.5  # the start-up timers, the folder and the first paint
}
stop() {
  "$wqctl" close >/dev/null 2>&1 || true
  wait "$player" 2>/dev/null || true
  player=""
}

start
"$wqctl" screenshot WQAudio "$out/player-stopped.png"
stop
start "$work/root/SDMMC Card/AUDIO/02 봄날.mp3"
sleep 3  # playing: the time, the title scrolling, the spectrum moving
"$wqctl" screenshot WQAudio "$out/player-playing.png"
stop
echo "screenshots in $out"
