#!/usr/bin/env python3
"""Writes the archives of the name cases, with a manifest in the corpus's form.

  name_archives.py OUTDIR

names.zip: UTF-8 names (flag bit 11) in Latin with diacritics, a Cyrillic
directory, CJK and an emoji beyond the Basic Multilingual Plane; a code page
437 name without the flag; an ASCII fallback name whose Unicode Path extra
field holds the real one. Every entry is extracted under its decoded name.

hostile_names.zip: names Windows cannot hold or that hold bytes no system
should write, each followed by an ordinary entry: each hostile one is asked
about, the ordinary ones are extracted.

The names in the manifest are the ones the listing shows (decoded, a zero
byte as '?', a byte of invalid UTF-8 as U+FFFD as Windows shows it).
"""
import datetime
import hashlib
import json
import os
import struct
import sys
import zlib

DOS_DATE = (2024 - 1980) << 9 | 2 << 5 | 29   # 2024-02-29, a leap day
DOS_TIME = 13 << 11 | 37 << 5 | 42 // 2
UTF8 = 0x0800
UNABLE = " Unable To Extract The Above Component Continue? "


def unicode_path_field(stored, name):
    data = struct.pack("<BI", 1, zlib.crc32(stored)) + name
    return struct.pack("<HH", 0x7075, len(data)) + data


def stored_zip(entries):
    """Stored entries with the given name bytes, flags and extra fields."""
    out, central = b"", b""
    for name, flags, extra, content in entries:
        crc = zlib.crc32(content)
        fields = struct.pack("<HHHHHIIIHH", 20, flags, 0, DOS_TIME, DOS_DATE, crc, len(content), len(content),
                             len(name), len(extra))
        central += (b"PK\1\2" + struct.pack("<H", 20) + fields + struct.pack("<HHHII", 0, 0, 0, 0, len(out))
                    + name + extra)
        out += b"PK\3\4" + fields + name + extra + content
    end = b"PK\5\6" + struct.pack("<HHHHIIH", 0, 0, len(entries), len(entries), len(central), len(out), 0)
    return out + central + end


def manifest_entry(shown, content, outcome):
    return {"name": shown, "flags": 0, "uncompressed_size": len(content), "compressed_size": len(content),
            "dos_datetime": datetime.datetime(2024, 2, 29, 13, 37, 42).isoformat(),
            "sha256": hashlib.sha256(content).hexdigest(), "expected": {"outcome": outcome}}


def names_archive():
    cases = [
        ("\u00dcberblick \u00e9t\u00e9.txt", UTF8, b""),
        ("\u041a\u0438\u0440\u0438\u043b\u043b\u0438\u0446\u0430/\u0444\u0430\u0439\u043b.txt", UTF8, b""),
        ("\u65e5\u672c\u8a9e.txt", UTF8, b""),
        ("emoji \U0001F600.txt", UTF8, b""),
    ]
    entries = [(shown.encode("utf-8"), flags, extra, shown.encode("utf-8")) for shown, flags, extra in cases]
    shown = [c[0] for c in cases]
    # Code page 437 without the flag: 0x9A is U with diaeresis.
    entries.append((b"\x9aber 437.txt", 0, b"", b"code page 437"))
    shown.append("\u00dcber 437.txt")
    # An ASCII fallback, the real name in the Unicode Path extra field.
    fallback, real = b"File 2 - xx.txt", "File 2 - \u00f6.txt"
    entries.append((fallback, 0, unicode_path_field(fallback, real.encode("utf-8")), b"unicode path"))
    shown.append(real)
    files = [manifest_entry(s, e[3], "extracted") for s, e in zip(shown, entries)]
    run = {"final_message": f"Extraction Complete {len(files)} files processed", "questions_if_all_answered_yes": []}
    return stored_zip(entries), files, run


def hostile_archive():
    hostile = [
        (b"NUL\0x", 0, "NUL?x"),
        (b"COM1\0", 0, "COM1?"),
        (b"esc\x1b[31mred.txt", 0, "esc\x1b[31mred.txt"),
        (b"bad \xff.txt", UTF8, "bad \ufffd.txt"),
        (b"l" * 256 + b".txt", 0, "l" * 256 + ".txt"),
        (b"a<b.txt", 0, "a<b.txt"),
        (b'q"uote.txt', 0, 'q"uote.txt'),
        (b"pipe|x.txt", 0, "pipe|x.txt"),
        (b"what?.txt", 0, "what?.txt"),
        (b"star*.txt", 0, "star*.txt"),
        (b"dir/a:b.txt", 0, "dir/a:b.txt"),
        (b"CONIN$", 0, "CONIN$"),
        (b"conout$.txt", 0, "conout$.txt"),
        (b"CLOCK$.log", 0, "CLOCK$.log"),
        ("COM\u00b9.txt".encode("utf-8"), UTF8, "COM\u00b9.txt"),
        (b"LPT0", 0, "LPT0"),
        (b"trail.", 0, "trail."),
        (b"dirsp /x.txt", 0, "dirsp /x.txt"),
        (b".../x.txt", 0, ".../x.txt"),
    ]
    entries, files, questions = [], [], []
    for i, (stored, flags, shown) in enumerate(hostile):
        entries.append((stored, flags, b"", b"hostile"))
        files.append(manifest_entry(shown, b"hostile", "question_unusable_name"))
        questions.append({"entry": shown, "question": UNABLE})
        good = f"after {i:02}.txt"
        entries.append((good.encode(), 0, b"", good.encode()))
        files.append(manifest_entry(good, good.encode(), "extracted"))
    run = {"final_message": f"Extraction Complete {len(hostile)} files processed",
           "questions_if_all_answered_yes": questions}
    return stored_zip(entries), files, run


def main():
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    archives = []
    for file, make in (("names.zip", names_archive), ("hostile_names.zip", hostile_archive)):
        data, files, run = make()
        with open(os.path.join(out_dir, file), "wb") as f:
            f.write(data)
        archives.append({"file": file, "entries": files, "expected_run": run})
    with open(os.path.join(out_dir, "manifest.json"), "w", encoding="utf-8") as f:
        json.dump({"archives": archives}, f, ensure_ascii=False, indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
