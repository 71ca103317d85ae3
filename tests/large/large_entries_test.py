#!/usr/bin/env python3
"""Entries past 2 GiB and ZIP64 sizes through the Linux stub, as a user runs it.

deflated-2g  one deflated entry of 2,300,000,000 random bytes (its compressed
             size over 2^31, no ZIP64 needed), written with zlib
zip64-4g     one entry of 4.5 GiB that deflates small, written by Python's
             zipfile (ZIP64 sizes in the local header's extra field)

Both are streamed: the data is made, hashed and compressed in chunks, the
program file is the stub padded to 4 bytes with the archive behind it, and the
extracted file is compared by its SHA-256. Everything lives under /tmp/zip64/
and is removed afterwards. Prints the wall times.
"""
import argparse
import hashlib
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
import zlib

CHUNK = 1 << 20


def padded_stub(path):
    stub = open(path, "rb").read()
    return stub + b"\0" * (-len(stub) % 4)


def random_chunks(total, seed):
    rng = random.Random(seed)
    while total > 0:
        n = min(CHUNK, total)
        yield rng.randbytes(n)
        total -= n


def compressible_chunks(total):
    # Lines with a running number: deflates to a few per cent, and differs
    # everywhere, so a misplaced block shows in the hash.
    line = 0
    while total > 0:
        text = "".join(f"{n:012d} large entry line\n" for n in range(line, line + 32768)).encode()
        line += 32768
        piece = text[: min(len(text), total)]
        total -= len(piece)
        yield piece


def write_deflated_zip(out, name, chunks):
    """A one-entry ZIP with 32-bit sizes, its local header patched after the data."""
    header_at = out.tell()
    fixed = struct.Struct("<4sHHHHHIIIHH")
    out.write(fixed.pack(b"PK\x03\x04", 20, 0, 8, 0x6020, 0x5A65, 0, 0, 0, len(name), 0) + name)
    deflate = zlib.compressobj(1, zlib.DEFLATED, -15)
    digest, crc, size, packed = hashlib.sha256(), 0, 0, 0
    for chunk in chunks:
        digest.update(chunk)
        crc = zlib.crc32(chunk, crc)
        size += len(chunk)
        data = deflate.compress(chunk)
        packed += len(data)
        out.write(data)
    data = deflate.flush()
    packed += len(data)
    out.write(data)
    central_at = out.tell()
    out.write(struct.pack("<4sHHHHHHIIIHHHHHII", b"PK\x01\x02", 20, 20, 0, 8, 0x6020, 0x5A65, crc, packed,
                          size, len(name), 0, 0, 0, 0, 0, header_at) + name)
    central_size = out.tell() - central_at
    out.write(struct.pack("<4sHHHHIIH", b"PK\x05\x06", 0, 0, 1, 1, central_size, central_at, 0))
    out.seek(header_at)
    out.write(fixed.pack(b"PK\x03\x04", 20, 0, 8, 0x6020, 0x5A65, crc, packed, size, len(name), 0))
    return digest.hexdigest(), size, packed


def write_zip64_zip(out, name, chunks):
    """The same through Python's zipfile, forced to ZIP64 sizes."""
    digest, size = hashlib.sha256(), 0
    with zipfile.ZipFile(out, "w", compression=zipfile.ZIP_DEFLATED, compresslevel=1) as archive:
        info = zipfile.ZipInfo(name.decode(), date_time=(2025, 3, 5, 12, 1, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        with archive.open(info, "w", force_zip64=True) as entry:
            for chunk in chunks:
                digest.update(chunk)
                size += len(chunk)
                entry.write(chunk)
        packed = archive.getinfo(name.decode()).compress_size
    return digest.hexdigest(), size, packed


def file_sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        while chunk := f.read(CHUNK):
            digest.update(chunk)
    return digest.hexdigest()


CASES = {
    "deflated-2g": (write_deflated_zip, lambda: random_chunks(2_300_000_000, 24), lambda packed: packed > 1 << 31),
    "zip64-4g": (write_zip64_zip, lambda: compressible_chunks(9 << 29), lambda packed: packed < 1 << 31),
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--stub", required=True)
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    writer, chunks, packed_as_meant = CASES[args.case]
    os.makedirs("/tmp/zip64", exist_ok=True)
    folder = tempfile.mkdtemp(prefix=args.case + "-", dir="/tmp/zip64")
    try:
        program = os.path.join(folder, "setup")
        name = b"large.bin"
        started = time.monotonic()
        with open(program, "wb") as out:
            out.write(padded_stub(args.stub))
            want, size, packed = writer(out, name, chunks())
        os.chmod(program, 0o755)
        made = time.monotonic()
        assert packed_as_meant(packed), f"compressed size {packed} is not what the case needs"
        run = subprocess.run([program], input=b"ok\n", cwd=folder, capture_output=True, timeout=3600)
        extracted = time.monotonic()
        output = run.stdout.decode(errors="replace")
        assert run.returncode == 0, f"status {run.returncode}:\n{output[-2000:]}"
        listed = f"Size:{size:12d} Compressed:{packed:12d} Component: large.bin"
        assert listed in output.splitlines(), f"no line {listed!r}:\n{output[-2000:]}"
        assert f"Original:{size:8d}" in output, output[-2000:]
        assert "Extraction Complete 1 files processed" in output, output[-2000:]
        got = file_sha256(os.path.join(folder, "large.bin"))
        assert got == want, f"extracted SHA-256 {got}, expected {want}"
        print(f"{args.case}: {size} bytes in {packed} compressed; archive made in {made - started:.1f} s, "
              f"extracted in {extracted - made:.1f} s, compared in {time.monotonic() - extracted:.1f} s")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
