#!/usr/bin/env python3
"""The Win32 stub unattended and with bind-time settings, under Wine.

  unattended_test.py PREFIX CHECK --sfxbind SFXBIND.EXE --stub STUB.EXE
                     --driver DRIVER.EXE --setup RECORD_ARGS.EXE
                     --corpus DIR --work DIR [--screenshots DIR]

CHECK is one of:
  silent      setup.exe /S /D=C:\\...\\new dir: the tree exactly, no window, 0
  encrypted   /S over encrypted entries: status 2, nothing asked or written;
              with /PASSWORD= every entry, also of a folder sfxbind.exe --encrypt wrote
  passive     /P: the dialog with its bar moving, ending by itself, 0
  usage       /?: the usage box, 0
  title       --title on the dialog and the closing box (two screenshots)
  run_temp    --run "setup.exe --flag ..." --temp: the program's arguments
              and folder, its status 7, no temporary folder left
  run_target  --run without --temp: the files stay in the target
  run_dialog  --run and --temp started by a person: the program shown, the
              target controls hidden (screenshot); Cancel removes the folder
  long_target /S /D= of 1,500 and of 500 CJK characters, /P of 1,500: there
  long_log    /L= of 1,100 characters: a /D= level past 255 logged, nothing made
  run_msi     --run "setup.msi /qn" (built by wixl): its file installed, 0
  run_admin   a program that asks for administrator rights: its status 7
  run_cmd     --run "install.cmd": its marker written, its status 5
  temp_deep   --temp: 900 characters deep removed, a file a program holds logged
"""
import argparse
import getpass
import glob
import hashlib
import json
import os
import random
import shutil
import subprocess
import sys
import time
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wine_run  # noqa: E402
from wine_run import Failure, check, check_equal, value, values  # noqa: E402

# Words as Windows splits them: spaces, quotes and backslashes.
RUN = r'setup.exe --flag "a b" C:\x\ "q\"u" "t\\"'
RUN_WORDS = ["--flag", "a b", "C:\\x\\", 'q"u', "t\\"]
PASSED_ON = ["more args", 'x"y']  # after "--" on the self-extractor's command line
TITLE = "Setup of My App"


class Run:
    def __init__(self, args):
        self.args = args
        shutil.rmtree(args.work, ignore_errors=True)
        os.makedirs(args.work)
        self.session = wine_run.Session(args.prefix, args.work)
        self.record = os.path.join(args.work, "record.txt")
        self.session.env["SFX_RECORD"] = wine_run.windows_dir(self.record)

    def archive(self, name):
        with open(os.path.join(self.args.corpus, "manifest.json"), encoding="utf-8") as f:
            return next(a for a in json.load(f)["archives"] if a["file"] == name)

    def bind_corpus(self, name):
        exe = os.path.join(self.args.work, "setup.exe")
        wine_run.bind(self.args.stub, os.path.join(self.args.corpus, name), exe)
        return exe

    def bind_folder(self, options, setup=None, files=()):
        """An app folder with `setup` (the recording program) as setup.exe and `files`, bound by sfxbind.exe."""
        app = os.path.join(self.args.work, "app")
        os.makedirs(os.path.join(app, "data"))
        shutil.copy(setup or self.args.setup, os.path.join(app, "setup.exe"))
        for name, data in (("data/file.txt", b"payload\n"), *files):
            with open(os.path.join(app, name), "wb") as f:
                f.write(data)
        status, output = self.wine(self.args.sfxbind, ["app", "-o", "setup.exe", "--stub", "stub.exe", *options])
        check_equal(status, 0, f"sfxbind.exe ({output.strip()})")
        exe = os.path.join(self.args.work, "setup.exe")
        with zipfile.ZipFile(exe) as z:
            check(z.testzip() is None, "zipfile reads the bound file")
        return exe

    def wine(self, exe, arguments):
        """A program run to its end; returns its status and output."""
        shutil.copy(self.args.stub, os.path.join(self.args.work, "stub.exe"))
        log = os.path.join(self.args.work, os.path.basename(exe) + ".log")
        with open(log, "wb") as out:
            status = subprocess.run(["wine", exe, *arguments], cwd=self.args.work, env=self.session.env,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=out, timeout=120).returncode
        with open(log, "rb") as f:
            return status, f.read().decode("utf-8", "replace")

    def start(self, exe, arguments):
        log = open(os.path.join(self.args.work, "stub.log"), "wb")
        return subprocess.Popen(["wine", exe, *arguments], cwd=self.args.work, env=self.session.env,
                                stdin=subprocess.DEVNULL, stdout=log, stderr=log)

    def drive(self, caption, *steps):
        return self.session.drive(self.args.driver, caption, *steps)

    def unix_path(self, windows_path):
        """C:\\... in the prefix, Z:\\... on this machine."""
        drive, rest = windows_path[0].lower(), windows_path[2:].replace("\\", "/")
        if drive == "z":
            return rest
        return os.path.join(self.args.prefix, "drive_c") + rest

    def recorded(self):
        with open(self.record, encoding="utf-8") as f:
            lines = f.read().split("\n")[:-1]
        return lines[:-1], lines[-1]


def case_silent(run):
    target = "C:\\sfx unattended\\some\\new dir"
    shutil.rmtree(run.unix_path("C:\\sfx unattended"), ignore_errors=True)
    # A window or a question would wait for a person: the run would not end.
    status, _ = run.wine(run.bind_corpus("a24_mixed_methods.zip"), ["/S", "/D=" + target])
    check_equal(status, 0, "exit status")
    wine_run.check_extracted(run.archive("a24_mixed_methods.zip"), run.unix_path(target))
    shutil.rmtree(run.unix_path("C:\\sfx unattended"))


def case_encrypted(run):
    target = os.path.join(run.args.work, "target")
    log = os.path.join(run.args.work, "stop.log")
    status, _ = run.wine(run.bind_corpus("a20_zipcrypto_7zip.zip"),
                         ["-s", "/L=" + wine_run.windows_dir(log), "-d=" + wine_run.windows_dir(target)])
    check_equal(status, 2, "exit status with encrypted entries skipped")
    found = [os.path.relpath(os.path.join(r, n), target) for r, ds, fs in os.walk(target) for n in ds + fs]
    check_equal(found, ["docs"], "what the run wrote")
    check_equal(open(log, "rb").read(), b"", "the log of a run without a stop")
    archive = run.archive("a20_zipcrypto_7zip.zip")
    status, _ = run.wine(run.bind_corpus(archive["file"]), ["/S", "/PASSWORD=SECRET", "/D=" + wine_run.windows_dir(target + "3")])
    check_equal(status, 0, "exit status with the password")
    for e in (e for e in archive["entries"] if not e["is_directory"]):
        with open(os.path.join(target + "3", e["name"]), "rb") as f:
            check(hashlib.sha256(f.read()).hexdigest() == e["sha256"], f"{e['name']} extracted with the password")
    # Several entries, one of them 100 KB of random bytes (its code made on a
    # thread of its own): the next entries' keys and codes are made on worker
    # threads while one is decoded.
    payloads = {"file.txt": b"payload\n", "a.bin": bytes(range(256)) * 300, "b.bin": b"x" * 5,
                "c.bin": random.Random(35).randbytes(100000), "d.txt": b"the last\n"}
    os.makedirs(os.path.join(run.args.work, "app"))
    for name, data in payloads.items():
        with open(os.path.join(run.args.work, "app", name), "wb") as f:
            f.write(data)
    status, output = run.wine(run.args.sfxbind, ["app", "-o", "secret.exe", "--stub", "stub.exe", "--encrypt",
                                                 "--password", "SECRET"])
    check_equal(status, 0, f"sfxbind.exe --encrypt ({output.strip()})")
    status, _ = run.wine(os.path.join(run.args.work, "secret.exe"),
                         ["/S", "/PASSWORD=SECRET", "/D=" + wine_run.windows_dir(target + "4")])
    check_equal(status, 0, "exit status of a folder sfxbind.exe encrypted")
    for name, data in payloads.items():
        with open(os.path.join(target + "4", name), "rb") as f:
            check(f.read() == data, f"{name} of a folder sfxbind.exe encrypted, extracted")
    # A stop is written to the log: the target cannot be made below a file.
    status, _ = run.wine(run.bind_corpus("a01_stored.zip"),
                         ["/S", "/L=" + wine_run.windows_dir(log), "/D=" + wine_run.windows_dir(log) + "\\x"])
    check_equal(status, 1, "exit status after a stop")
    check_equal(open(log, "rb").read(), b"Output directory not available\r\n", "the log of a stop")
    # A log that cannot be opened is a stop of its own, before anything is made.
    status, _ = run.wine(run.bind_corpus("a01_stored.zip"),
                         ["/S", "/L=" + wine_run.windows_dir(log) + "\\x.log", "/D=" + wine_run.windows_dir(target + "2")])
    check_equal((status, os.path.exists(target + "2")), (1, False), "exit status with a log that cannot be opened")


def case_passive(run):
    archive = os.path.join(run.args.work, "many_files.zip")
    contents = wine_run.many_files_archive(archive)
    exe = os.path.join(run.args.work, "setup.exe")
    wine_run.bind(run.args.stub, archive, exe)
    target = os.path.join(run.args.work, "target")
    process = run.start(exe, ["/P", "/D=" + wine_run.windows_dir(target)])
    facts = run.drive("setup.exe", "watch", "gone")
    # No closing box holds the full bar: the dialog may end between samples.
    wine_run.check_progress(facts, False)
    check_equal(process.wait(timeout=120), 0, "exit status")
    for name, data in contents.items():
        with open(os.path.join(target, name), "rb") as f:
            check(f.read() == data, f"{name} extracted whole")


def case_usage(run):
    process = run.start(run.bind_corpus("a01_stored.zip"), ["/?"])
    facts = run.session.drive(run.args.driver, "--box", "setup.exe", "ok")
    check_equal(value(facts, "box_text"), "/D=DIR\ttarget folder", "the usage box's first line")
    check_equal(process.wait(timeout=120), 0, "exit status")
    # Under /S no box waits: the list goes to the /L file.
    log = os.path.join(run.args.work, "usage.log")
    status, _ = run.wine(run.bind_corpus("a01_stored.zip"), ["/S", "/?", "/L=" + wine_run.windows_dir(log)])
    check_equal(status, 0, "exit status of /S /?")
    check(open(log, "rb").read().startswith(b"/D=DIR\ttarget folder\n"), "the usage in the /L file")


def case_title(run):
    exe = run.bind_folder(["--title", TITLE])
    process = run.start(exe, ["/D=" + wine_run.windows_dir(os.path.join(run.args.work, "target"))])
    facts = run.drive(TITLE, "dump")
    check_equal(value(facts, "caption"), TITLE, "dialog caption")
    shots = run.args.screenshots
    if shots:
        os.makedirs(shots, exist_ok=True)
        run.session.screenshot(os.path.join(shots, "title-dialog.png"))
    facts = run.drive(TITLE, "ok", "box", "none")
    check_equal(value(facts, "box_caption"), TITLE, "caption of the closing box")
    check_equal(value(facts, "box_text"), "Extraction Complete 2 files processed", "the closing box")
    if shots:
        run.session.screenshot(os.path.join(shots, "title-complete.png"))
    run.drive(TITLE, "box", "ok", "gone")
    check_equal(process.wait(timeout=120), 0, "exit status")


def case_run_temp(run):
    exe = run.bind_folder(["--run", RUN, "--temp"])
    status, _ = run.wine(exe, ["/S", "--", *PASSED_ON])
    check_equal(status, 7, "the program's exit status passed on")
    words, folder = run.recorded()
    check_equal(words, RUN_WORDS + PASSED_ON, "the program's arguments")
    check("\\temp\\sfx-" in folder.lower(), f"the program ran in {folder}, not a temporary folder")
    check(not os.path.exists(run.unix_path(folder)), f"{folder} is left behind")


def case_run_target(run):
    exe = run.bind_folder(["--run", RUN])
    target = os.path.join(run.args.work, "target")
    status, _ = run.wine(exe, ["/S", "/D=" + wine_run.windows_dir(target)])
    check_equal(status, 7, "the program's exit status passed on")
    words, folder = run.recorded()
    check_equal(words, RUN_WORDS, "the program's arguments")
    check(wine_run.same_dir(folder, target), f"the program ran in {folder}")
    check_equal(open(os.path.join(target, "data", "file.txt")).read(), "payload\n", "the files in the target")


def case_run_dialog(run):
    exe = run.bind_folder(["--run", RUN, "--temp"])
    temp = run.unix_path("C:\\users\\" + getpass.getuser() + "\\Temp")
    before = set(os.listdir(temp)) if os.path.isdir(temp) else set()
    process = run.start(exe, [])
    facts = run.drive("setup.exe", "dump")
    check_equal(value(facts, "status201"), "Then runs: " + RUN, "what the dialog says will run")
    if run.args.screenshots:
        run.session.screenshot(os.path.join(run.args.screenshots, "run-temp-dialog.png"))
    facts = run.drive("setup.exe", "cancel", "box", "yes", "box", "ok", "gone")
    check_equal(values(facts, "box_text")[-1], "Stopped at your request", "the stop")
    check_equal(process.wait(timeout=120), 1, "exit status after Cancel")
    check(not os.path.exists(run.record), "the program ran after a Cancel")
    check_equal(set(os.listdir(temp)) - before, set(), "temporary folders left after a stop")


def long_dir(root, length, level):
    """root and levels of `level` to `length` characters (the last one cut)."""
    path = root
    while len(path) < length:
        path += "\\" + level
    return path[:length]


def case_long_target(run):
    exe = run.bind_corpus("a24_mixed_methods.zip")
    ascii_target = long_dir("C:\\sfx long", 1500, "level of a long target".ljust(100, "-"))
    cjk_target = long_dir("C:\\sfx long", 521, "長い対象" * 12 + "長い")  # 500 CJK in 10 levels of 50
    # /P: the dialog, which cannot make such a target current, extracts there too.
    for switch, target in (("/S", ascii_target), ("/S", cjk_target), ("/P", ascii_target)):
        shutil.rmtree(run.unix_path("C:\\sfx long"), ignore_errors=True)
        status, _ = run.wine(exe, [switch, "/D=" + target])
        check_equal(status, 0, f"exit status, {switch} and a target of {len(target)} characters")
        wine_run.check_extracted(run.archive("a24_mixed_methods.zip"), run.unix_path(target))
    shutil.rmtree(run.unix_path("C:\\sfx long"))


def case_long_log(run):
    log = long_dir(wine_run.windows_dir(run.args.work), 1091, "level of a long log".ljust(100, "-")) + "\\stop.log"
    os.makedirs(os.path.dirname(run.unix_path(log)))
    target = long_dir("C:\\sfx too long", 1000, "level".ljust(100, "-")) + "\\" + "n" * 256
    status, _ = run.wine(run.bind_corpus("a01_stored.zip"), ["/S", "/L=" + log, "/D=" + target])
    check_equal((len(log), status), (1100, 1), "a log of 1,100 characters, exit status after a stop")
    check_equal(open(run.unix_path(log), "rb").read(), b"Output directory not available\r\n", "the log")
    check(not os.path.exists(run.unix_path("C:\\sfx too long")), "nothing of the target made")


def case_run_msi(run):
    with open(os.path.join(run.args.work, "setup.wxs"), "w") as f:
        f.write(MSI_SOURCE)
    msi = os.path.join(run.args.work, "setup.msi")
    subprocess.run(["wixl", "-o", msi, "setup.wxs"], cwd=run.args.work, check=True)
    # As Windows registers packages: the arguments after the package's name go to msiexec.
    run.wine("reg", ["add", "HKCR\\Msi.Package\\shell\\Open\\command", "/ve", "/f", "/d",
                     'C:\\windows\\system32\\msiexec.exe /i "%1" %*'])
    run.wine("msiexec", ["/x", "{3d0e8a52-97c4-4f1b-8e6a-5c2b7d9f1e04}", "/qn"])  # installed by an earlier run
    installed = os.path.join(run.args.prefix, "drive_c", "Program Files*", "SfxMsiTest", "setup.wxs")
    exe = run.bind_folder(["--run", "setup.msi /qn"], files=[("setup.msi", open(msi, "rb").read())])
    status, _ = run.wine(exe, ["/S", "/D=" + wine_run.windows_dir(os.path.join(run.args.work, "target"))])
    check_equal((status, len(glob.glob(installed))), (0, 1), "msiexec's exit status, the file it installs")


def case_run_admin(run):
    exe = run.bind_folder(["--run", RUN, "--temp"], setup=run.args.admin_setup)
    status, _ = run.wine(exe, ["/S"])
    check_equal((status, run.recorded()[0]), (7, RUN_WORDS), "the program's exit status and arguments")


def case_run_cmd(run):
    script = b"@echo off\r\necho ran> marker.txt\r\nexit /b 5\r\n"
    exe = run.bind_folder(["--run", "install.cmd"], files=[("install.cmd", script)])
    target = os.path.join(run.args.work, "target")
    status, _ = run.wine(exe, ["/S", "/D=" + wine_run.windows_dir(target)])
    marker = open(os.path.join(target, "marker.txt"), "rb").read()
    check_equal((status, marker), (5, b"ran\r\n"), "the batch file's exit status passed on, its marker")


def case_temp_deep(run):
    deep = long_dir("deep", 900, "level of a deep payload".ljust(60, "-")) + ".txt"
    with zipfile.ZipFile(os.path.join(run.args.work, "deep.zip"), "w", zipfile.ZIP_DEFLATED) as z:
        z.write(run.args.hold_open, "setup.exe")
        z.writestr("data/file.txt", b"payload\n")
        z.writestr(deep.replace("\\", "/"), b"deep\n")
    run.wine(run.args.sfxbind, ["deep.zip", "-o", "setup.exe", "--stub", "stub.exe", "--run", "setup.exe", "--temp"])
    temp_folders = run.unix_path(f"C:\\users\\{getpass.getuser()}\\Temp\\sfx-*")
    before, log = set(glob.glob(temp_folders)), os.path.join(run.args.work, "run.log")
    status, _ = run.wine(os.path.join(run.args.work, "setup.exe"), ["/S", "/L=" + wine_run.windows_dir(log)])
    check_equal(status, 0, "the program's exit status passed on")
    (folder,) = set(glob.glob(temp_folders)) - before
    check_equal([(os.path.relpath(r, folder), ds, fs) for r, ds, fs in os.walk(folder)],
                [(".", ["data"], []), ("data", [], ["file.txt"])], f"left of {len(deep)} characters deep")
    held = f"C:\\users\\{getpass.getuser()}\\Temp\\{os.path.basename(folder)}\\data\\file.txt"
    check_equal(open(log, "rb").read().decode().lower(), f"File in use, left behind: {held}\r\n".lower(), "the log")
    time.sleep(9)  # the program holding the file ends
    shutil.rmtree(folder)


# A package installing its own source into C:\\Program Files\\SfxMsiTest, for every user.
MSI_SOURCE = """<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
<Product Id="{3d0e8a52-97c4-4f1b-8e6a-5c2b7d9f1e04}" Name="SfxMsiTest" Language="1033" Version="1.0.0"
  Manufacturer="sfxstub tests" UpgradeCode="6f1c35c6-4b0e-4d0e-9a51-0b7f2a1d5e33">
<Package Compressed="yes" InstallScope="perMachine"/><Media Id="1" Cabinet="a.cab" EmbedCab="yes"/>
<Directory Id="TARGETDIR" Name="SourceDir"><Directory Id="ProgramFilesFolder"><Directory Id="APP" Name="SfxMsiTest">
  <Component Id="Main" Guid="0b4f3e55-8c2a-4d7e-b5b1-2d6c9e8f7a10"><File Id="F" Source="setup.wxs" KeyPath="yes"/>
</Component></Directory></Directory></Directory>
<Feature Id="All" Level="1"><ComponentRef Id="Main"/></Feature></Product></Wix>"""


CASES = {"run_dialog": case_run_dialog, "silent": case_silent, "encrypted": case_encrypted, "passive": case_passive, "usage": case_usage,
         "title": case_title, "run_temp": case_run_temp, "run_target": case_run_target,
         "long_target": case_long_target, "long_log": case_long_log,
         "run_msi": case_run_msi, "run_admin": case_run_admin, "run_cmd": case_run_cmd,
         "temp_deep": case_temp_deep}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("prefix")
    parser.add_argument("check", choices=sorted(CASES))
    for option in ("sfxbind", "stub", "driver", "setup", "admin-setup", "hold-open", "corpus", "work"):
        parser.add_argument("--" + option, required=True)
    parser.add_argument("--screenshots")
    args = parser.parse_args()
    for name in ("prefix", "sfxbind", "stub", "driver", "setup", "admin_setup", "hold_open", "corpus", "work"):
        setattr(args, name, os.path.abspath(getattr(args, name)))
    wine_run.require_wine()
    run = Run(args)
    try:
        CASES[args.check](run)
    except Failure as e:
        print("FAILED:", e, file=sys.stderr)
        return 1
    finally:
        run.session.close()
    print(f"{args.check}: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
