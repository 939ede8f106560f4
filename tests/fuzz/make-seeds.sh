#!/usr/bin/env bash
# Writes the seed inputs of the fuzz corpora: small real files made by lame
# and ffmpeg from one short tone, and a few made by hand. Run it again only to
# change the seeds; inputs added by campaigns and regression inputs
# ("regress-*") stay as they are. Needs lame, ffmpeg, iconv, sqlite3, python3.
set -euo pipefail
cd "$(dirname "$0")"
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

tone() {  # tone NAME RATE SECONDS
    ffmpeg -hide_banner -loglevel error -f lavfi -i "sine=frequency=440:duration=$3" \
        -ac 1 -ar "$2" "$T/$1.wav" -y
}
tone t44 44100 0.15
tone t22 22050 0.2
tone t8 8000 0.3
tone t48 48000 0.1

# ---- MPEG audio: header, sync search, tags, frame walk --------------------------
A=$T/audio
mkdir -p "$A"
KOREAN=$(printf '노래 제목' | iconv -f UTF-8 -t CP949)
lame --quiet -b 64 --id3v1-only --tt "Tone" --ta "Artist" --tl "Album" --ty 2024 \
    --tc "comment" --tn 7 --tg Rock "$T/t44.wav" "$A/lame-cbr64-id3v1.mp3"
lame --quiet -V 6 --id3v2-only --tt "Tone" --ta "Artist" "$T/t44.wav" "$A/lame-vbr-id3v2.mp3"
lame --quiet -b 32 -t "$T/t22.wav" "$A/lame-mpeg2-noinfo.mp3"
lame --quiet -b 8 "$T/t8.wav" "$A/lame-mpeg25.mp3"
ffmpeg -hide_banner -loglevel error -i "$T/t48.wav" -c:a mp2 -b:a 64k "$A/ffmpeg-layer2.mp2" -y
ffmpeg -hide_banner -loglevel error -i "$T/t22.wav" -c:a libmp3lame -b:a 32k \
    -id3v2_version 3 -write_id3v1 1 -metadata title=x "$A/ffmpeg-lavf-tags.mp3" -y
# A Korean title in the device's code page.
cp "$A/lame-mpeg25.mp3" "$A/hand-cp949-title.mp3"
python3 - "$A/hand-cp949-title.mp3" "$KOREAN" <<'PY'
import sys
title = sys.argv[2].encode('utf-8', 'surrogateescape')  # the CP949 bytes as given
tag = bytearray(128)
tag[0:3] = b'TAG'
tag[3:3 + len(title)] = title[:30]
tag[127] = 12
open(sys.argv[1], 'ab').write(bytes(tag))
PY
# By hand: a tag alone, a sync word after 10,000 bytes of noise-free padding,
# a lone sync with the reserved layer, a v1.1 tag with a track byte.
python3 - "$A" <<'PY'
import sys, os
d = sys.argv[1]
def w(name, data): open(os.path.join(d, name), 'wb').write(data)
tag = bytearray(128); tag[0:3] = b'TAG'; tag[3:8] = b'Title'; tag[126] = 3; tag[127] = 0
w('hand-tag-only.bin', bytes(tag))
w('hand-sync-at-10000.bin', bytes(10000) + b'\xff\xfb\x90\x64' + bytes(200))
w('hand-reserved-layer.bin', b'\xff\xf9\x90\xff' + bytes(130))
w('hand-short.bin', b'\xff\xfb\x90')
PY
for target in mp3info mpegscan; do
    mkdir -p "$target"
    cp "$A"/* "$target/"
done
echo "seeds written" >&2
