#!/usr/bin/env python3
"""Builds a deterministic folder tree of N files named *.mp3 for the scan benchmark.

Usage: gen_tree.py N FOLDER [SEED] [--big-covers PERCENT]

The tree looks like a music collection: artist / album folders (a few deeper), each album with
a cover picture and a text file beside the tracks. The tracks mix the tag kinds met in practice
(ID3v2.3 Latin-1 and UTF-16 texts, Windows-1251 bytes, ID3v2.4, large embedded pictures, ID3v1
only, both, none), constant and variable bit rates, and about 5% files named *.mp3 that are not
audio at all. Files are sparse: a few kilobytes of real bytes at the head and the tail around a
hole, so that their sizes (and so their playing times) are those of real songs while the tree
stays small on disk.

--big-covers puts a 400 KB picture before the text frames of that share of the ID3v2 tags, as
some taggers write them; the tree is otherwise the same as without it.
"""

import argparse
import os
import random
import struct


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def frame23(fid, content):
    return fid.encode() + struct.pack(">I", len(content)) + b"\0\0" + content


def frame24(fid, content):
    return fid.encode() + syncsafe(len(content)) + b"\0\0" + content


def text_latin1(fid, text, make=frame23):
    return make(fid, b"\0" + text)


def text_utf16(fid, text):
    return frame23(fid, b"\x01" + b"\xff\xfe" + text.encode("utf-16-le"))


def id3v2(frames, padding, major=3):
    body = b"".join(frames) + b"\0" * padding
    return b"ID3" + bytes([major, 0, 0]) + syncsafe(len(body)) + body


def id3v1(title, artist, album, year=b"2001", genre=17):
    def f(b, n):
        return b[:n].ljust(n, b"\0")
    return b"TAG" + f(title, 30) + f(artist, 30) + f(album, 30) + f(year, 4) + f(b"", 28) + b"\0\x05" + bytes([genre])


# MPEG 1 Layer III, 44100 Hz. Frame length = 144 * kbps * 1000 / 44100 (+ padding).
BITRATES = {128: 9, 160: 10, 192: 11, 256: 13, 320: 14}


def mpeg_header(kbps, mode=1, padded=False):
    b1 = 0xFB  # MPEG 1, Layer III, no CRC
    b2 = (BITRATES[kbps] << 4) | (0 << 2) | (2 if padded else 0)
    b3 = (mode << 6) | 0x04  # original bit
    return bytes([0xFF, b1, b2, b3])


def frame_length(kbps, padded=False):
    return 144 * kbps * 1000 // 44100 + (1 if padded else 0)


def frames(kbps, count, rng):
    out = bytearray()
    for _ in range(count):
        h = mpeg_header(kbps)
        body = bytes(b & 0x7F for b in rng.randbytes(32))  # no sync bytes inside
        out += h + (body * (frame_length(kbps) // 32 + 1))[: frame_length(kbps) - 4]
    return bytes(out)


def xing_frame(kbps, frame_count, byte_count, vendor=b"LAME3.99"):
    length = frame_length(kbps)
    f = bytearray(mpeg_header(kbps, mode=1))
    f += b"\0" * 32  # side information of a stereo MPEG 1 frame
    f += b"Xing" + struct.pack(">I", 0x0F) + struct.pack(">I", frame_count) + struct.pack(">I", byte_count)
    f += bytes(range(100)) + struct.pack(">I", 78) + vendor
    f += b"\0" * (length - len(f))
    return bytes(f)


ARTISTS = [b"Aquarium", b"Nautilus", b"The Lovers", b"Mira", b"Blue Room", b"Echo Park"]
CYRILLIC = ["Кино", "Звери", "Сплин", "Браво"]


BIG_COVER = random.Random(0).randbytes(400000)


def with_big_cover(tag):
    """The tag with a 400 KB front cover as its first frame."""
    major = tag[3]
    content = b"\0image/jpeg\0\x03\0" + BIG_COVER
    apic = frame24("APIC", content) if major == 4 else frame23("APIC", content)
    body = apic + tag[10:]
    return tag[:6] + syncsafe(len(body)) + body


def track(rng, i, covers=None):
    """The bytes of one file: (head, logical size, tail). covers: (share, rng) of big covers."""
    kind = rng.random()
    seconds = rng.randint(120, 360)
    kbps = rng.choice([128, 160, 192, 256, 320])
    title = b"Song %d" % i
    artist = rng.choice(ARTISTS)
    album = b"Album %d" % (i // 10)
    v1 = b""
    if kind < 0.05:
        # Not audio at all: a text or random bytes under an .mp3 name.
        body = rng.randbytes(rng.randint(200, 5000))
        return body, len(body), b""
    if kind < 0.40:
        tag = id3v2([text_latin1("TIT2", title), text_latin1("TPE1", artist), text_latin1("TALB", album),
                     frame23("COMM", b"\0eng\0Ripped with care")], rng.randint(256, 4096))
        v1 = id3v1(title, artist, album)
    elif kind < 0.55:
        tag = id3v2([text_utf16("TIT2", title.decode()), text_utf16("TPE1", artist.decode()),
                     text_utf16("TALB", album.decode())], rng.randint(0, 2048))
    elif kind < 0.62:
        cyr = rng.choice(CYRILLIC).encode("cp1251")
        tag = id3v2([text_latin1("TIT2", title), text_latin1("TPE1", cyr)], 512)
        v1 = id3v1(title, cyr, album)
    elif kind < 0.70:
        tag = id3v2([text_latin1("TIT2", title, frame24), text_latin1("TPE1", artist, frame24)], 1024, major=4)
    elif kind < 0.77:
        picture = rng.randbytes(rng.randint(20000, 90000))
        tag = id3v2([text_latin1("TIT2", title), frame23("APIC", b"\0image/jpeg\0\x03\0" + picture)], 2048)
        v1 = id3v1(title, artist, album)
    elif kind < 0.90:
        tag = b""
        v1 = id3v1(title, artist, album)
    else:
        tag = b""
    if tag and covers and covers[1].random() < covers[0]:
        tag = with_big_cover(tag)
    audio_bytes = seconds * kbps * 125
    if rng.random() < 0.3:
        count = audio_bytes // frame_length(kbps)
        head = tag + xing_frame(kbps, count, audio_bytes) + frames(kbps, 8, rng)
    else:
        head = tag + frames(kbps, 8, rng)
    tail_frames = frames(kbps, 12, rng)
    if rng.random() < 0.5:
        tail_frames = tail_frames[:-200] + b"LAME3.100" + tail_frames[-191:]
    tail = tail_frames + v1
    size = len(tag) + audio_bytes + len(v1)
    return head, max(size, len(head) + len(tail)), tail


def main():
    ap = argparse.ArgumentParser(usage="gen_tree.py N FOLDER [SEED] [--big-covers PERCENT]")
    ap.add_argument("n", type=int)
    ap.add_argument("folder")
    ap.add_argument("seed", type=int, nargs="?", default=1)
    ap.add_argument("--big-covers", type=float, default=0)
    args = ap.parse_args()
    n = args.n
    root = args.folder
    rng = random.Random(args.seed)
    # Drawn apart from the tree's own choices, which so stay those of a tree without them.
    covers = (args.big_covers / 100.0, random.Random(args.seed + 1)) if args.big_covers else None
    os.makedirs(root, exist_ok=True)
    made = 0
    album_no = 0
    while made < n:
        artist = "Artist %03d" % (album_no // 4)
        album = "Album %05d" % album_no
        folder = os.path.join(root, artist, album)
        if album_no % 7 == 3:
            folder = os.path.join(folder, "CD1", "extra")  # a few deeper branches
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "cover.jpg"), "wb") as f:
            f.write(rng.randbytes(2000))
        with open(os.path.join(folder, "info.txt"), "wb") as f:
            f.write(b"Ripped.\r\n")
        for t in range(min(12, n - made)):
            head, size, tail = track(rng, made, covers)
            name = "%02d - Track %d.%s" % (t + 1, made, "MP3" if made % 9 == 0 else "mp3")
            with open(os.path.join(folder, name), "wb") as f:
                f.write(head)
                if tail:
                    f.seek(size - len(tail))
                    f.write(tail)
                f.truncate(size)
            made += 1
        album_no += 1
    print("%d files named *.mp3 in %d album folders under %s" % (made, album_no, root))


if __name__ == "__main__":
    main()
