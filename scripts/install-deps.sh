#!/usr/bin/env bash
# Installs the Debian 12 packages the player and its tests need. Quick when
# everything is already there: apt runs only for packages that are missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config git clang-format
  libgtest-dev googletest libbenchmark-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly
  gstreamer1.0-libav gstreamer1.0-tools gstreamer1.0-plugins-base-apps
  libglib2.0-dev libsdl2-dev libfreetype-dev libfontconfig-dev fonts-nanum fonts-dejavu-core
  libjpeg62-turbo-dev libpng-dev libsqlite3-dev sqlite3 libcairo2-dev
  libpulse-dev libcanberra-dev libcanberra-pulse pulseaudio pulseaudio-utils
  lame ffmpeg mpg123 dbus xvfb xauth python3 playerctl
  help2man desktop-file-utils appstream dpkg-dev file strace util-linux
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "installing: ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
