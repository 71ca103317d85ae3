#!/usr/bin/env python3
"""damaged_settings_test.py --stub STUB --sfxbind SFXBIND --work DIR [--wine PREFIX]: one table
of settings blocks with the mark whose words do not hold together, for both builds. Each must
stop the stub with "Settings damaged -- SFX stopped" before a target is made, and sfxbind
--verify must refuse the file with the row's reason."""
import argparse
import io
import os
import shutil
import struct
import subprocess
import sys
import zipfile

MARK = b"SfxSet\x1a"
STOP = "Settings damaged -- SFX stopped"


def field(tag, text):
    value = text.encode()
    return tag + struct.pack("<H", len(value)) + value


def block(fields, length=None, version=1, padding=b"\0"):
    """Fields, padding to a multiple of 4, the length word, the mark and its version."""
    size = len(fields) if length is None else length
    return fields + padding * (-len(fields) % 4) + struct.pack("<I", size) + MARK + bytes([version])


def run_field(program):
    return field(b"R", program + " /q") + field(b"M", "")


GOOD = run_field("setup")  # 14 bytes: two of padding
PROGRAM_NAME = "a level of the program's path "
ROWS = [
    ("zeroed length", block(GOOD, length=0), "its length word is 0 or over 4096"),
    ("length past the archive", block(GOOD, length=0x7FFFFFF0), "its length word is 0 or over 4096"),
    ("length short of the fields", block(GOOD, length=12),
     "a field is cut short, of an unknown tag, given twice or malformed"),
    ("wrong version byte", block(GOOD, version=2), "its version byte is not one this stub reads"),
    ("padding not zero", block(GOOD, padding=b" "), "the padding after the fields is not zero"),
    ("unknown tag", block(field(b"X", "x")), "a field is cut short, of an unknown tag, given twice or malformed"),
    ("title with a line end", block(field(b"T", "a\nb")),
     "a text is empty, too long, not UTF-8 or holds a control character"),
    ("program ...", block(run_field(r"...\setup")), PROGRAM_NAME + "ends in a dot or a blank"),
    ("program ..", block(run_field("../setup")), PROGRAM_NAME + "ends in a dot or a blank"),
    ("program with a trailing dot", block(run_field("bin./setup")), PROGRAM_NAME + "ends in a dot or a blank"),
    ("program a device name", block(run_field(r"bin\aux.exe")), PROGRAM_NAME + "is a Windows device name"),
    ("program on a drive", block(run_field(r"C:\setup")), PROGRAM_NAME + "holds a character Windows"),
    ("program absolute", block(run_field("/setup")),
     "the program is not named by a relative path without empty levels"),
]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    for option in ("--stub", "--sfxbind", "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("--wine", metavar="PREFIX")
    args = parser.parse_args()
    work = os.path.abspath(args.work)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    shutil.copy(args.stub, os.path.join(work, "stub.exe"))
    shutil.copy(args.sfxbind, os.path.join(work, "sfxbind.exe"))
    stub = open(args.stub, "rb").read()
    stub += b"\0" * (-len(stub) % 4)
    archive = io.BytesIO()
    with zipfile.ZipFile(archive, "w") as z:
        z.writestr("setup", "#!/bin/sh\nexit 0\n")
    env, session = dict(os.environ), None
    if args.wine:
        sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "win32"))
        import wine_run
        wine_run.require_wine()
        session = wine_run.Session(os.path.abspath(args.wine), work)
        env = session.env

    def run(program, *arguments):
        # Output to a file: Wine's services inherit it and would hold a pipe open.
        with open(os.path.join(work, "output.txt"), "wb") as out:
            status = subprocess.run([*(["wine"] if args.wine else []), "./" + program, *arguments], cwd=work,
                                    env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=out, timeout=120)
        return status.returncode, open(os.path.join(work, "output.txt"), "rb").read().decode("utf-8", "replace")

    failures = []
    try:
        for name, data, reason in ROWS:
            with open(os.path.join(work, "setup.exe"), "wb") as f:
                f.write(stub + data + archive.getvalue())
            os.chmod(os.path.join(work, "setup.exe"), 0o755)
            status, output = run("setup.exe", "/S", "/L=stop.log", "/D=target")
            log = open(os.path.join(work, "stop.log"), "rb").read().decode().rstrip("\r\n")
            if (status, log, os.path.exists(os.path.join(work, "target"))) != (1, STOP, False):
                failures.append(f"{name}: the stub ended {status} with {log!r} ({output.strip()})")
            status, output = run("sfxbind.exe", "--verify", "setup.exe", "--stub", "stub.exe")
            if status == 0 or "the settings behind it are damaged: " + reason not in output:
                failures.append(f"{name}: sfxbind --verify ended {status}: {output.strip()}")
    finally:
        if session:
            session.close()
    for failure in failures:
        print("FAILED:", failure, file=sys.stderr)
    print(f"{len(ROWS) - len(failures)} of {len(ROWS)} damaged blocks refused by the stub and by sfxbind --verify")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
