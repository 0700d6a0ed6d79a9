#!/usr/bin/env bash
# Re-creates the sample folder that `make run` searches: tiny MP3s made by real encoders and
# taggers (lame, sox, eyeD3, id3v2), with varied tags. Needs: lame sox eyed3 id3v2.
set -euo pipefail
cd "$(dirname "$0")"
rm -rf Classics Jazz Rock Misc
mkdir -p Classics Jazz Rock "Misc/Old Tapes"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A few seconds of a chord at 8 kHz mono: about 1 KB per second at 8 kbit/s.
tone() { # seconds frequency output.wav
    sox -n -r 8000 -c 1 "$3" synth "$1" sine "$2" sine "$(($2 * 5 / 4))" vol 0.3 2>/dev/null
}
enc() { # seconds frequency output.mp3 [lame options...]
    local secs=$1 freq=$2 out=$3
    shift 3
    tone "$secs" "$freq" "$tmp/t.wav"
    lame --quiet -m m -b 8 "$@" "$tmp/t.wav" "$out"
}

# lame writes ID3v1 and ID3v2 itself.
enc 7 440 "Classics/Für Elise.mp3" --id3v2-only --id3v2-utf16 \
    --tt "Für Elise" --ta "Ludwig van Beethoven" --tl "Bagatellen" --ty 1810 --tn 3 --tg Classical
enc 12 392 "Classics/air_on_g.mp3" --add-id3v2 \
    --tt "Air" --ta "Johann Sebastian Bach" --tl "Orchestral Suite No. 3" --ty 1730 --tg Classical
enc 5 523 "Classics/gymnopedie.mp3" --id3v1-only \
    --tt "Gymnopedie No. 1" --ta "Erik Satie" --tl "Trois Gymnopedies" --ty 1888
# VBR with a Xing header, tagged by eyeD3 (ID3v2.3 only).
tone 9 330 "$tmp/t.wav"
lame --quiet -m m -V 9 --resample 8 "$tmp/t.wav" "Jazz/So What.mp3"
eyeD3 --quiet --to-v2.3 -a "Miles Davis" -t "So What" -A "Kind of Blue" -Y 1959 -n 1 \
    -G Jazz "Jazz/So What.mp3" >/dev/null
enc 4 294 "Jazz/take_five.mp3"
id3v2 -a "Dave Brubeck Quartet" -t "Take Five" -A "Time Out" -y 1959 -T 3 -g 8 \
    "Jazz/take_five.mp3"
enc 6 262 "Jazz/blue in green.mp3"
id3v2 -1 -a "Bill Evans" -t "Blue in Green" -A "Kind of Blue" "Jazz/blue in green.mp3"
enc 10 196 "Rock/riff.mp3" --add-id3v2 \
    --tt "Smoke Riff" --ta "Garage Band" --tl "Basement Tapes" --ty 1972 --tg Rock
enc 3 659 "Rock/LOUD.MP3" --id3v2-only --tt "Loud Song" --ta "garage band" --tl "Live"
enc 8 349 "Rock/untagged take.mp3"
tone 2 880 "$tmp/t.wav"
lame --quiet -m m --preset 8 --resample 8 "$tmp/t.wav" "Misc/Old Tapes/tape 01.mp3"
eyeD3 --quiet --to-v2.3 -a "Unknown Artist" -t "Tape 01" "Misc/Old Tapes/tape 01.mp3" >/dev/null
enc 11 440 "Misc/Old Tapes/tape 02.mp3" --id3v1-only --tt "Tape 02" --ta "Unknown Artist"
# Not audio at all: named like an MP3, rejected by the analyser, never listed.
printf 'This is a text file that only looks like an MP3 by its name.\n' > "Misc/readme.mp3"
du -sh . | cut -f1
