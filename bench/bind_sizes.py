#!/usr/bin/env python3
"""Sizes, binding and extraction times of sfxbind's methods against 7-Zip, on
two real folders, in one run:

  bench/bind_sizes.py --sfxbind build/host/sfxbind --stub build/host/sfxstub

The folders: Windows DLLs (Wine's i386 builtins, the first 61 MB in name
order, copied to a temporary folder) and a C++ source tree (LLVM 14's
headers). Each is bound by sfxbind with LZMA, deflate at levels 9 and 12 and
stored; archived by Python's zipfile with zlib at level 9 and bound (what
sfxbind wrote before libdeflate and LZMA); and archived by `7z a -tzip
-mm=Deflate -mx=9`, `7z a -tzip -mm=LZMA -mx=9` and `7z a -t7z -mx=9` (solid:
the bound no ZIP file can reach). Sizes are of the archive alone (a
self-extractor without its stub); extraction is the Linux stub's (--silent)
or `7z x`. Prints a Markdown table and the ratios the binder is held to, and
writes them to bench/bind_sizes.md.
"""
import argparse
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

DLL_SOURCE = pathlib.Path("/usr/lib/i386-linux-gnu/wine/i386-windows")
DLL_BYTES = 61_000_000
SOURCE_TREE = pathlib.Path("/usr/include/llvm-14")


def dll_folder(out):
    """The first DLLs of Wine's i386 builtins in name order, 61 MB of them."""
    out.mkdir()
    total = 0
    for dll in sorted(DLL_SOURCE.glob("*.dll")):
        if total >= DLL_BYTES:
            break
        shutil.copy2(dll, out / dll.name)
        total += dll.stat().st_size
    return out


def timed(command, **kwargs):
    started = time.monotonic()
    r = subprocess.run([str(c) for c in command], capture_output=True, **kwargs)
    return time.monotonic() - started, r


def padded_length(stub):
    size = stub.stat().st_size
    return size + -size % 4


def bind(args, source, out, *options):
    seconds, r = timed([args.sfxbind, source, "-o", out, "--stub", args.stub, *options])
    if r.returncode != 0:
        sys.exit(f"sfxbind {source} {' '.join(options)}: {r.stderr.decode()}")
    return seconds


def stub_extracts(args, bound, target):
    """Seconds the Linux self-extractor takes, or None where it stops."""
    seconds, r = timed([bound, "--silent", f"--target={target}"])
    shutil.rmtree(target, ignore_errors=True)
    return seconds if r.returncode == 0 else None


def seven_zip_extracts(args, archive, target):
    seconds, r = timed([args.seven_zip, "x", "-y", f"-o{target}", archive])
    shutil.rmtree(target, ignore_errors=True)
    return seconds if r.returncode == 0 else None


def zlib9_zip(folder, out):
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for path in sorted(folder.rglob("*")):
            z.write(path, path.relative_to(folder).as_posix())
    return out


def measure(args, folder, tmp):
    """Rows: (label, archive bytes, binding or archiving seconds, extraction seconds)."""
    rows = []
    stub = padded_length(args.stub)
    for label, options in (("sfxbind --method lzma", ("--method", "lzma")),
                           ("sfxbind --method deflate (level 9)", ("--method", "deflate", "--level", "9")),
                           ("sfxbind --method deflate --level 12", ("--method", "deflate", "--level", "12")),
                           ("sfxbind --method store", ("--method", "store"))):
        bound = tmp / "bound"
        seconds = bind(args, folder, bound, *options)
        rows.append((label, bound.stat().st_size - stub, seconds, stub_extracts(args, bound, tmp / "out")))
    started = time.monotonic()
    zipped = zlib9_zip(folder, tmp / "zlib9.zip")
    zipped_in = time.monotonic() - started
    bound = tmp / "bound"
    bind(args, zipped, bound)
    rows.append(("zlib level 9 (sfxbind before), bound", bound.stat().st_size - stub, zipped_in,
                 stub_extracts(args, bound, tmp / "out")))
    for label, options, name in (("7z a -tzip -mm=Deflate -mx=9", ("-tzip", "-mm=Deflate", "-mx=9"), "d.zip"),
                                 ("7z a -tzip -mm=LZMA -mx=9", ("-tzip", "-mm=LZMA", "-mx=9"), "l.zip"),
                                 ("7z a -t7z -mx=9 (solid)", ("-t7z", "-mx=9"), "s.7z")):
        archive = tmp / name
        archive.unlink(missing_ok=True)  # 7z a adds to an archive that is there
        seconds, r = timed([args.seven_zip, "a", *options, archive.resolve(), "."], cwd=folder)
        if r.returncode != 0:
            sys.exit(f"7z {label}: {r.stderr.decode()}")
        rows.append((label, archive.stat().st_size, seconds, seven_zip_extracts(args, archive, tmp / "out")))
    return rows


def table(name, folder_bytes, rows):
    lines = [f"### {name} ({folder_bytes:,} bytes)", "",
             "| archive | bytes | of the folder | binding / archiving s | extraction s |", "|---|---:|---:|---:|---:|"]
    for label, size, made, extracted in rows:
        shown = "stub stops" if extracted is None else f"{extracted:.2f}"
        lines.append(f"| {label} | {size:,} | {size / folder_bytes:.3f} | {made:.1f} | {shown} |")
    return lines


def ratios(rows):
    size = {label: s for label, s, _, _ in rows}
    lzma, zlib9 = size["sfxbind --method lzma"], size["zlib level 9 (sfxbind before), bound"]
    return [("LZMA / 7z LZMA zip", lzma / size["7z a -tzip -mm=LZMA -mx=9"], 1.01),
            ("LZMA / deflate self-extractor before", lzma / zlib9, 0.80),
            ("deflate level 12 / zlib level 9", size["sfxbind --method deflate --level 12"] / zlib9, 0.97)]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--sfxbind", type=pathlib.Path, required=True)
    parser.add_argument("--stub", type=pathlib.Path, required=True, help="the Linux stub")
    parser.add_argument("--seven-zip", default="7z")
    parser.add_argument("--output", type=pathlib.Path, default=pathlib.Path(__file__).parent / "bind_sizes.md")
    args = parser.parse_args()
    args.sfxbind, args.stub = args.sfxbind.resolve(), args.stub.resolve()
    lines, good = [], True
    with tempfile.TemporaryDirectory() as tmp:
        tmp = pathlib.Path(tmp)
        for name, folder in (("Windows DLLs", dll_folder(tmp / "dlls")), ("C++ source tree", SOURCE_TREE)):
            folder_bytes = sum(p.stat().st_size for p in folder.rglob("*") if p.is_file())
            rows = measure(args, folder, tmp)
            lines += table(f"{name}: {folder}" if folder == SOURCE_TREE else name, folder_bytes, rows) + [""]
            for what, ratio, limit in ratios(rows) if name == "Windows DLLs" else []:
                good &= ratio <= limit
                lines.append(f"- {what}: {ratio:.3f} (at most {limit}) {'ok' if ratio <= limit else 'MISSED'}")
            lines.append("")
    text = "\n".join(lines)
    print(text)
    args.output.write_text(text)
    sys.exit(0 if good else 1)


if __name__ == "__main__":
    main()
