#!/usr/bin/env bash
# Writes the seed inputs of the fuzz corpora: small real files made by lame
# and ffmpeg from one short tone, and a few made by hand. Run it again only to
# change the seeds; inputs added by campaigns and regression inputs
# ("regress-*") stay as they are. Needs lame, ffmpeg, iconv, sqlite3, python3
# and cjpeg (libjpeg-turbo-progs).
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
# ---- pictures: BMP, JPEG and PNG as the skin loader meets them ------------------
I=image
mkdir -p "$I"
picture() {  # picture PATH PIXEL_FORMAT [ffmpeg options...]
    local path=$1 fmt=$2
    shift 2
    ffmpeg -hide_banner -loglevel error -f lavfi -i testsrc=size=9x5:rate=1 -frames:v 1 \
        -pix_fmt "$fmt" "$@" "$path" -y
}
for fmt in bgr24 bgra rgb565le rgb555le pal8 gray monob rgb4_byte; do picture "$I/ffmpeg-$fmt.bmp" "$fmt"; done
for fmt in rgb24 rgba pal8 gray monob rgba64be; do picture "$I/ffmpeg-$fmt.png" "$fmt"; done
picture "$I/ffmpeg-420.jpg" yuvj420p
picture "$I/ffmpeg-444.jpg" yuvj444p
picture "$T/source.ppm" rgb24
cjpeg -progressive -quality 50 "$T/source.ppm" >"$I/cjpeg-progressive.jpg"
cjpeg -grayscale -optimize "$T/source.ppm" >"$I/cjpeg-grey.jpg"
cjpeg -restart 1 -arithmetic "$T/source.ppm" >"$I/cjpeg-arithmetic.jpg"
# By hand: run-length coded 8- and 4-bit pictures and an OS/2 (12-byte) header.
python3 - "$I" <<'PY'
import os, struct, sys
d = sys.argv[1]
def bmp(name, info, palette, pixels):
    off = 14 + len(info) + len(palette)
    head = b'BM' + struct.pack('<IHHI', off + len(pixels), 0, 0, off)
    open(os.path.join(d, name), 'wb').write(head + info + palette + pixels)
def info40(w, h, bpp, comp, size, colours):
    return struct.pack('<IiiHHIIiiII', 40, w, h, 1, bpp, comp, size, 2835, 2835, colours, 0)
pal = b''.join(struct.pack('<BBBB', i * 60, 255 - i * 60, i * 20, 0) for i in range(4))
rle8 = bytes([4, 1, 0, 2, 2, 3, 0, 0, 3, 2, 1, 0, 1]) + bytes([0, 1])
bmp('hand-rle8.bmp', info40(4, 2, 8, 1, len(rle8), 4), pal, rle8)
rle4 = bytes([4, 0x12, 0, 0, 4, 0x30, 0, 1])
bmp('hand-rle4.bmp', info40(4, 2, 4, 2, len(rle4), 4), pal, rle4)
core = struct.pack('<IHHHH', 12, 2, 2, 1, 24)
bmp('hand-os2-core.bmp', core, b'', bytes([255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 0, 255, 255, 255, 0]))
PY
cp ../platform/image/inputs/malformed/*.bmp ../platform/image/inputs/malformed/*.jpg \
    ../platform/image/inputs/malformed/*.png "$I/"
rm -f "$I/empty.bmp"

# ---- bus calls: whole D-Bus messages as another program sends them -------------
mkdir -p busmessage
cat >"$T/calls.cpp" <<'CPP'
#include <gio/gio.h>
#include <cstdio>
#include <string>
static void Save(const char* dir, const char* name, const char* member, GVariant* body) {
    GDBusMessage* m = g_dbus_message_new_method_call(
        "org.wqaudio.Window.wqaudio", "/org/wqaudio/Window/wqaudio", "org.wqaudio.Window", member);
    g_dbus_message_set_body(m, body);
    g_dbus_message_set_serial(m, 7);
    gsize size = 0;
    guchar* blob = g_dbus_message_to_blob(m, &size, G_DBUS_CAPABILITY_FLAGS_NONE, nullptr);
    FILE* f = std::fopen((std::string(dir) + "/" + name).c_str(), "wb");
    std::fwrite(blob, 1, size, f);
    std::fclose(f);
    g_free(blob);
    g_object_unref(m);
}
int main(int, char** argv) {
    Save(argv[1], "send-named.dbus", "SendMessage", g_variant_new("(stx)", "WQ_NAVI", 1, 0));
    Save(argv[1], "post-korean-name.dbus", "PostMessage",
         g_variant_new("(stx)", "\xEB\x85\xB8\xEB\x9E\x98", G_MAXUINT64, G_MININT64));
    Save(argv[1], "send-number.dbus", "SendNumber", g_variant_new("(utx)", 0x111, 2009, 0));
    Save(argv[1], "post-number-registered.dbus", "PostNumber",
         g_variant_new("(utx)", 0xC001, 0, -1));
    Save(argv[1], "bring-to-front.dbus", "BringToFront", g_variant_new("(u)", 3));
}
CPP
g++ -std=c++20 -o "$T/calls" "$T/calls.cpp" $(pkg-config --cflags --libs gio-2.0)
"$T/calls" busmessage
printf '\0WM_APP\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' >busmessage/variant-named.bin

echo "seeds written" >&2
