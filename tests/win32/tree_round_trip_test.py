#!/usr/bin/env python3
"""One tree through every kind of input into the Win32 self-extractor.

  tree_round_trip_test.py PREFIX --sfxbind SFXBIND.EXE --stub SFXSTUB.EXE
                          --driver DRIVER.EXE --work DIR [--seven-zip 7z]

The tree of the binder's own round-trip test (nested and empty directories,
an empty file, text and random data, times on odd and even seconds) is
archived by bsdtar, by Python's zipfile writing to a pipe and by 7-Zip, and
taken as a folder, and archived with LZMA by 7-Zip (with and without the end
marker) and by Python's zipfile; and the binder's mixed 20 MB folder is archived by 7-Zip
with Deflate64. sfxbind.exe under Wine binds each to this build's stub
without --force; each result reads as a ZIP file in Python's zipfile (7-Zip
for Deflate64), and the self-extractor, driven through its dialog under Wine,
re-creates the tree byte-exact with its modification times (2-second steps).

Then, in Europe/Berlin for 7-Zip and for Wine alike, 7-Zip's archive of a
summer and a winter file, appended to the stub and run with /S: each file
gets the time `7z x` gives it on Linux.

"""
import argparse
import os
import pathlib
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "sfxbind"))
import bind_e2e_test  # noqa: E402  (the tree, its archivers and the checks of what was made)
import wine_run  # noqa: E402  (the Wine session and the dialog driver)
from signed_stub_test import run_wine  # noqa: E402



def bind_and_extract(args, session, checks, label, source, files, directories):
    """Binds `source` with sfxbind.exe, runs the result through its dialog and
    compares what it made with the tree."""
    work = pathlib.Path(args.work) / label
    app_dir, start_dir = work / "app", work / "start"
    app_dir.mkdir(parents=True)
    start_dir.mkdir()
    shutil.copy(args.stub, work / "sfxstub.exe")
    # Relative names: sfxbind.exe sees them as Windows paths in its current directory.
    input_name = "input" + ("" if source.is_dir() else ".zip")
    (shutil.copytree if source.is_dir() else shutil.copy2)(source, work / input_name)
    status, output = run_wine(session, args.sfxbind, [input_name, "-o", "setup.exe", "--stub", "sfxstub.exe"],
                              str(work))
    if not checks.equal((status, [line for line in output.splitlines() if "refused" in line]), (0, []),
                        f"{label}: bound without --force ({output.strip()})"):
        return
    bind_e2e_test.check_reads_back(checks, label, args.seven_zip, work / "setup.exe")
    program = app_dir / "setup.exe"
    shutil.move(work / "setup.exe", program)
    process = session.start(str(program), str(start_dir), f"{label}.log")
    try:
        facts = session.drive(args.driver, "setup.exe", "ok", "box", "ok", "gone")
        checks.equal(wine_run.value(facts, "box_text"), f"Extraction Complete {len(files)} files processed",
                     f"{label}: closing message")
        checks.equal(process.wait(timeout=120), 0, f"{label}: exit status")
    finally:
        if process.poll() is None:
            process.kill()
    program.unlink()
    bind_e2e_test.check_extracted(checks, label, app_dir, files, directories)


def check_seven_zip_times(args, session, checks):
    """7-Zip writes DOS times with the zone's offset of today and the exact
    time only in the central directory; Windows reads a DOS time back with
    the same offset."""
    work = pathlib.Path(args.work) / "times"
    (work / "src").mkdir(parents=True)
    env = dict(session.env, TZ="Europe/Berlin")
    for name, when in (("summer.txt", 1721048588), ("winter.txt", 1705327388)):  # even seconds: DOS keeps them
        (work / "src" / name).write_text(name)
        os.utime(work / "src" / name, (when, when))
    for command in (["a", "-tzip", work / "7z.zip", "*.txt"], ["x", "-o" + str(work / "7z"), work / "7z.zip"]):
        subprocess.run([args.seven_zip, *command], cwd=work / "src", env=env, check=True, stdout=subprocess.DEVNULL)
    (work / "setup.exe").write_bytes(pathlib.Path(args.stub).read_bytes() + (work / "7z.zip").read_bytes())
    status, output = run_wine(session, "setup.exe", ["/S", "/D=" + wine_run.windows_dir(work / "stub")], str(work),
                              env)
    checks.equal(status, 0, f"7z times: exit status ({output.strip()})")
    times = [{n: int((work / d / n).stat().st_mtime) for n in ("summer.txt", "winter.txt")} for d in ("stub", "7z")]
    checks.equal(times[0], times[1], "7z times: the self-extractor's under Wine against 7z x's")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("prefix", type=os.path.abspath)
    for path in ("--sfxbind", "--stub", "--driver", "--work"):
        parser.add_argument(path, required=True, type=os.path.abspath)
    parser.add_argument("--seven-zip", default="7z")
    args = parser.parse_args()
    wine_run.require_wine()
    shutil.rmtree(args.work, ignore_errors=True)
    inputs = pathlib.Path(args.work) / "inputs"
    root = inputs / "tree"
    # One offset all year, so that 7-Zip (today's offset) and Python's zipfile
    # (the date's) write the same DOS times; Wine runs in UTC too (wine_env).
    os.environ["TZ"] = "UTC"
    files, directories = bind_e2e_test.make_tree(root)
    checks = bind_e2e_test.Checks()
    session = wine_run.Session(args.prefix, args.work)
    try:
        for label, source in bind_e2e_test.tree_inputs(root, inputs, args.seven_zip, checks):
            bind_and_extract(args, session, checks, label, source, files, directories)
        for label, source, _ in bind_e2e_test.lzma_archives(root, inputs, args.seven_zip):
            bind_and_extract(args, session, checks, label, source, files, directories)
        mixed_files, mixed_directories = bind_e2e_test.make_mixed_tree(inputs / "mixed")
        deflate64 = bind_e2e_test.deflate64_archive(inputs / "mixed", inputs / "deflate64.zip", args.seven_zip)
        bind_and_extract(args, session, checks, "deflate64", deflate64, mixed_files, mixed_directories)
        check_seven_zip_times(args, session, checks)
    except wine_run.Failure as e:
        checks.expect(False, str(e))
    finally:
        session.close()
    return checks.report("tree round trip under Wine")


if __name__ == "__main__":
    sys.exit(main())
