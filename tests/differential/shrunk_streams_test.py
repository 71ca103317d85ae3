#!/usr/bin/env python3
"""Random shrunk (method 1) streams against a reference decoder.

A small decoder written here, plain and slow, follows the table rules of
shrinking: every code after the first makes the previous string plus the
current string's first byte in the lowest free slot, 256,1 widens the codes,
256,2 frees the entries no examined entry has as its prefix. Streams are made
to stress what a fast decoder could get wrong: codes of entries being made,
partial clears long before the table is full (entries above the lowest free
slot then lose their prefixes), stray codes of free entries, a control code
at the very end. Each stream is stored as a one-entry archive whose size and
CRC come from the reference; the Linux stub must extract exactly those bytes,
or stop with the data integrity error where the reference meets a broken
prefix chain.

usage: shrunk_streams_test.py --stub PATH [--cases N] [--seed S]
"""
import argparse
import os
import random
import struct
import subprocess
import sys
import tempfile
import zlib

FREE = 0xFFFF
TABLE_END = 8193
INTEGRITY_ERROR = "Data integrity error -- run stopped"


class Reference:
    def __init__(self):
        self.parent = [0] * 257 + [FREE] * (TABLE_END - 257)
        self.suffix = [0] * TABLE_END
        self.free_slot = 257
        self.size = 9
        self.prev = None
        self.first = 0
        self.out = bytearray()
        self.broken = False  # a prefix chain met a free entry or looped

    def is_free(self, code):
        return self.parent[code] == FREE

    def lowest_free(self, start):
        while start < TABLE_END and not self.is_free(start):
            start += 1
        return start

    def partial_clear(self):
        examined = range(257, self.free_slot)
        for i in examined:
            self.parent[i] |= 0x8000
        for i in examined:
            p = self.parent[i] & 0x7FFF
            if 257 <= p < TABLE_END:
                self.parent[p] &= 0x7FFF
        for i in examined:
            if self.parent[i] & 0x8000:
                self.parent[i] = FREE
        self.free_slot = self.lowest_free(257)

    def code(self, x):
        if self.prev is None:
            self.first = self.prev = x
            self.out.append(x)
            return
        if x < 256:
            self.first = x
            self.out.append(x)
        else:
            stack = []
            if self.is_free(x):
                stack.append(self.first)
                x_walk = self.prev
            else:
                x_walk = x
            while x_walk > 255:
                if x_walk >= TABLE_END or len(stack) == TABLE_END:
                    self.broken = True
                    return
                stack.append(self.suffix[x_walk])
                x_walk = self.parent[x_walk]
            self.first = x_walk
            self.out.append(x_walk)
            self.out.extend(reversed(stack))
        if self.free_slot < TABLE_END:
            self.parent[self.free_slot] = self.prev
            self.suffix[self.free_slot] = self.first
            self.free_slot = self.lowest_free(self.free_slot + 1)
        self.prev = x


class BitWriter:
    def __init__(self):
        self.acc, self.count, self.data = 0, 0, bytearray()

    def put(self, value, width):
        self.acc |= value << self.count
        self.count += width
        while self.count >= 8:
            self.data.append(self.acc & 0xFF)
            self.acc >>= 8
            self.count -= 8

    def bytes(self):
        return bytes(self.data) + (bytes([self.acc]) if self.count else b"")


def make_stream(rng):
    """A code stream and the reference that decoded it as it was written."""
    ref, bits = Reference(), BitWriter()
    codes = rng.choice([50, 500, 3000, 12000, 30000])
    clear_rate = rng.choice([0, 0.0005, 0.003, 0.02])
    stray_rate = rng.choice([0, 0.001, 0.01])
    made_rate = rng.choice([0.01, 0.05, 0.2])
    literal_rate = rng.choice([0.1, 0.4, 0.8])

    def put(value):
        bits.put(value, ref.size)

    first = rng.randrange(256)
    put(first)
    ref.code(first)
    for _ in range(codes):
        if ref.broken:
            break
        if ref.size < 13 and ref.free_slot >= 1 << ref.size and rng.random() < 0.9:
            put(256), put(1)
            ref.size += 1
        if rng.random() < clear_rate or (ref.free_slot >= TABLE_END - 1 and rng.random() < 0.01):
            put(256), put(2)
            ref.partial_clear()
        top = (1 << ref.size) - 1
        r = rng.random()
        if r < stray_rate:
            x = rng.randint(257, top)
        elif r < stray_rate + made_rate and ref.free_slot <= top:
            x = ref.free_slot
        elif r < stray_rate + made_rate + literal_rate:
            x = rng.randrange(256)
        else:
            x = next((c for c in (rng.randint(257, top) for _ in range(20)) if not ref.is_free(c)),
                     rng.randrange(256))
        put(x)
        ref.code(x)
    if rng.random() < 0.05:
        put(256)  # a control code with no sub-code
        ref.broken = True
    return bits.bytes(), ref


def archive(data, content):
    name = b"out.bin"
    crc = zlib.crc32(content)
    return struct.pack("<4sHHHHHIIIHH", b"PK\x03\x04", 10, 0, 1, 0x6020, 0x5A65, crc, len(data),
                       len(content), len(name), 0) + name + data


def run_bound(stub, zip_bytes, folder):
    program = os.path.join(folder, "p")
    with open(stub, "rb") as f:
        image = f.read()
    with open(program, "wb") as f:
        f.write(image + bytes(-len(image) % 4) + zip_bytes)
    os.chmod(program, 0o755)
    run = subprocess.run([program], input=b"ok\n", cwd=folder, capture_output=True, timeout=60)
    return run.returncode, run.stdout.decode("utf-8", "replace")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--stub", required=True)
    parser.add_argument("--cases", type=int, default=250)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    failures = 0
    counts = {"extracted": 0, "broken": 0}
    for case in range(args.cases):
        rng = random.Random(args.seed * 100003 + case)
        data, ref = make_stream(rng)
        content = bytes(ref.out)
        with tempfile.TemporaryDirectory() as folder:
            status, output = run_bound(args.stub, archive(data, content), folder)
            out_path = os.path.join(folder, "out.bin")
            written = open(out_path, "rb").read() if os.path.exists(out_path) else None
        if ref.broken:
            counts["broken"] += 1
            ok = status == 1 and INTEGRITY_ERROR in output
        else:
            counts["extracted"] += 1
            ok = status == 0 and written == content
        if not ok:
            failures += 1
            print(f"case {case}: reference {'broken' if ref.broken else 'extracts'} {len(content)} bytes; "
                  f"stub status {status}, wrote {None if written is None else len(written)} bytes")
            print(output[-400:])
    print(f"{args.cases} streams: {counts['extracted']} extract, {counts['broken']} break; {failures} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
