#!/usr/bin/env python3
"""Paths past MAX_PATH through the Win32 self-extractor under Wine.

  long_path_test.py PREFIX --sfxbind SFXBIND.EXE --stub SFXSTUB.EXE
                    --driver DRIVER.EXE --work DIR [--screenshot PNG]

A tree whose deepest file lies 614 characters below the target (levels of 40
characters, 15 files at every depth, an empty directory at the bottom) is
archived by Python's zipfile, bound by sfxbind.exe without --force, and
extracted by the self-extractor lying in C:\\users\\Public\\Desktop\\x: every
file byte-exact, the directory made, no question asked, the closing message
and exit status 0.
"""
import argparse
import os
import pathlib
import random
import shutil
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import wine_run  # noqa: E402  (the Wine session and the dialog driver)
from signed_stub_test import run_wine  # noqa: E402

LEVELS = 15
TARGET = ("users", "Public", "Desktop", "x")  # below drive_c


def level_name(depth):
    return f"level {depth:02d} of a source tree or package cache".ljust(40, "-")[:40]


def make_tree():
    """One file at each depth, the deepest 614 characters below the target,
    and the empty directory beside it: ({name: content}, directory)."""
    rng = random.Random(24)
    files, levels = {}, []
    for depth in range(LEVELS):
        name = "/".join(levels + [f"file {depth:02d}.bin".ljust(40, "-")])
        files[name] = rng.randbytes(1000 * depth) + f"depth {depth}\n".encode() * 100
        levels.append(level_name(depth))
    directory = "/".join(levels[:-1]) + "/" + "empty directory".ljust(40, "-") + "/"
    return files, directory


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("prefix", type=os.path.abspath)
    for path in ("--sfxbind", "--stub", "--driver", "--work"):
        parser.add_argument(path, required=True, type=os.path.abspath)
    parser.add_argument("--screenshot", type=os.path.abspath)
    args = parser.parse_args()
    wine_run.require_wine()
    work = pathlib.Path(args.work)
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    target = pathlib.Path(args.prefix, "drive_c", *TARGET)
    shutil.rmtree(target, ignore_errors=True)
    target.mkdir(parents=True)

    files, directory = make_tree()
    wine_run.check(max(len(name) for name in files) >= 600, "the deepest file lies 600 characters down")
    with zipfile.ZipFile(work / "tree.zip", "w", zipfile.ZIP_DEFLATED) as z:
        for name, content in files.items():
            z.writestr(name, content)
        z.writestr(directory, b"")
    shutil.copy(args.stub, work / "sfxstub.exe")
    session = wine_run.Session(args.prefix, args.work)
    try:
        status, output = run_wine(session, args.sfxbind, ["tree.zip", "-o", "setup.exe", "--stub", "sfxstub.exe"],
                                  str(work))
        wine_run.check_equal((status, "refused" in output), (0, False), f"bound without --force ({output.strip()})")
        shutil.move(work / "setup.exe", target / "setup.exe")
        (work / "start").mkdir()
        # Started by its Windows path: the target is C:\users\Public\Desktop\x.
        process = session.start("C:\\" + "\\".join(TARGET) + "\\setup.exe", str(work / "start"), "stub.log")
        try:
            # The first box after OK is the closing one: no question came before it.
            facts = session.drive(args.driver, "setup.exe", "ok", "box", "none")
            wine_run.check_equal(wine_run.value(facts, "box_text"),
                                 f"Extraction Complete {len(files)} files processed", "closing message")
            if args.screenshot:
                session.screenshot(args.screenshot)
            session.drive(args.driver, "setup.exe", "box", "ok", "gone")
            wine_run.check_equal(process.wait(timeout=120), 0, "exit status")
        finally:
            if process.poll() is None:
                process.kill()
    finally:
        session.close()
    (target / "setup.exe").unlink()
    made = {str(p.relative_to(target)).replace(os.sep, "/"): p.read_bytes()
            for p in target.rglob("*") if p.is_file()}
    wine_run.check_equal(sorted(made), sorted(files), "files extracted")
    for name, content in files.items():
        wine_run.check(made[name] == content, f"{name} extracted byte-exact")
    wine_run.check((target / directory).is_dir(), "the empty directory at the bottom made")
    shutil.rmtree(target)
    print(f"long paths under Wine: {len(files)} files, the deepest {max(map(len, files))} characters down")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except wine_run.Failure as e:
        print("FAILED:", e, file=sys.stderr)
        sys.exit(1)
