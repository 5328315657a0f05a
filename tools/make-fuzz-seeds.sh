#!/usr/bin/env bash
# Writes the fuzz targets' seed inputs into fuzz/corpus/: a few small valid
# files of each kind, made here so that none comes from elsewhere. Needs sox
# and lame for the audio seeds.
set -euo pipefail
mkdir -p "$(dirname "$0")/../fuzz/corpus"
cd "$(dirname "$0")/../fuzz/corpus"
mkdir -p profile mask skinbitmap request lrc sly audio id3

# Profiles: a skin's head, quoted values and numbers, each encoding and line break.
head -c 400 ../../assets/skins/Ember.ssk >profile/skin.ssk
printf '[Settings]\r\nName = "Quoted value" \r\nCount=$1F\r\nHex=0x7fffffff\r\nNeg=-12\r\n[settings]\r\ncount=2\r\n' \
    >profile/numbers.ini
printf '[A]\rKey=caf\xe9\r[B]\rK=1\r' >profile/cp1252-cr.ini
python3 -c "import sys; sys.stdout.buffer.write('\ufeff[Lyrics]\r\nTitle=Über\r\n'.encode('utf-16-le'))" \
    >profile/utf16.ini
printf '\xef\xbb\xbf[X]\nA=1\n' >profile/utf8-bom.ini

# Masks: a shipped skin's outline, and "no region".
cp ../../assets/skins/Ember.msk mask/ember.msk
printf '\x00\x00\x00\x00' >mask/none.msk
python3 - <<'EOF'
import struct
# Overlapping rectangles out of region order, and one without pixels.
rects = [(5, 5, 10, 10), (0, 0, 6, 6), (2, 8, 4, 9), (3, 3, 3, 7)]
body = struct.pack('<IIII', 32, 1, len(rects), 16 * len(rects)) + struct.pack('<iiii', 0, 0, 10, 10)
body += b''.join(struct.pack('<iiii', *r) for r in rects)
open('mask/unordered.msk', 'wb').write(struct.pack('<I', len(body)) + body)
EOF

# Requests: the first byte is the stage at which the client stopped (0 none).
printf '\x00GET /np.jpg HTTP/1.1\r\nHost: x\r\nConnection: keep-alive\r\n\r\n' >request/get11
printf '\x00HEAD / HTTP/1.0\nConnection: Keep-Alive\n\nGET' >request/head10
printf '\x02GET /x' >request/line-stalled
printf '\x00raw' >request/raw
printf '\x03GET / HTTP/1.1\r\nHost' >request/head-stalled

# Lyrics.
printf '[ar:Artist]\r\n[offset:+250]\r\n[00:01.20]first <00:01.50>word\r\n[00:02.00][01:02.345]twice\r\n[1:00:00.00]hour\r\n' \
    >lrc/song.lrc
printf '\xef\xbb\xbf[00:00.5]bom\n[00:00]same key\n' >lrc/bom.lrc
printf '[Timers]\r\n120=first\r\n455=second\r\n0121=padded\r\n200=\r\n120=copy\r\n[Settings]\r\nAttachedTo=/music/a.mp3\r\n' \
    >sly/song.sly

# Skin pictures: each header kind and pixel layout, a few pixels each.
python3 - <<'EOF'
import struct

def bmp(name, pixels, info, masks=b'', palette=b''):
    offset = 14 + len(info) + len(masks) + len(palette)
    head = b'BM' + struct.pack('<IHHI', offset + len(pixels), 0, 0, offset)
    open('skinbitmap/' + name, 'wb').write(head + info + masks + palette + pixels)

def info40(w, h, bits, compression=0, colours=0):
    return struct.pack('<IiiHHIIiiII', 40, w, h, 1, bits, compression, 0, 2835, 2835, colours, 0)

two = bytes([255, 0, 255, 0, 0, 0, 0, 0])
bmp('rgb24.bmp', (bytes([0, 0, 255, 0, 255, 0, 255, 0, 0]) + b'\0\0\0') * 2, info40(3, 2, 24))
bmp('pal8.bmp', bytes([0, 1, 0, 0, 1, 0, 0, 0]), info40(2, 2, 8, 0, 2), palette=two)
bmp('rle8.bmp', bytes([2, 1, 0, 0, 2, 0, 0, 1]), info40(2, 2, 8, 1, 2), palette=two)
bmp('bitfields32.bmp', bytes([1, 2, 3, 0, 4, 5, 6, 0]), info40(2, -1, 32, 3),
    masks=struct.pack('<III', 0xff0000, 0xff00, 0xff))
bmp('os2-1bit.bmp', bytes([0xa5, 0, 0, 0]), struct.pack('<IHHHH', 12, 8, 1, 1, 1),
    palette=bytes([0, 0, 0, 255, 255, 255]))
EOF

# Audio: 0.2 s or less of a tone, as WAV and as MP3.
sox -R -q -n -r 8000 -c 1 -b 8 audio/tone.wav synth 0.2 sine 440
sox -R -q -n -r 8000 -c 2 -b 16 audio/stereo16.wav synth 0.05 sine 440
sox -R -q -n -r 8000 -c 1 -b 16 -t wav - synth 0.2 sine 440 | lame --quiet -b 8 -m m - audio/tone.mp3

# ID3 tags: lame's 2.3 tag, a hand-made 2.4 UTF-8 one, an ID3v1 tail.
sox -R -q -n -r 8000 -c 1 -b 16 -t wav - synth 0.2 sine 440 |
    lame --quiet -b 8 -m m --add-id3v2 --tt "Seed Title" --ta "Seed Artist" - - | head -c 600 >id3/v23.mp3
printf 'ID3\x04\x00\x00\x00\x00\x00\x20TIT2\x00\x00\x00\x07\x00\x03\x03Tit\xc3\xa9l\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    >id3/v24.mp3
python3 -c "
import sys; t = b'TAG' + b'Old Title'.ljust(30, b'\0') + b'Old Artist'.ljust(30, b' ')
sys.stdout.buffer.write(b'\xff\xfb\x90\x00' * 8 + t.ljust(128, b'\0'))" >id3/v1.mp3
