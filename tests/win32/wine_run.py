#!/usr/bin/env python3
"""Runs the Win32 build under Wine, headless, for ctest.

  wine_run.py boot PREFIX                 makes the Wine prefix once
  wine_run.py unit PREFIX EXE [ARGS...]   runs a test program in it
  wine_run.py e2e PREFIX CASE ...         one end-to-end case of the stub
  wine_run.py image STUB OBJDUMP WINDRES  checks the stub file without Wine

The e2e cases bind a corpus archive to the stub, start it under its own
Xvfb, drive the dialog with dialog_driver.exe and check what the user sees,
the exit status and the extracted files.

Wine is required: when it cannot start, the script fails. Only with
SFX_WINE_OPTIONAL=1 in the environment does it report a skip (exit 77).
"""
import argparse
import datetime
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import time
import zipfile

SKIP = 77
DIALOG_TEXTS = [
    (-1, "Static", "This Self Extracting  File will be Unzipped To The Target Directory Shown Below."),
    (-1, "Static", "If you want to set a different target directory, use the listbox on the right to "
                   "select it. You can also use the make directory option below then select it with the lisbox. "),
    (-1, "Static", "Target Directory:"),
    (1, "Button", "&OK"),
    (2, "Button", "&Cancel"),
    (-1, "Static", "Select OK to begin." + " " * 26 + "Choose Cancel to exit."),
    (202, "msctls_progress32", ""),
    (104, "Button", ""),
    (105, "ListBox", ""),
    (103, "ListBox", ""),
    (101, "Static", None),  # the directory, checked on its own
    (-1, "Static", "New Directory Name:"),
    (106, "Edit", ""),
    (107, "Button", "&Make "),
    (201, "Static", None),  # the status line, checked on its own
]
# The template as windres decompiles it: styles and rectangles in dialog units.
# Beyond the classic layout: 101 shortens a long path in its middle
# (SS_PATHELLIPSIS), 106 scrolls (ES_AUTOHSCROLL), and the hidden progress bar
# 202 lies exactly over the "Select OK to begin." text.
DIALOG_TEMPLATE = """200 DIALOG 16, 2, 349, 244
STYLE 0x80c800c0
CAPTION "Caption"
FONT 8, "Helv"
BEGIN
  CONTROL "This Self Extracting  File will be Unzipped To The Target Directory Shown Below.", 65535, "STATIC", 0x50000000, 14, 7, 212, 16
  CONTROL "If you want to set a different target directory, use the listbox on the right to select it. You can also use the make directory option below then select it with the lisbox. ", 65535, "STATIC", 0x50000000, 18, 42, 199, 25
  CONTROL "Target Directory:", 65535, "STATIC", 0x50000000, 17, 26, 57, 12
  CONTROL "&OK", 1, "BUTTON", 0x50010001, 53, 214, 37, 16
  CONTROL "&Cancel", 2, "BUTTON", 0x50010000, 280, 216, 32, 16
  CONTROL "Select OK to begin.                          Choose Cancel to exit.", 65535, "STATIC", 0x50020000, 85, 197, 217, 8
  CONTROL "", 202, "MSCTLS_PROGRESS32", 0x40000000, 85, 197, 217, 8
  CONTROL "", 104, "BUTTON", 0x50000007, 25, 97, 297, 95
  CONTROL "", 105, "LISTBOX", 0x50b00001, 35, 107, 279, 81
  CONTROL "", 103, "LISTBOX", 0x50a00001, 233, 7, 104, 57
  CONTROL "Text", 101, "STATIC", 0x50028000, 78, 26, 146, 11
  CONTROL "New Directory Name:", 65535, "STATIC", 0x50020000, 21, 71, 71, 10
  CONTROL "", 106, "EDIT", 0x50810080, 96, 70, 89, 12
  CONTROL "&Make ", 107, "BUTTON", 0x50010000, 194, 71, 31, 12
  CONTROL "Text", 201, "STATIC", 0x50020000, 28, 86, 244, 8
END"""
# 48 KiB, 8 KiB given to the LZMA decoder, 6 KiB to encrypted entries (bcrypt's imports, the password box).
STUB_SIZE_LIMIT = 64000  # 48 KiB and what each feature was given: 1 + 1 + 0.5 + 4 + 8 KiB
STUB_IMPORTS = ["ADVAPI32.dll", "bcrypt.dll", "COMCTL32.DLL", "GDI32.dll", "KERNEL32.dll", "SHELL32.dll", "USER32.dll",
                "msvcrt.dll"]
ICON_SIZES = [16, 32, 48, 256]
VERSION_STRINGS = ["FileDescription", "FileVersion", "LegalCopyright", "ProductName", "ProductVersion"]
MANIFEST_PARTS = [
    'requestedExecutionLevel level="asInvoker"',
    'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"',
    '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>',
    '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>',  # Windows 10 and 11
    # Paths past MAX_PATH where the system allows them (Windows 10 1607 and later).
    '<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>',
]
REGISTRY = """REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000
"""
READY_MARK = ".sfx-prefix-ready"
MANY_FILES = 2000
LONG_PATH = ("Software we ship", "Customer setup packages for every release", "2026 autumn release")
CONFIRMATION_LIMIT_MS = 2000


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def check_equal(got, want, what):
    if got != want:
        raise Failure(f"{what}:\n  got:  {got!r}\n  want: {want!r}")


# ---------------------------------------------------------------- Wine setup

def wine_env(prefix, display=None):
    env = dict(os.environ)
    # DOS times are local times: UTC keeps them as they are. The locale picks
    # the ANSI code page, 1252, in which the listing's encrypted mark is 0xF8.
    env.update(WINEPREFIX=prefix, WINEDEBUG="-all", TZ="UTC", LC_ALL="C.UTF-8",
               WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=")
    env.pop("DISPLAY", None)
    if display:
        env["DISPLAY"] = display
    return env


def require_wine():
    """Wine must be able to start; otherwise fail (or skip where allowed)."""
    why = None
    if not shutil.which("wine"):
        why = "the wine command is not installed"
    else:
        try:
            run = subprocess.run(["wine", "--version"], capture_output=True, text=True, timeout=120)
            if run.returncode != 0:
                why = f"wine does not start: {(run.stdout + run.stderr).strip()}"
        except (OSError, subprocess.TimeoutExpired) as e:
            why = f"wine does not start: {e}"
    if why is None:
        return
    optional = os.environ.get("SFX_WINE_OPTIONAL") == "1"
    print(f"*** WINE IS NOT AVAILABLE: {why} ***", file=sys.stderr)
    print("*** install it with tools/install-deps.sh; the Win32 tests cannot run ***", file=sys.stderr)
    sys.exit(SKIP if optional else 1)


def boot(prefix):
    """Makes the prefix once; a prefix left half-made is made again."""
    if os.path.exists(os.path.join(prefix, READY_MARK)):
        print("prefix ready:", prefix)
        return
    shutil.rmtree(prefix, ignore_errors=True)
    os.makedirs(prefix)
    env = wine_env(prefix)
    started = time.monotonic()
    subprocess.run(["wine", "wineboot", "--init"], env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)
    with open(os.path.join(prefix, "ci.reg"), "w", newline="\r\n") as f:
        f.write(REGISTRY)
    # reg wants a file name it can resolve: give it a relative one.
    subprocess.run(["wine", "reg", "import", "ci.reg"], env=env, cwd=prefix, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    subprocess.run(["wineserver", "-w"], env=env, check=True, timeout=300)
    open(os.path.join(prefix, READY_MARK), "w").close()
    print(f"prefix made in {time.monotonic() - started:.1f} s:", prefix)


def run_unit(prefix, exe, args):
    """Runs a test program under Wine and passes its exit status on."""
    env = wine_env(prefix)
    run = subprocess.run(["wine", exe, *args], env=env, stdin=subprocess.DEVNULL)
    # Wine's services inherit our output; let them end before ctest waits on it.
    subprocess.run(["wineserver", "-w"], env=env, timeout=120)
    return run.returncode


class Session:
    """An Xvfb display and a persistent Wine server for one case."""

    def __init__(self, prefix, log_dir):
        self.prefix = prefix
        self.log_dir = log_dir
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        check(number.strip(), "Xvfb did not start")
        self.display = ":" + number.decode().strip()
        self.env = wine_env(prefix, self.display)
        # A warm server makes every later start fast; its output is not ours.
        subprocess.run(["wineserver", "-p"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True)

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        self.xvfb.terminate()
        self.xvfb.wait()

    def start(self, exe, cwd, log_name, debug=None):
        env = dict(self.env)
        if debug:
            env["WINEDEBUG"] = debug
        log = open(os.path.join(self.log_dir, log_name), "wb")
        return subprocess.Popen(["wine", exe], cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                stdout=log, stderr=log)

    def drive(self, driver, caption, *steps):
        """Runs the driver; returns its facts as (key, value) pairs."""
        # Output through files: Wine's helper processes may hold on to a pipe.
        out_path = os.path.join(self.log_dir, "driver.out")
        err_path = os.path.join(self.log_dir, "driver.err")
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            code = subprocess.run(["wine", driver, caption, *steps], env=self.env, stdout=out, stderr=err,
                                  timeout=180, stdin=subprocess.DEVNULL).returncode
        with open(out_path, "rb") as f:
            output = f.read().decode("utf-8")
        with open(err_path, "rb") as f:
            errors_text = f.read().decode("utf-8", "replace")
        facts = []
        for line in output.split("\n"):
            line = line.rstrip("\r")
            if "=" in line:
                key, value = line.split("=", 1)
                facts.append((key, value))
        errors = [v for k, v in facts if k == "error"]
        check(code == 0 and not errors, f"driver {' '.join(steps)} failed ({code}): {errors} {errors_text}")
        return facts

    def screenshot(self, path):
        """The screen cut to what is on it (the black background trimmed)."""
        shot = subprocess.run(["import", "-display", self.display, "-window", "root", "png:-"],
                              check=True, timeout=60, capture_output=True).stdout
        subprocess.run(["convert", "png:-", "-trim", "+repage", path], input=shot, check=True, timeout=60)


def values(facts, key):
    return [v for k, v in facts if k == key]


def value(facts, key):
    found = values(facts, key)
    check(len(found) == 1, f"expected one {key} in {facts}")
    return found[0]


# ------------------------------------------------------ what the user must see

def compression_ratio(uncompressed, compressed):
    if uncompressed < compressed or uncompressed == 0:
        return 0
    saved = uncompressed - compressed
    while saved > 4294967:
        saved //= 10
        uncompressed //= 10
    return (saved * 1000 // uncompressed + 9) // 10


def signed32(n):
    n &= 0xFFFFFFFF
    return n - (1 << 32) if n & 0x80000000 else n


def windows_name(name):
    return name.replace("/", "\\")


def listed_entries(archive):
    return [e for e in archive["entries"] if e.get("found_by_scanner", True)]


def line_buffer(line):
    """A list line as the stub's 255-byte line buffer holds it (UTF-8, 254 bytes at most)."""
    return line.encode("utf-8")[:254].decode("utf-8", "replace")


def expected_listing(archive):
    """The contents list after the listing pass; the last line is the totals line."""
    lines, total_u, total_c, encrypted = [], 0, 0, False
    for e in listed_entries(archive):
        mark = "\u00f8" if e["flags"] & 1 else " "
        encrypted |= bool(e["flags"] & 1)
        total_u += e["uncompressed_size"]
        total_c += e["compressed_size"]
        lines.append(line_buffer("Size:%12d Compressed:%12d Component:%s%s" % (
            signed32(e["uncompressed_size"]), signed32(e["compressed_size"]), mark, windows_name(e["name"]))))
    if not lines:
        return ["Not A Bound Zip File"]
    legend = "\u00f8 Marks encrypted files - Password Required" if encrypted else ""
    ratio = compression_ratio(total_u & 0xFFFFFFFF, total_c & 0xFFFFFFFF)
    lines.append("Original:%8d%9sCompressed:%8d   Ratio:%3d%%%16s%5d Files %s" % (
        signed32(total_u), "", signed32(total_c), ratio, "", len(lines), legend))
    return lines


def windows_dir(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def same_dir(shown, path):
    # The directory list shows paths in lower case.
    return shown.lower() == windows_dir(path).lower()


def check_extracted(archive, target, program=None):
    """Every entry byte-exact with its DOS time; nothing else below target."""
    expected_paths = {os.path.normpath(program)} if program else set()
    for e in archive["entries"]:
        outcome = e["expected"]["outcome"]
        path = os.path.join(target, e["name"].rstrip("/"))
        if outcome == "directory_created":
            check(os.path.isdir(path), f"directory {e['name']} was not created")
            expected_paths.add(os.path.normpath(path))
            continue
        if outcome != "extracted":
            continue
        check(os.path.isfile(path), f"{e['name']} was not extracted")
        expected_paths.add(os.path.normpath(path))
        stamp = datetime.datetime.fromisoformat(e["dos_datetime"]).replace(tzinfo=datetime.timezone.utc)
        st = os.stat(path)  # before reading: the read may move the access time
        for kind, seconds in (("write", st.st_mtime), ("access", st.st_atime)):
            got = datetime.datetime.fromtimestamp(seconds, datetime.timezone.utc)
            check_equal(got, stamp, f"{kind} time of {e['name']}")
        with open(path, "rb") as f:
            check_equal(hashlib.sha256(f.read()).hexdigest(), e["sha256"], f"content of {e['name']}")
    for root, dirs, files in os.walk(target):
        for name in dirs + files:
            path = os.path.normpath(os.path.join(root, name))
            for known in expected_paths:
                if known == path or known.startswith(path + os.sep):
                    break
            else:
                raise Failure(f"unexpected {path} below {target}")


# ------------------------------------------------------------------ e2e cases

def many_files_archive(path):
    """2,000 small deflated files in 20 folders: a pass that takes seconds
    under Wine. Returns every name with its contents."""
    contents = {}
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for i in range(MANY_FILES):
            name = f"d{i // 100:02d}/f{i:04d}.txt"
            contents[name] = (f"line of file {i}\n" * (20 + i % 300)).encode()
            z.writestr(name, contents[name])
    return contents


# Archives made by the test itself instead of taken from the corpus.
GENERATED_ARCHIVES = {"many_files.zip": many_files_archive}


class Case:
    def __init__(self, args, session):
        self.args = args
        self.session = session
        self.work = args.work
        archive_path = os.path.join(args.corpus, args.archive)
        if args.archive in GENERATED_ARCHIVES:
            archive_path = os.path.join(self.work, args.archive)
            self.contents = GENERATED_ARCHIVES[args.archive](archive_path)
        else:
            with open(os.path.join(args.corpus, "manifest.json"), encoding="utf-8") as f:
                manifest = json.load(f)
            self.archive = next(a for a in manifest["archives"] if a["file"] == args.archive)
        self.start_dir = os.path.join(self.work, args.start_dir)  # the shell's directory
        # Where the stub lies: for the screenshots a path too long for static 101.
        self.app_dir = os.path.join(self.work, args.app_dir, *LONG_PATH if args.case == "screenshots" else ())
        os.makedirs(self.start_dir)
        os.makedirs(self.app_dir)
        self.caption = os.path.splitext(args.archive)[0] + ".exe"
        self.exe = os.path.join(self.app_dir, self.caption)
        bind(args.stub, archive_path, self.exe)
        self.process = None

    def start(self, debug=None):
        self.process = self.session.start(self.exe, self.start_dir, "stub.log", debug)

    def drive(self, *steps):
        return self.session.drive(self.args.driver, self.caption, *steps)

    def exit_status(self):
        return self.process.wait(timeout=120)

    def check_listing(self, facts):
        listing = expected_listing(self.archive)
        check_equal(value(facts, "caption"), self.caption, "dialog caption")
        check_equal(values(facts, "list105"), listing, "contents list 105")
        check_equal(value(facts, "status201"), listing[-1], "status line 201")
        check(same_dir(value(facts, "static101"), self.app_dir),
              f"static 101 shows {value(facts, 'static101')}, not the program's directory {self.app_dir}")
        # Measured in the list's font (about 5 pixels a character here), so
        # that the widest line can be scrolled to its end.
        extent, widest = int(value(facts, "extent105")), max(len(line) for line in listing)
        check(3 * widest <= extent <= 12 * widest,
              f"list 105 scrolls {extent} pixels sideways for a widest line of {widest} characters")
        dirs = values(facts, "list103")
        for item in ("[..]", "[-c-]", "[-z-]"):
            check(item in dirs, f"{item} missing from directory list 103: {dirs}")

    def check_box(self, facts, text, owner):
        check_equal(value(facts, "box_text"), text, "message box text")
        check_equal(value(facts, "box_owner"), owner, f"owner of the box '{text}'")

    def finish_ok(self, target):
        facts = self.drive("ok", "box", "ok", "gone")
        check_equal(value(facts, "box_caption"), self.caption, "caption of the closing box")
        self.check_box(facts, self.archive["expected_run"]["final_message"], "dialog")
        check_equal(self.exit_status(), 0, "exit status after OK")
        check_extracted(self.archive, target, self.exe)


def bind(stub, archive, out):
    """The stub padded with zeros to a multiple of 4, then the archive."""
    with open(stub, "rb") as f:
        image = f.read()
    image += b"\0" * (-len(image) % 4)
    with open(archive, "rb") as f:
        image += f.read()
    with open(out, "wb") as f:
        f.write(image)


def case_ok(case):
    """Listing, the 14 controls, OK, the closing box; files below the program."""
    case.start()
    facts = case.drive("dump", "controls")
    case.check_listing(facts)
    controls = [c.split(" ", 2) for c in values(facts, "control")]
    check_equal([(int(i), k) for i, k, _ in controls], [(i, k) for i, k, _ in DIALOG_TEXTS], "controls in template order")
    for (_, _, got), (ident, _, want) in zip(controls, DIALOG_TEXTS):
        if want is not None:
            check_equal(got, want, f"text of control {ident}")
    if case.args.screenshot:
        case.session.screenshot(case.args.screenshot)
    case.finish_ok(case.app_dir)


def case_make_select(case):
    """Make creates a directory without entering it; selecting it moves OK there."""
    case.start()
    facts = case.drive("make", "newdir", "dump")
    check(os.path.isdir(os.path.join(case.app_dir, "newdir")), "Make did not create newdir")
    check("[newdir]" in values(facts, "list103"), f"[newdir] not listed: {values(facts, 'list103')}")
    check(same_dir(value(facts, "static101"), case.app_dir), "Make entered the new directory")
    facts = case.drive("select", "[newdir]", "dump")
    target = os.path.join(case.app_dir, "newdir")
    check(same_dir(value(facts, "static101"), target), f"static 101 shows {value(facts, 'static101')}")
    check_equal(values(facts, "list103")[0], "[..]", "first entry of the new directory's list")
    case.finish_ok(target)


def case_cancel(case):
    """Cancel answered No keeps the dialog; Yes stops with status 1 in the start directory."""
    # The trace shows every change of the current directory the stub makes.
    case.start(debug="-all,trace+file")
    before = case.drive("dump")
    case.check_listing(before)
    facts = case.drive("cancel", "box", "no", "dump")
    check_equal(value(facts, "box_caption"), case.caption, "caption of the question")
    case.check_box(facts, "Are You Sure You Want To Cancel?", "none")
    for key in ("caption", "static101", "status201", "list105", "list103"):
        check_equal(values(facts, key), values(before, key), f"{key} after Cancel answered No")
    facts = case.drive("cancel", "box", "yes", "box", "ok")
    boxes = list(zip(values(facts, "box_text"), values(facts, "box_owner")))
    check_equal(boxes, [("Are You Sure You Want To Cancel?", "none"), ("Stopped at your request", "none")],
                "boxes after the second Cancel")
    check_equal(case.exit_status(), 1, "exit status after Cancel")
    check_equal(sorted(os.listdir(case.app_dir)), [case.caption], "files next to the program")
    check_equal(os.listdir(case.start_dir), [], "files in the start directory")
    with open(os.path.join(case.work, "stub.log"), "rb") as f:
        trace = f.read().decode("utf-8", "replace")
    # Lines of the stub's own thread: Wine's helper processes log to the same file.
    changes = re.findall(r'^([0-9a-f]+):trace:file:RtlSetCurrentDirectory_U curdir now L"(.*)"', trace, re.M)
    stub_threads = {thread for thread, path in changes if same_dir(unescape(path).rstrip("\\"), case.app_dir)}
    changes = [unescape(path).rstrip("\\") for thread, path in changes if thread in stub_threads]
    check(changes, "the stub never entered its own directory, by the trace")
    check(same_dir(changes[-1], case.start_dir),
          f"last directory change before the exit: {changes[-1]}, not the start directory")


def unescape(traced):
    return traced.replace("\\\\", "\\")


def case_questions(case):
    """Encrypted entries: each asked about in an ownerless box named after the entry."""
    case.start()
    case.check_listing(case.drive("dump"))
    steps = ["ok"]
    questions = case.archive["expected_run"]["questions_if_all_answered_yes"]
    for q in questions:  # an encrypted entry's password box answered Cancel first
        steps += ["box", "cancel"] * (q["question"] == "Encrypted File Continue?") + ["box", "yes"]
    facts = case.drive(*steps, "box", "ok", "gone")
    asked = list(zip(values(facts, "box_caption"), values(facts, "box_text"), values(facts, "box_owner")))
    want = []
    for q in questions:
        want += [(case.caption, "Password:", "dialog")] * (q["question"] == "Encrypted File Continue?")
        want.append((windows_name(q["entry"]), q["question"], "none"))
    want.append((case.caption, case.archive["expected_run"]["final_message"], "dialog"))
    check_equal(asked, want, "message boxes of the extraction")
    check_equal(case.exit_status(), 0, "exit status")
    check_extracted(case.archive, case.app_dir, case.exe)


def case_password(case):
    """The corpus's ZipCrypto archive with its password typed into the box, asked once for the run (the box
    saved as a PNG file into the --screenshot folder)."""
    case.start()
    case.drive("ok", "box", "none")
    if case.args.screenshot:
        os.makedirs(case.args.screenshot, exist_ok=True)
        case.session.screenshot(os.path.join(case.args.screenshot, "password-box.png"))
    facts = case.drive("password", "SECRET", "box", "ok", "gone")
    first = case.archive["entries"][1]["name"]
    check_equal(values(facts, "box_entry"), [windows_name(first)], "the password box names the first entry")
    check_equal(case.exit_status(), 0, "exit status")
    for e in case.archive["entries"]:
        if not e["is_directory"]:
            with open(os.path.join(case.app_dir, windows_name(e["name"]).replace("\\", os.sep)), "rb") as f:
                check(hashlib.sha256(f.read()).hexdigest() == e["sha256"], f"{e['name']} extracted byte-exact")


def case_screenshots(case):
    """The dialog at start with a long target path, while extracting and at
    completion, saved as PNG files into the --screenshot folder."""
    os.makedirs(case.args.screenshot, exist_ok=True)
    shot = lambda name: case.session.screenshot(os.path.join(case.args.screenshot, f"dialog-{name}.png"))
    case.start()
    static101 = value(case.drive("dump"), "static101")
    check(same_dir(static101, case.app_dir), f"static 101 holds {static101}, not the whole long path")
    shot("start")
    case.drive("ok", "lines", str(MANY_FILES // 3))
    shot("extracting")
    case.drive("box", "none")
    shot("complete")
    case.drive("box", "ok", "gone")
    check_equal(case.exit_status(), 0, "exit status")
    check_many_files(case, case.app_dir, True)


def check_progress(facts, completed):
    """The bar shows while the pass runs and only moves forward; a finished
    pass leaves it full. The dialog always answers and is never hung."""
    samples = [tuple(int(n) for n in v.split()) for v in values(facts, "progress")]
    check(all(hung == 0 for *_, hung in samples), "the dialog was reported hung")
    check(all(position >= 0 for position, *_ in samples), "the dialog left a progress query unanswered")
    shown = [i for i, (_, _, visible, _) in enumerate(samples) if visible]
    check(shown, "the progress bar never showed")
    during = samples[shown[0]:]  # the first samples may come before OK is handled
    check(all(visible == 1 for _, _, visible, _ in during), "progress bar hidden during the pass")
    positions = [position for position, *_ in during]
    check(positions == sorted(positions), f"progress went backwards: {positions}")
    check(len(set(positions)) > 2, f"progress hardly moved: {positions}")
    maximum = during[-1][1]
    check(all(position <= maximum for position in positions), "progress beyond its maximum")
    if completed:
        check_equal(positions[-1], maximum, "progress when the closing box opens")


def check_many_files(case, target, completed):
    """Every file that exists is whole, except at most the one being written
    when the run stopped, which holds a beginning of its contents."""
    found = {}
    for root, _, files in os.walk(target):
        for name in files:
            path = os.path.join(root, name)
            found[os.path.relpath(path, target).replace(os.sep, "/")] = path
    found.pop(case.caption, None)
    partial = []
    for name, path in found.items():
        check(name in case.contents, f"unexpected file {name}")
        with open(path, "rb") as f:
            data = f.read()
        if data != case.contents[name]:
            check(case.contents[name].startswith(data), f"{name} holds other bytes")
            partial.append(name)
    check(len(partial) <= 1, f"more than one file cut short: {partial}")
    if completed:
        check_equal(sorted(found), sorted(case.contents), "extracted files")
    else:
        check(0 < len(found) < MANY_FILES, f"{len(found)} files after a Cancel in the middle")


def case_cancel_during_pass(case, answer):
    """Cancel in the middle of a long pass is asked about at once; Yes stops
    with status 1 keeping what was extracted, No lets the pass complete."""
    case.start()
    facts = case.drive("watch", "ok", "lines", str(MANY_FILES // 10), "cancel", "box", answer, "box", "ok", "gone")
    boxes = list(zip(values(facts, "box_text"), values(facts, "box_owner")))
    final = ("Stopped at your request", "none") if answer == "yes" else \
        (f"Extraction Complete {MANY_FILES} files processed", "dialog")
    check_equal(boxes, [("Are You Sure You Want To Cancel?", "none"), final], "boxes after Cancel")
    waited = int(values(facts, "box_wait_ms")[0])
    check(waited <= CONFIRMATION_LIMIT_MS, f"the confirmation came {waited} ms after Cancel")
    check_equal(case.exit_status(), 1 if answer == "yes" else 0, "exit status")
    check_progress(facts, answer == "no")
    check_many_files(case, case.app_dir, answer == "no")


CASES = {"ok": case_ok, "make_select": case_make_select, "cancel": case_cancel, "questions": case_questions,
         "cancel_during_pass_yes": lambda case: case_cancel_during_pass(case, "yes"),
         "cancel_during_pass_no": lambda case: case_cancel_during_pass(case, "no"),
         "screenshots": case_screenshots, "password": case_password}


def run_case(args):
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    session = Session(args.prefix, args.work)
    case = None
    # Wine's device links (com1, nul ...): no name may reach them.
    devices = os.path.join(args.prefix, "dosdevices")
    devices_before = sorted(os.listdir(devices))
    try:
        case = Case(args, session)
        CASES[args.case](case)
        check_equal(sorted(os.listdir(devices)), devices_before, "the prefix's device links")
    finally:
        if case and case.process and case.process.poll() is None:
            case.process.kill()
        session.close()
    print(f"{args.case} {args.archive}: passed")


# --------------------------------------------------------- the file, no Wine

def check_image(stub, objdump, windres):
    size = os.path.getsize(stub)
    print(f"stub size: {size} bytes (limit {STUB_SIZE_LIMIT})")
    check(size <= STUB_SIZE_LIMIT, f"the stub is {size} bytes, more than {STUB_SIZE_LIMIT}")
    headers = subprocess.run([objdump, "-p", stub], capture_output=True, text=True, check=True).stdout
    check_equal(sorted(re.findall(r"DLL Name: (\S+)", headers)), sorted(STUB_IMPORTS), "imported DLLs")
    check("(Windows GUI)" in headers, "not a GUI program")
    # The runtime's small sections lie inside larger ones, not each padded to 512 bytes of its own.
    sections = subprocess.run([objdump, "-h", stub], capture_output=True, text=True, check=True).stdout
    check_equal(re.findall(r"^\s+\d+ (\S+)", sections, re.M),
                [".text", ".data", ".rdata", ".bss", ".idata", ".rsrc", ".reloc"], "sections")
    rc = subprocess.run([windres, "-i", stub, "-O", "rc"], capture_output=True, text=True,
                        check=True).stdout
    dialog = re.search(r"^200 DIALOG .*?^END$", rc, re.S | re.M)
    check(dialog is not None, "no dialog template 200")
    check_equal(dialog.group(0), DIALOG_TEMPLATE, "dialog template 200")
    group = re.search(r"^10 14 /\* RT_GROUP_ICON \*/\nBEGIN\n(.*?)^END$", rc, re.S | re.M)
    check(group is not None, "no icon group 10")
    # Elements: "width height colours pad", planes, bits, bytes, icon id (0 means 256).
    elements = re.findall(r'"\\(\d+)\\(\d+)\\\d+\\\d+", \d+, \d+, \w+, (\d+)', group.group(1))
    sizes = [(int(w, 8) or 256, int(h, 8) or 256) for w, h, _ in elements]
    check_equal(sizes, [(n, n) for n in ICON_SIZES], "icon sizes in group 10")
    for _, _, ident in elements:
        check(re.search(rf"^{ident} 3 /\* RT_ICON \*/", rc, re.M), f"icon {ident} of group 10")
    version = re.search(r"^1 VERSIONINFO$.*?^END$", rc, re.S | re.M)
    check(version is not None, "no version resource")
    for key in VERSION_STRINGS:
        check(re.search(rf'VALUE "{key}", "[^"]+"', version.group(0)), f"version resource without {key}")
    manifest_block = re.search(r"^1 24 /\* RT_MANIFEST \*/\nBEGIN\n(.*?)^END$", rc, re.S | re.M)
    check(manifest_block is not None, "no application manifest")
    manifest = "".join(re.findall(r'^\s*"(.*)"$', manifest_block.group(1), re.M)).replace('""', '"')
    for part in MANIFEST_PARTS:
        check(part in manifest, f"manifest without {part}")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("boot")
    p.add_argument("prefix")
    p = sub.add_parser("unit")
    p.add_argument("prefix")
    p.add_argument("exe")
    p.add_argument("args", nargs=argparse.REMAINDER)
    p = sub.add_parser("e2e")
    p.add_argument("prefix")
    p.add_argument("case", choices=sorted(CASES))
    p.add_argument("--stub", required=True)
    p.add_argument("--driver", required=True)
    p.add_argument("--corpus", required=True)
    p.add_argument("--archive", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("--screenshot")
    p.add_argument("--app-dir", default="app", help="the folder the stub lies in, below WORK")
    p.add_argument("--start-dir", default="start", help="the folder the stub is started from, below WORK")
    p = sub.add_parser("image")
    p.add_argument("stub")
    p.add_argument("objdump")
    p.add_argument("windres")
    args = parser.parse_args()
    try:
        if args.command == "image":
            check_image(args.stub, args.objdump, args.windres)
            return 0
        require_wine()
        if args.command == "boot":
            boot(args.prefix)
        elif args.command == "unit":
            return run_unit(args.prefix, args.exe, args.args)
        else:
            run_case(args)
    except Failure as e:
        print("FAILED:", e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
