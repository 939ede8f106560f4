#!/usr/bin/env bash
# Prepares a demo device root: the default skin under "NAND Flash\skin", a few
# tracks made here with lame and ffmpeg on the memory card, and an empty USB
# disk folder. Tracks are made once; the skin is refreshed on every run.
#   scripts/make-demo-root.sh DIR
set -euo pipefail
cd "$(dirname "$0")/.."
root=${1:-demo-root}
card="$root/SDMMC Card/AUDIO"
mkdir -p "$root/NAND Flash/skin" "$card/Tones" "$root/이동식디스크"
if [ -d skin ]; then
  cp -r skin/. "$root/NAND Flash/skin/"
fi

# A short piece: a chord that moves, so the spectrum has something to show.
tone() {  # out.wav seconds base-frequency
  ffmpeg -loglevel error -y -f lavfi -i \
    "aevalsrc=0.25*sin($3*2*PI*t)*(1+0.5*sin(0.5*2*PI*t))+0.15*sin($3*1.5*2*PI*t)+0.1*sin($3*2.52*2*PI*t)*sin(3*2*PI*t)+0.05*sin($3*4*2*PI*t):s=44100:d=$2:c=stereo" \
    "$1"
}
tagv1() {  # file title artist album   (ID3v1, text in the device's code page CP949)
  python3 - "$@" <<'PY'
import sys
path, title, artist, album = sys.argv[1:5]
def field(s, n):
    b = s.encode("cp949")[:n]
    return b + b"\0" * (n - len(b))
tag = b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + b"2026" + field("", 28) + b"\0\1" + bytes([12])
with open(path, "ab") as f:
    f.write(tag)
PY
}
make_mp3() {  # name seconds freq title artist [lame options]
  local out="$card/$1"
  [ -f "$out" ] && return 0
  local wav; wav=$(mktemp --suffix=.wav)
  tone "$wav" "$2" "$3"
  lame --quiet ${6:-} "$wav" "$out"
  rm -f "$wav"
  [ -n "$4" ] && tagv1 "$out" "$4" "$5" "Demo"
  return 0
}
make_mp3 "01 Morning.mp3" 40 220 "Morning Light" "Demo Band" "-b 192"
make_mp3 "02 봄날.mp3" 35 261.63 "봄날의 노래" "데모 밴드" "-V 2"
make_mp3 "03 Untagged.mp3" 30 196 "" "" "-b 128"
if [ ! -f "$card/04 Evening.wma" ]; then
  wav=$(mktemp --suffix=.wav); tone "$wav" 30 174.61
  ffmpeg -loglevel error -y -i "$wav" -c:a wmav2 -b:a 128k -metadata title="Evening" "$card/04 Evening.wma"
  rm -f "$wav"
fi
if [ ! -f "$card/Tones/Low A.mp3" ]; then
  wav=$(mktemp --suffix=.wav); tone "$wav" 20 110
  lame --quiet -b 96 "$wav" "$card/Tones/Low A.mp3"; rm -f "$wav"
  tagv1 "$card/Tones/Low A.mp3" "Low A" "Tone Generator" "Tones"
fi
if [ ! -f "$card/Tones/High E.mp3" ]; then
  wav=$(mktemp --suffix=.wav); tone "$wav" 20 659.25
  lame --quiet -b 96 -m m "$wav" "$card/Tones/High E.mp3"; rm -f "$wav"
fi
echo "demo device ready: $root"
