#!/usr/bin/env python3
"""Writes the starting inputs of every fuzz target into OUT/<target>/.

scan: each corpus archive as a whole program file.
Decoder targets: each corpus entry of their method(s), as the target reads
it: the 8-byte prefix (flags and reduction factor, uncompressed size, CRC-32)
and then the entry's compressed bytes; plus a few tiny hand-made streams.
inflate_zlib: compression settings (see inflate_zlib_target.cpp) over a text
seed, each level, strategy and data shape once, undamaged.

usage: make_seeds.py CORPUS_DIR OUT_DIR
"""
import json
import struct
import sys
import zlib
from pathlib import Path

TARGET_OF_METHOD = {0: "stored", 1: "unshrink", 2: "expand", 3: "expand", 4: "expand",
                    5: "expand", 6: "explode", 8: "inflate"}


def prefix(flags, method, uncompressed_size, crc):
    """The decoder target's prefix; see decoder_target.cpp."""
    first = flags & 0x0E
    if 2 <= method <= 5:
        first |= (method - 2) << 4
    return bytes([first]) + struct.pack("<I", min(uncompressed_size, 0xFFFFFF))[:3] + struct.pack("<I", crc)


def hand_made():
    """Streams no corpus encoder writes, each with its target."""
    empty = zlib.crc32(b"")
    one = zlib.crc32(b"A")
    yield "inflate", "fixed_empty", prefix(0, 8, 0, empty) + bytes([0x03, 0x00])
    yield "inflate", "stored_block_one", prefix(0, 8, 1, one) + bytes([0x01, 0x01, 0x00, 0xFE, 0xFF]) + b"A"
    yield "inflate", "two_blocks", prefix(0, 8, 1, one) + bytes([0x00, 0x01, 0x00, 0xFE, 0xFF]) + b"A" + bytes([0x03, 0x00])
    yield "unshrink", "one_literal", prefix(0, 1, 1, one) + bytes([0x41, 0x00])
    yield "stored", "empty", prefix(0, 0, 0, empty)
    for method in range(2, 6):
        yield "expand", f"literal_factor{method - 1}", prefix(0, method, 1, one) + bytes(192) + b"A"
    text = b"A self-extracting stub walks the records behind its own image and inflates every entry.\n"
    for level in range(10):
        strategy, shape = level % 5, level % 4
        settings = bytes([level, strategy | (level % 7) << 3, 0xF7, 0x80 | (4 + level), shape | 0x10, 0])
        yield "inflate_zlib", f"level{level}", settings + text


def main():
    corpus, out = Path(sys.argv[1]), Path(sys.argv[2])
    manifest = json.loads((corpus / "manifest.json").read_text())
    written = {}

    def write(target, name, data):
        folder = out / target
        folder.mkdir(parents=True, exist_ok=True)
        (folder / name).write_bytes(data)
        written[target] = written.get(target, 0) + 1

    for archive in manifest["archives"]:
        data = (corpus / archive["file"]).read_bytes()
        write("scan", archive["file"], data)
        stem = archive["file"].rsplit(".", 1)[0]
        for index, entry in enumerate(archive["entries"]):
            target = TARGET_OF_METHOD.get(entry["method"])
            if target is None or entry["flags"] & 1:
                continue
            start = entry["data_offset"]
            compressed = data[start:start + entry["compressed_size"]]
            head = prefix(entry["flags"], entry["method"], entry["uncompressed_size"], int(entry["crc32"], 16))
            write(target, f"{stem}_{index:02d}", head + compressed)
    for target, name, data in hand_made():
        write(target, name, data)
    for target in sorted(written):
        print(f"{target}: {written[target]} seeds")


if __name__ == "__main__":
    main()
