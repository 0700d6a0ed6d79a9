#!/usr/bin/env python3
"""Saves one ID3v2 field with mp3probe --write into files tagged by other programs (eyeD3,
ffmpeg, id3v2, mutagen) and checks the result with mutagen: every other frame byte for byte,
the tag's version, the field as typed, the audio and the tail, and that mp3probe's "text"
equals mutagen's reading.

With FINDMP3 given too, findmp3's fast search must find "Кино" stored by mutagen in UTF-16 and in
UTF-8 and by eyeD3 behind a 400 KB cover, in code page 1252 (which lacks the letters) as typed and
in 1251 in any case, and not a file whose tags hold "?" in their place.

Usage: peer_roundtrip.py MP3PROBE [FINDMP3]. Exits 77 (skipped) when mutagen or a tagger is
missing.
"""

import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile

SKIP = 77
try:
    import mutagen.id3 as id3
except ImportError:
    print("mutagen is not installed: skipped")
    sys.exit(SKIP)

NAMES = {"title": "TIT2", "artist": "TPE1", "album": "TALB", "track": "TRCK", "genre": "TCON",
         "composer": "TCOM", "encoded_by": "TENC", "copyright": "TCOP", "language": "TLAN"}
LONG = "Долгий текст " * 40


def run(*cmd):
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def audio(path):
    run("ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=1",
        "-ac", "1", "-b:a", "64k", "-id3v2_version", "0", "-write_xing", "0", path)


def make_files(folder):
    base = os.path.join(folder, "base.mp3")
    audio(base)
    files = {}

    def copy(name):
        path = os.path.join(folder, name + ".mp3")
        shutil.copy(base, path)
        files[name] = path
        return path

    for version in ("2.3", "2.4"):
        run("eyeD3", "--quiet", "--to-v" + version, "-t", "Ελληνικά", "-a", "Plain", "-n", "5",
            "-N", "12", "-c", "a comment", "-G", "Rock", copy("eyed3_" + version))
    for version in ("3", "4"):
        path = os.path.join(folder, "ffmpeg_" + version + ".mp3")
        run("ffmpeg", "-loglevel", "error", "-y", "-i", base, "-c", "copy", "-id3v2_version",
            version, "-metadata", "title=日本語のタイトル", "-metadata", "artist=Кино",
            "-metadata", "track=5/12", "-metadata", "date=2021", path)
        files["ffmpeg_" + version] = path
    run("id3v2", "-t", "Caf\u00e9", "-a", "Artist", "-T", "3/9", "-c", "d:text:eng",
        copy("id3v2"))
    for version in (3, 4):
        path = copy("mutagen_2.%d" % version)
        tags = id3.ID3()
        tags.add(id3.TIT2(encoding=3, text=["Пётр и 日本 και Ελλάδα"]))
        tags.add(id3.TPE1(encoding=1, text=[LONG]))
        tags.add(id3.TRCK(encoding=0, text=["5/12"]))
        tags.add(id3.TCON(encoding=0, text=["(17)Rock"]))
        tags.add(id3.COMM(encoding=0, lang="eng", desc="iTunNORM", text=[" 0000 0001"]))
        tags.add(id3.COMM(encoding=1, lang="deu", desc="", text=["Kommentar €"]))
        tags.add(id3.TXXX(encoding=3, desc="mood", text=["calm"]))
        tags.add(id3.USLT(encoding=3, lang="rus", desc="", text="Слова\nпесни"))
        tags.add(id3.POPM(email="a@b.c", rating=128, count=3))
        tags.add(id3.PRIV(owner="owner", data=b"\xff\x00\xff"))
        tags.add(id3.APIC(encoding=0, mime="image/png", type=3, desc="cover",
                          data=b"\x89PNG" + bytes(range(256)) * 400))
        tags.add(id3.WXXX(encoding=0, desc="", url="http://example.org/"))
        tags.save(path, v2_version=version, v1=0)
        with open(path, "ab") as f:  # an ID3v1 record behind the audio
            f.write(b"TAG" + b"v1 title".ljust(125, b"\0"))
    return files


def raw_frames(data):
    """(id, frame bytes) of a tag in a file's bytes, and the tag's end."""
    major, flags = data[3], data[5]
    size = sum((b & 0x7F) << s for b, s in zip(data[6:10], (21, 14, 7, 0))) + 10
    pos, frames = 10, []
    if flags & 0x40:
        ext = struct.unpack(">I", data[10:14])[0]
        pos += ext + 4 if major == 3 else sum((b & 0x7F) << s for b, s in zip(data[10:14], (21, 14, 7, 0)))
    while pos + 10 <= size and data[pos:pos + 1].isalnum():
        n = struct.unpack(">I", data[pos + 4:pos + 8])[0]
        if major == 4:
            n = sum((b & 0x7F) << s for b, s in zip(data[pos + 4:pos + 8], (21, 14, 7, 0)))
        frames.append((data[pos:pos + 4].decode("latin1"), data[pos:pos + 10 + n]))
        pos += 10 + n
    return frames, size + (10 if major == 4 and flags & 0x10 else 0)


def mutagen_text(tags):
    """The twelve fields as mutagen reads them, by mp3probe's rules."""
    def text(fid):
        frame = tags.get(fid)
        return "/".join(str(t) for t in frame.text).strip() if frame else ""

    def chosen(kind):
        frames = tags.getall(kind)
        empty = [f for f in frames if f.desc == ""]
        return (empty or frames or [None])[0]

    out = {name: text(fid) for name, fid in NAMES.items()}
    genre = out["genre"]
    out["genre"] = genre[genre.rfind(")") + 1:] if ")" in genre else genre
    out["year"] = text("TDRC" if tags.version[1] == 4 else "TYER")
    comment = chosen("COMM")
    out["comment"] = "/".join(comment.text).strip() if comment else ""
    link = chosen("WXXX")
    out["url"] = link.url.strip() if link else ""
    return out


def probe(mp3probe, path):
    out = subprocess.run([mp3probe, path], check=True, capture_output=True,
                         env=dict(os.environ, AUDREL_CODEPAGE="1252")).stdout
    return json.loads(out)["id3v2"]


def check(mp3probe, name, path, option, field, value):
    failures = []
    before = open(path, "rb").read()
    old_frames, old_end = raw_frames(before)
    old = id3.ID3(path, translate=False)
    subprocess.run([mp3probe, "--write", path, option, field + "=" + value], check=True,
                   capture_output=True, env=dict(os.environ, AUDREL_CODEPAGE="1252"))
    after = open(path, "rb").read()
    new_frames, new_end = raw_frames(after)
    new = id3.ID3(path, translate=False)
    where = "%s %s %s" % (name, option, field)
    if new.version[1] != max(old.version[1], 3):
        failures.append("%s: version %s became %s" % (where, old.version, new.version))
    if before[old_end:] != after[new_end:]:
        failures.append("%s: audio or tail changed" % where)
    fid = {"year": "TDRC" if new.version[1] == 4 else "TYER"}.get(field, NAMES.get(field))
    kept = [f for f in old_frames if f[0] != fid]
    if [f for f in new_frames if f[0] != fid] != kept:
        failures.append("%s: other frames changed" % where)
    got = mutagen_text(new)[field]
    if got != value:
        failures.append("%s: mutagen reads %r, typed %r" % (where, got, value))
    text = probe(mp3probe, path)["text"]
    if text != mutagen_text(new):
        failures.append("%s: mp3probe %r, mutagen %r" % (where, text, mutagen_text(new)))
    return failures


def fast_search_failures(findmp3, folder):
    base = os.path.join(folder, "base.mp3")
    tree = os.path.join(folder, "fast")
    os.mkdir(tree)

    def tagged(name, frames, version, v1=b""):
        path = os.path.join(tree, name)
        shutil.copy(base, path)
        tags = id3.ID3()
        for frame in frames:
            tags.add(frame)
        tags.save(path, v2_version=version, v1=0)
        with open(path, "ab") as f:
            f.write(v1)

    tagged("utf16.mp3", [id3.TIT2(encoding=1, text=["Кино"])], 3)
    tagged("utf8.mp3", [id3.TIT2(encoding=3, text=["Кино"])], 4)
    tagged("question.mp3", [id3.TIT2(encoding=0, text=["????"])], 3,
           b"TAG" + b"????".ljust(125, b"\0"))
    cover = os.path.join(folder, "cover.jpg")
    with open(cover, "wb") as f:
        f.write(b"\xff\xd8\xff\xe0\x00\x10JFIF\x00" + bytes(range(256)) * 1600)
    behind = os.path.join(tree, "cover.mp3")
    shutil.copy(base, behind)
    run("eyeD3", "--quiet", "--to-v2.4", "--encoding", "utf16", "-t", "Кино", "--add-image",
        cover + ":FRONT_COVER", behind)
    with open(behind, "rb") as f:
        if f.read(14)[10:] != b"APIC":
            return ["eyeD3 no longer writes the cover first"]
    failures = []
    for code_page, typed in (("1252", "Кино"), ("1251", "кИНО")):
        env = dict(os.environ, AUDREL_CODEPAGE=code_page, LC_ALL="C.UTF-8")
        out = subprocess.run([findmp3, "--fast", typed, tree], env=env, check=True,
                             stdout=subprocess.PIPE, text=True).stdout
        found = sorted(json.loads(line)["name"] for line in out.splitlines() if line.startswith("{"))
        if found != ["cover.mp3", "utf16.mp3", "utf8.mp3"]:
            failures.append("fast search for %s in %s found %r" % (typed, code_page, found))
    return failures


def main():
    mp3probe = sys.argv[1]
    for tool in ("ffmpeg", "eyeD3", "id3v2"):
        if not shutil.which(tool):
            print("%s is not installed: skipped" % tool)
            return SKIP
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        files = make_files(folder)
        for name, path in sorted(files.items()):
            text = probe(mp3probe, path)["text"]
            expected = mutagen_text(id3.ID3(path, translate=False))
            if text != expected:
                failures.append("%s read: mp3probe %r, mutagen %r" % (name, text, expected))
            for option, field, value in (("--v2", "year", "1999"),
                                         ("--v2-text", "title", "Новое 名前 Νέο"),
                                         ("--v2-text", "album", "Caf\u00e9")):
                copy = path + "." + field
                shutil.copy(path, copy)
                failures += check(mp3probe, name, copy, option, field, value)
        if len(sys.argv) > 2:
            failures += fast_search_failures(sys.argv[2], folder)
    for f in failures:
        print(f)
    print("%d files, %d failures" % (len(files), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
