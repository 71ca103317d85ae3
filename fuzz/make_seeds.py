#!/usr/bin/env python3
"""Writes the starting inputs of every fuzz target into OUT/<target>/.

scan: each corpus archive as a whole program file, and archives with ZIP64
sizes, end records and locators (whole, and with the sizes' field missing or cut).
binder: each corpus archive, and archives with ZIP64 fields and records, data
descriptors, padding in front and junk between entries.
Decoder targets: each corpus entry of their method(s), as the target reads
it: the 8-byte prefix (flags and reduction factor, uncompressed size, CRC-32)
and then the entry's compressed bytes; plus a few tiny hand-made streams, and
for inflate64 entries that `7z a -tzip -mm=Deflate64` writes (long matches,
distances past 32 KiB), for lzma entries that 7-Zip and Python's zipfile write.
lzma_liblzma: liblzma settings (see lzma_liblzma_target.cpp) over a text seed.
settings: small program files with a settings block before the archive, as
the binder writes them and with the block's words damaged.
inflate_zlib: compression settings (see inflate_zlib_target.cpp) over a text
seed, each level, strategy and data shape once, undamaged.

usage: make_seeds.py CORPUS_DIR OUT_DIR
"""
import io
import json
import random
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib
from pathlib import Path

TARGET_OF_METHOD = {0: "stored", 1: "unshrink", 2: "expand", 3: "expand", 4: "expand",
                    5: "expand", 6: "explode", 8: "inflate", 9: "inflate64", 14: "lzma"}


def prefix(flags, method, uncompressed_size, crc):
    """The decoder target's prefix; see decoder_target.cpp."""
    first = flags & 0x0E
    if 2 <= method <= 5:
        first |= (method - 2) << 4
    return bytes([first]) + struct.pack("<I", min(uncompressed_size, 0xFFFFFF))[:3] + struct.pack("<I", crc)


def zip64_archive():
    """Python's zipfile with ZIP64 sizes in every local header, a ZIP64 end
    record and locator before the end record (as writers put them for 65,535
    entries or more)."""
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for name, method in (("stored.txt", zipfile.ZIP_STORED), ("deflated.txt", zipfile.ZIP_DEFLATED)):
            info = zipfile.ZipInfo(name)
            info.compress_type = method
            with archive.open(info, "w", force_zip64=True) as entry:
                entry.write(b"ZIP64 sizes in the local header " * 4)
    data = buffer.getvalue()
    end = data.rindex(b"PK\x05\x06")
    count, size, offset = struct.unpack_from("<HII", data, end + 10)
    zip64_end = struct.pack("<4sQHHIIQQQQ", b"PK\x06\x06", 44, 45, 45, 0, 0, count, count, size, offset)
    locator = struct.pack("<4sIQI", b"PK\x06\x07", 0, end, 1)
    return data[:end] + zip64_end + locator + data[end:]


def zip64_damaged(data, field_id, field_length):
    """The first local header's ZIP64 field renamed or shortened."""
    name_length = struct.unpack_from("<H", data, 26)[0]
    at = 30 + name_length
    assert struct.unpack_from("<H", data, at)[0] == 1
    return data[:at] + struct.pack("<HH", field_id, field_length) + data[at + 4:]


def hand_made():
    """Streams no corpus encoder writes, each with its target."""
    empty = zlib.crc32(b"")
    one = zlib.crc32(b"A")
    yield "inflate", "fixed_empty", prefix(0, 8, 0, empty) + bytes([0x03, 0x00])
    yield "inflate", "stored_block_one", prefix(0, 8, 1, one) + bytes([0x01, 0x01, 0x00, 0xFE, 0xFF]) + b"A"
    yield "inflate", "two_blocks", prefix(0, 8, 1, one) + bytes([0x00, 0x01, 0x00, 0xFE, 0xFF]) + b"A" + bytes([0x03, 0x00])
    whole = zip64_archive()
    yield "scan", "zip64_sizes_and_end_records", whole
    yield "scan", "zip64_sizes_without_their_field", zip64_damaged(whole, 0x0002, 16)
    yield "scan", "zip64_sizes_field_cut", zip64_damaged(whole, 0x0001, 8)
    yield "unshrink", "one_literal", prefix(0, 1, 1, one) + bytes([0x41, 0x00])
    yield "stored", "empty", prefix(0, 0, 0, empty)
    for method in range(2, 6):
        yield "expand", f"literal_factor{method - 1}", prefix(0, method, 1, one) + bytes(192) + b"A"
    text = b"A self-extracting stub walks the records behind its own image and inflates every entry.\n"
    for level in range(10):
        strategy, shape = level % 5, level % 4
        settings = bytes([level, strategy | (level % 7) << 3, 0xF7, 0x80 | (4 + level), shape | 0x10, 0])
        yield "inflate_zlib", f"level{level}", settings + text


def deflate64_made():
    """Entries 7-Zip compresses with Deflate64, within the fuzzer's input size."""
    rng = random.Random(9)
    block = rng.randbytes(3000)
    words = [bytes(rng.choices(b"abcdefgh", k=rng.randint(2, 8))) for _ in range(300)]
    inputs = {"text": b" ".join(rng.choices(words, k=6000)),
              "far_repeat": block + bytes(40000) + block + bytes(20000) + block,
              "long_runs": bytes(70000) + b"x" * 300 + bytes(70000)}
    with tempfile.TemporaryDirectory() as tmp:
        for name, data in inputs.items():
            (Path(tmp) / name).write_bytes(data)
        subprocess.run(["7z", "a", "-tzip", "-mm=Deflate64", "d64.zip", *inputs], cwd=tmp, check=True,
                       stdout=subprocess.DEVNULL)
        archive = (Path(tmp) / "d64.zip").read_bytes()
        with zipfile.ZipFile(Path(tmp) / "d64.zip") as z:
            for info in z.infolist():
                start = info.header_offset + 30 + sum(struct.unpack_from("<HH", archive, info.header_offset + 26))
                data = archive[start:start + info.compress_size]
                yield "inflate64", f"7z_{info.filename}", prefix(0, 9, info.file_size, info.CRC) + data


def lzma_made():
    """LZMA entries as 7-Zip writes them (with and without the end marker) and
    as Python's zipfile writes them; and liblzma settings for the differential
    target (see lzma_liblzma_target.cpp) over a text seed."""
    rng = random.Random(14)
    words = [bytes(rng.choices(b"abcdefgh", k=rng.randint(2, 8))) for _ in range(300)]
    inputs = {"text": b" ".join(rng.choices(words, k=1500)), "runs": bytes(5000) + b"y" * 700 + bytes(3000),
              "mixed": rng.randbytes(2000) + b" ".join(rng.choices(words, k=500)) * 2, "empty": b""}
    with tempfile.TemporaryDirectory() as tmp:
        for name, data in inputs.items():
            (Path(tmp) / name).write_bytes(data)
        for label, method in (("7z", "LZMA"), ("7z_eos_off", "LZMA:eos=off"), ("7z_lc8", "LZMA:lc=8:lp=4:pb=4")):
            subprocess.run(["7z", "a", "-tzip", f"-mm={method}", f"{label}.zip", *inputs], cwd=tmp, check=True,
                           stdout=subprocess.DEVNULL)
        with zipfile.ZipFile(Path(tmp) / "python.zip", "w", zipfile.ZIP_LZMA) as z:
            for name in inputs:
                z.write(Path(tmp) / name, name)
        for label in ("7z", "7z_eos_off", "7z_lc8", "python"):
            archive = (Path(tmp) / f"{label}.zip").read_bytes()
            with zipfile.ZipFile(Path(tmp) / f"{label}.zip") as z:
                for info in z.infolist():
                    start = info.header_offset + 30 + sum(struct.unpack_from("<HH", archive, info.header_offset + 26))
                    data = archive[start:start + info.compress_size]
                    yield "lzma", f"{label}_{info.filename}", prefix(info.flag_bits, 14, info.file_size,
                                                                     info.CRC) + data
    text = inputs["text"][:3000]
    for i, (lc, lp, pb) in enumerate(((3, 0, 2), (0, 4, 0), (4, 0, 4), (1, 1, 1))):
        for marker in (0, 1):
            settings = bytes([lc + 5 * lp, pb + 5 * (i * 3 % 10), marker | (i % 4) << 1, 0x0B, 0])
            yield "lzma_liblzma", f"lc{lc}_lp{lp}_pb{pb}_marker{marker}", settings + text


class Pipe(io.RawIOBase):
    """An unseekable file: zipfile then streams with data descriptors."""

    def __init__(self):
        self.data = bytearray()

    def writable(self):
        return True

    def write(self, b):
        self.data += b
        return len(b)


def small_archive(streamed=False, zip64=False):
    sink = Pipe() if streamed else io.BytesIO()
    with zipfile.ZipFile(sink, "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in (("a.txt", b"first entry " * 40), ("dir/b.txt", b"second"), ("c.bin", bytes(range(256)))):
            info = zipfile.ZipInfo(name, (2024, 5, 6, 7, 8, 10))
            info.compress_type = zipfile.ZIP_DEFLATED if len(text) > 100 else zipfile.ZIP_STORED
            with z.open(info, "w", force_zip64=zip64) as w:
                w.write(text)
        z.mkdir("empty")
    return bytes(sink.data if streamed else sink.getvalue())


def directory_of(data):
    """(central directory offset, size, entry count) from the end record."""
    end = data.rindex(b"PK\x05\x06")
    count, size, offset = struct.unpack_from("<HII", data, end + 10)
    return offset, size, count, end


def with_zip64_end(data):
    """The end record deferring to a ZIP64 end record and its locator."""
    offset, size, count, end = directory_of(data)
    zip64_end = struct.pack("<4sQHHIIQQQQ", b"PK\x06\x06", 44, 45, 45, 0, 0, count, count, size, offset)
    locator = struct.pack("<4sIQI", b"PK\x06\x07", 0, end, 1)
    return data[:end] + zip64_end + locator + struct.pack("<4sHHHHIIH", b"PK\x05\x06", 0, 0, 0xFFFF, 0xFFFF,
                                                          0xFFFFFFFF, 0xFFFFFFFF, 0)


def with_junk_after_first(data, junk=b"JUNK JUNK"):
    """`junk` after the first entry's data, the offsets behind it moved on."""
    offset, size, count, end = directory_of(data)
    central = bytearray(data[offset:offset + size])
    locals_at, at = [], 0
    for _ in range(count):
        n, x, c = struct.unpack_from("<HHH", central, at + 28)
        locals_at.append((at + 42, struct.unpack_from("<I", central, at + 42)[0]))
        at += 46 + n + x + c
    second = sorted(local for _, local in locals_at)[1]
    for field, local in locals_at:
        if local >= second:
            struct.pack_into("<I", central, field, local + len(junk))
    tail = bytearray(data[end:])
    struct.pack_into("<I", tail, 16, offset + len(junk))
    return data[:second] + junk + data[second:offset] + bytes(central) + bytes(tail)


def binder_seeds():
    yield "plain", small_archive()
    yield "streamed", small_archive(streamed=True)
    yield "streamed_zip64", small_archive(streamed=True, zip64=True)
    yield "zip64_fields", small_archive(zip64=True)
    yield "zip64_end", with_zip64_end(small_archive())
    yield "padding", b"P" * 89 + small_archive()
    yield "junk", with_junk_after_first(small_archive())


def settings_block(fields, version=1, length=None):
    """Fields, zero padding, the length word and the mark with its version."""
    size = len(fields) if length is None else length
    return fields + bytes(-len(fields) % 4) + struct.pack("<I", size) + b"SfxSet\x1a" + bytes([version])


def settings_seeds():
    def field(tag, text):
        return tag + struct.pack("<H", len(text)) + text

    stub, archive = b"MZ fuzz stub", small_archive()
    full = field(b"T", "Setup of Ünïcode".encode()) + field(b"R", b'bin\\setup.exe /q "a b"') + field(b"M", b"")
    yield "title", stub + settings_block(field(b"T", b"My App")) + archive
    yield "all_fields", stub + settings_block(full) + archive
    yield "no_block", stub + archive
    yield "zeroed_length", stub + settings_block(full, length=0) + archive
    yield "version_2", stub + settings_block(full, version=2) + archive
    yield "program_dots", stub + settings_block(field(b"R", b"...\\evil.exe")) + archive


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
        write("binder", archive["file"], data)
        stem = archive["file"].rsplit(".", 1)[0]
        for index, entry in enumerate(archive["entries"]):
            target = TARGET_OF_METHOD.get(entry["method"])
            if target is None or entry["flags"] & 1:
                continue
            start = entry["data_offset"]
            compressed = data[start:start + entry["compressed_size"]]
            head = prefix(entry["flags"], entry["method"], entry["uncompressed_size"], int(entry["crc32"], 16))
            write(target, f"{stem}_{index:02d}", head + compressed)
    for target, name, data in [*hand_made(), *deflate64_made(), *lzma_made()]:
        write(target, name, data)
    for name, data in binder_seeds():
        write("binder", name, data)
    for name, data in settings_seeds():
        write("settings", name, data)
    for target in sorted(written):
        print(f"{target}: {written[target]} seeds")


if __name__ == "__main__":
    main()
