#!/usr/bin/env python3
"""Packs examples/sample/ into examples/sample.zip: deflated entries with
their sizes in the local headers, a directory entry for each folder, fixed
time stamps, in name order, so the archive comes out the same every time."""
import pathlib
import zipfile

HERE = pathlib.Path(__file__).resolve().parent
SOURCE = HERE / "sample"
TARGET = HERE / "sample.zip"
STAMP = (2025, 3, 14, 9, 26, 52)


def main():
    paths = sorted(SOURCE.rglob("*"), key=lambda p: p.relative_to(SOURCE).as_posix())
    with zipfile.ZipFile(TARGET, "w") as archive:
        for path in paths:
            name = path.relative_to(SOURCE).as_posix()
            if path.is_dir():
                info = zipfile.ZipInfo(name + "/", STAMP)
                info.external_attr = 0o40755 << 16 | 0x10
                archive.writestr(info, b"")
            else:
                info = zipfile.ZipInfo(name, STAMP)
                info.compress_type = zipfile.ZIP_DEFLATED
                info.external_attr = 0o644 << 16
                archive.writestr(info, path.read_bytes(), compresslevel=9)
    print(f"{TARGET}: {len(paths)} entries")


if __name__ == "__main__":
    main()
