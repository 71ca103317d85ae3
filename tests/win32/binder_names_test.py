#!/usr/bin/env python3
"""sfxbind.exe under Wine (ANSI code page 1252) with names outside it.

  binder_names_test.py PREFIX --sfxbind SFXBIND.EXE --stub SFXSTUB.EXE --work DIR

A folder, an output and a --run program whose names hold Greek and Japanese
letters bind and verify; "Docs/" and "docs" are refused for the Win32 stub;
an output inside the folder named in another case is refused.
"""
import argparse
import os
import pathlib
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "sfxbind"))
import bind_e2e_test  # noqa: E402  (the checks)
import wine_run  # noqa: E402  (the Wine session)
from signed_stub_test import run_wine  # noqa: E402

FOLDER = "Ωδή-日本"
PROGRAM = "José/σετ.exe"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("prefix", type=os.path.abspath)
    for path in ("--sfxbind", "--stub", "--work"):
        parser.add_argument(path, required=True, type=os.path.abspath)
    args = parser.parse_args()
    wine_run.require_wine()
    work = pathlib.Path(args.work)
    shutil.rmtree(work, ignore_errors=True)
    (work / FOLDER / "José").mkdir(parents=True)
    (work / FOLDER / PROGRAM).write_bytes(b"MZ program")
    (work / FOLDER / "日本.txt").write_text("text")
    (work / "cases" / "Docs").mkdir(parents=True)
    (work / "cases" / "docs").write_text("a file")
    (work / "cases" / "Docs" / "a.txt").write_text("a")
    shutil.copy(args.stub, work / "sfxstub.exe")
    checks = bind_e2e_test.Checks()
    session = wine_run.Session(args.prefix, str(work))
    output = FOLDER + ".exe"
    try:
        def bind(*arguments):
            return run_wine(session, args.sfxbind, [*arguments, "--stub", "sfxstub.exe"], str(work))

        status, text = bind(FOLDER, "-o", output, "--run", PROGRAM.replace("/", "\\"))
        checks.equal((status, text.strip()), (0, f"sfxbind: wrote {output}: 3 entries behind a "
                                                  f"{os.path.getsize(args.stub)}-byte stub"), "bound")
        status, text = bind("--verify", output)
        checks.expect(status == 0 and f"sfxbind: {output}: its stub equals sfxstub.exe" in text, f"verified: {text}")
        status, text = bind("cases", "-o", "cases.exe")
        checks.equal((status, text.splitlines()[0] if text else ""),
                     (1, "sfxbind: refused: docs: differs from Docs/ only in case, which Windows does not tell "
                         "apart: the self-extractor cannot write both: rename one of them"), "Docs/ and docs")
        status, text = bind(FOLDER, "-o", FOLDER.upper() + "\\out.exe")
        checks.equal((status, text.strip()), (2, f"sfxbind: the output {FOLDER.upper()}\\out.exe lies inside the "
                                                  f"folder {FOLDER}: write it elsewhere"), "output inside, in upper case")
        checks.equal(sorted(p.name for p in work.iterdir() if ".tmp" in p.name or p.suffix == ".exe"),
                     sorted([output, "sfxstub.exe"]), "nothing else written")
    finally:
        session.close()
    return checks.report("binder names under Wine")


if __name__ == "__main__":
    sys.exit(main())
