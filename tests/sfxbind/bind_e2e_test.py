#!/usr/bin/env python3
"""End-to-end checks of the sfxbind program.

round-trip  every corpus archive (and the sample folder) bound to the Linux
            stub: the result is still a ZIP file for Python's zipfile, 7-Zip
            and a strict reading of its offsets, an archive the walk already
            follows is only moved on, and the bound stub extracts every entry
refusals    the corpus archives the preflight refuses, each entry with its
            reason, nothing written; --force binds them all the same
bad-inputs  missing, foreign, truncated and damaged inputs and unwritable
            outputs: one line on stderr, status 2, nothing left behind
stubs       stubs with record signatures, execute bits, the built-in stub,
            binding a self-extractor again, --verify
zip64       an archive with ZIP64 end records and extra fields
tree        one tree archived by bsdtar, by Python's zipfile writing to a pipe,
            by 7-Zip, and bound as a folder: each extracts to the same tree
layouts     padding before the first entry, an unaligned first entry, junk
            between entries, directories known only by their attributes, a
            local header the central directory does not list
deflate64   a mixed 20 MB folder archived by 7-Zip with Deflate64: bound
            without --force, extracted byte-exact with its times
recompress  one tree archived by 7-Zip with BZip2 and with XZ, and with
            Zstandard (methods 93 and 20) by the zstd program: refused
            without --recompress, bound with it, each entry's name, time,
            attributes and extra field kept, read by zipfile and `7z t`,
            extracted byte-exact; damaged data and a wrong CRC-32 refused,
            PPMd refused by name
interrupt   SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE and SIGUSR1 in the middle
            of a binding: the temporary output is gone, nothing is left behind; on a terminal
            a progress line that only moves forward, cleared at the end
recipient   what would fail where the self-extractor lands, a row each: names
            that meet, --run resolved as the stub resolves it, a name too
            long for its field with --force, a crafted entry count in a
            sparse 50 GB file under a memory limit, an output a followed
            link leads to
times       in Europe/Berlin, America/New_York and UTC, a summer and a winter
            file archived by Python's zipfile (DOS times only), by bsdtar
            (extended timestamps) and as a folder: the stub gives zipfile's
            DOS times as local time, bsdtar's exact times and the folder's
            own; 7z l and zipfile list the folder's local times
many-files  (slow) a folder of 70,000 files binds without --force (ZIP64 end
            records), reads in zipfile and 7-Zip and extracts whole
"""
import argparse
import calendar
import datetime
import hashlib
import io
import json
import os
import pty
import pathlib
import random
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import warnings
import zipfile
import zlib

LOCAL, CENTRAL, END = b"PK\x03\x04", b"PK\x01\x02", b"PK\x05\x06"
ZIP64_END, ZIP64_LOCATOR = b"PK\x06\x06", b"PK\x06\x07"
METHOD_LABELS = {7: "tokenized", 12: "BZip2", 14: "LZMA", 20: "Zstandard", 93: "Zstandard", 95: "XZ", 98: "PPMd"}
RECOMPRESSIBLE = {12, 20, 93, 95}
UNSUPPORTED = ("is not supported: the self-extractor asks \"Unable To Extract The Above Component Continue?\" and "
               "leaves an empty file: ")
PYTHON_READS = {0, 8, 12, 14}


class Checks:
    def __init__(self):
        self.failures = []
        self.count = 0

    def expect(self, condition, what):
        self.count += 1
        if not condition:
            self.failures.append(what)
            print("FAIL:", what)
        return condition

    def equal(self, got, want, what):
        return self.expect(got == want, f"{what}: got {got!r}, want {want!r}")

    def report(self, label):
        """Prints the closing count; the script's exit status."""
        print(f"{label}: {self.count} checks, {len(self.failures)} failure(s)")
        return 1 if self.failures else 0


def run(command, stdin=b"", cwd=None, timeout=120):
    return subprocess.run([str(c) for c in command], input=stdin, cwd=cwd, capture_output=True, timeout=timeout)


def padded(stub):
    return stub + b"\0" * (-len(stub) % 4)


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def read_directory(data):
    """Follows the file's own offsets, strictly: the central directory's
    position and each entry's local header position, as stored."""
    end = data.rfind(END)
    count, _, cd_offset = struct.unpack_from("<HII", data, end + 10)
    if data[end - 20:end - 16] == ZIP64_LOCATOR:
        zip64_end = struct.unpack_from("<Q", data, end - 12)[0]
        assert data[zip64_end:zip64_end + 4] == ZIP64_END, "locator does not lead to the ZIP64 end record"
        count, _, cd_offset = struct.unpack_from("<QQQ", data, zip64_end + 32)
    entries = []
    at = cd_offset
    for _ in range(count):
        assert data[at:at + 4] == CENTRAL, f"no central header at {at}"
        compressed, uncompressed, n, x, c = struct.unpack_from("<IIHHH", data, at + 20)
        local = struct.unpack_from("<I", data, at + 42)[0]
        name = data[at + 46:at + 46 + n]
        if local == 0xFFFFFFFF:
            extra = data[at + 46 + n:at + 46 + n + x]
            while extra:
                tag, size = struct.unpack_from("<HH", extra)
                if tag == 1:
                    skip = 8 * ((uncompressed == 0xFFFFFFFF) + (compressed == 0xFFFFFFFF))
                    local = struct.unpack_from("<Q", extra, 4 + skip)[0]
                extra = extra[4 + size:]
        local_name_length = struct.unpack_from("<H", data, local + 26)[0]
        assert data[local:local + 4] == LOCAL, f"no local header at {local} for {name}"
        assert data[local + 30:local + 30 + local_name_length] == name, f"local header at {local} is not {name}"
        entries.append((name.decode("cp437"), local))
        at += 46 + n + x + c
    return cd_offset, entries


def seven_zip_listing(seven_zip, path):
    """7-Zip's technical listing: the archive's properties and entry paths."""
    r = run([seven_zip, "l", "-slt", path])
    text = r.stdout.decode("utf-8", "replace")
    head, _, body = text.partition("\n----------\n")
    props = dict(line.split(" = ", 1) for line in head.splitlines() if " = " in line)
    paths = [line[len("Path = "):] for line in body.splitlines() if line.startswith("Path = ")]
    return r.returncode, text, props, paths


def walk_follows(data):
    """True when the stub's walk already follows the archive as its central
    directory describes it: entries back to back from the first byte, sizes in
    every local header, directories named with a trailing slash."""
    with zipfile.ZipFile(io.BytesIO(data)) as z:
        infos = sorted(z.infolist(), key=lambda i: i.header_offset)
        at = 0
        for i in infos:
            if i.header_offset != at or i.flag_bits & 8 or (i.external_attr & 0x10 and not i.filename.endswith("/")):
                return False
            n, x = struct.unpack_from("<HH", data, at + 26)
            at += 30 + n + x + i.compress_size
        return at == read_directory(data)[0]


def moved_on(original, prefix):
    """The archive behind `prefix` bytes with only its offsets moved on."""
    data = bytearray(original)
    cd, _ = read_directory(original)
    end = data.rfind(END)
    at = cd
    for _ in range(struct.unpack_from("<H", data, end + 10)[0]):
        n, x, c = struct.unpack_from("<HHH", data, at + 28)
        struct.pack_into("<I", data, at + 42, struct.unpack_from("<I", data, at + 42)[0] + prefix)
        at += 46 + n + x + c
    struct.pack_into("<I", data, end + 16, cd + prefix)
    return bytes(data)


def check_still_a_zip(checks, label, seven_zip, bound_path, original_path, prefix_length):
    """The bound file read as a ZIP file by three independent readers, holding
    the original's entries; only moved on when the walk already followed it."""
    bound, original = bound_path.read_bytes(), original_path.read_bytes()
    if walk_follows(original) and ZIP64_LOCATOR not in original:
        checks.expect(bound[prefix_length:] == moved_on(original, prefix_length), f"{label}: only the offsets moved on")
    try:
        _, entries = read_directory(bound)
        checks.equal(min(offset for _, offset in entries) if entries else prefix_length, prefix_length,
                     f"{label}: the first entry right after the stub")
    except AssertionError as e:
        checks.expect(False, f"{label}: offsets do not lead to their records: {e}")

    with zipfile.ZipFile(bound_path) as z, zipfile.ZipFile(original_path) as o:
        wanted = [n + "/" if i.external_attr & 0x10 and not n.endswith("/") else n
                  for n, i in zip(o.namelist(), o.infolist())]
        checks.equal(z.namelist(), wanted, f"{label}: zipfile names")
        for got, want in zip(z.infolist(), o.infolist()):
            checks.equal((got.CRC, got.file_size, got.compress_size, got.flag_bits & 8),
                         (want.CRC, want.file_size, want.compress_size, 0), f"{label}: zipfile entry {want.filename}")
            if want.compress_type in PYTHON_READS and not want.flag_bits & 1:
                checks.expect(z.read(got) == o.read(want), f"{label}: zipfile reads {want.filename} back")

    status, text, props, paths = seven_zip_listing(seven_zip, bound_path)
    checks.equal(status, 0, f"{label}: 7z l status")
    problems = [line for line in text.splitlines() if line.upper().startswith(("WARNING", "ERROR"))]
    checks.equal(problems, [], f"{label}: 7z l reports problems")
    checks.equal(props.get("Physical Size"), str(len(bound)), f"{label}: 7z sees the whole file as the archive")
    checks.expect("Offset" not in props, f"{label}: 7z had to search for the archive (offsets not right)")
    checks.equal(props.get("Embedded Stub Size"), str(prefix_length), f"{label}: 7z stub size")
    with zipfile.ZipFile(original_path) as o:
        checks.equal(paths, [n.rstrip("/") for n in o.namelist()], f"{label}: 7z names")


def run_bound_stub(checks, label, bound, answers, expected_message, timeout=120):
    """Runs the bound Linux stub in a fresh folder; returns that folder. `answers`:
    how many questions are answered Yes, or the manifest's list of them (the
    password box before an encrypted entry's question is answered Cancel)."""
    folder = pathlib.Path(tempfile.mkdtemp(prefix="sfxbind-run-"))
    program = folder / "setup"
    shutil.copy2(bound, program)
    if isinstance(answers, int):
        answers = [{"question": ""}] * answers
    lines = b"".join(b"\ny\n" if q["question"] == "Encrypted File Continue?" else b"y\n" for q in answers)
    r = run(["./setup"], stdin=b"ok\n" + lines, cwd=folder, timeout=timeout)
    out = r.stdout.decode("utf-8", "replace")
    checks.equal(r.returncode, 0, f"{label}: the self-extractor's exit status")
    checks.expect(f"] {expected_message}\n" in out, f"{label}: closing message {expected_message!r} missing:\n{out[-2000:]}")
    return folder


def corpus_manifest(corpus):
    return json.loads((corpus / "manifest.json").read_text())["archives"]


DECODED_METHODS = {0, 1, 2, 3, 4, 5, 6, 8, 9, 14}


def method_refusal(method):
    what = ("give --recompress to write it again with the bind's method" if method in RECOMPRESSIBLE
            else "re-create the archive with deflate")
    return f"method {method} ({METHOD_LABELS[method]}) {UNSUPPORTED}{what}"


def expected_refusals(archive):
    """(entry, reason) the preflight must name, from the manifest's own account."""
    reasons = []
    for e in archive["entries"]:
        name, method = e["name"], e["method"]
        if not e["is_directory"] and method not in DECODED_METHODS:
            reasons.append((name, method_refusal(method)))
    return reasons


def unchecked_note(archive):
    """What the binder says of encrypted entries bound without their password."""
    n = sum(e["flags"] & 1 for e in archive["entries"])
    return (f"sfxbind: note: {n} encrypted {'entry' if n == 1 else 'entries'} could not be checked (give the "
            "password with --password-file FILE to have them decrypted and checked)\n") if n else ""


def bind(args, archive, output, *extra, stub=None):
    return run([args.sfxbind, archive, "-o", output, "--stub", stub or args.stub, *extra])


def check_extracted(checks, label, folder, files, directories):
    """`files` maps each name to its content and DOS time (or None)."""
    for name, (content, when) in files.items():
        out = folder / name
        if not checks.expect(out.is_file() and out.read_bytes() == content, f"{label}: {name} extracted byte-exact"):
            continue
        if when is not None:
            checks.expect(0 <= when - int(out.stat().st_mtime) < 2 or when == int(out.stat().st_mtime),
                          f"{label}: {name} modification time {out.stat().st_mtime}, want {when} (2 s steps)")
    for name in directories:
        checks.expect((folder / name).is_dir(), f"{label}: directory {name} created")
    made = sorted(str(p.relative_to(folder)) + ("/" if p.is_dir() else "") for p in folder.rglob("*") if p.name != "setup")
    want = sorted([n for n in files] + [d.rstrip("/") + "/" for d in directories])
    checks.equal(made, want, f"{label}: what the self-extractor made")




def check_seven_zip_tests(checks, label, seven_zip, path):
    """`7z t` reads every entry without a warning or an error."""
    r = run([seven_zip, "t", path], timeout=600)
    text = (r.stdout + r.stderr).decode("utf-8", "replace")
    problems = [line for line in text.splitlines() if "WARNING" in line.upper() or "ERROR" in line.upper()]
    checks.equal((r.returncode, problems), (0, []), f"{label}: 7z t")


def check_reads_back(checks, label, seven_zip, bound):
    """zipfile decodes every entry to its CRC-32 where it has every method (no
    Deflate64), and `7z t` reads it all without a warning."""
    with zipfile.ZipFile(bound) as z:
        if all(i.compress_type in PYTHON_READS for i in z.infolist()):
            checks.equal(z.testzip(), None, f"{label}: zipfile reads every entry of the bound file")
    check_seven_zip_tests(checks, label, seven_zip, bound)


def bind_and_extract(args, checks, label, path, files, directories, extra=(), timeout=120):
    """Binds without --force, checks the result as a ZIP file, runs the Linux
    self-extractor and compares what it made with `files` and `directories`.
    Returns the seconds taken by binding and by extracting."""
    with tempfile.TemporaryDirectory() as tmp:
        bound = pathlib.Path(tmp) / "bound"
        started = time.monotonic()
        r = bind(args, path, bound, *extra)
        bound_in = time.monotonic() - started
        if not checks.equal((r.returncode, [line for line in r.stderr.decode().splitlines() if "refused" in line]),
                            (0, []), f"{label}: bound without --force"):
            return bound_in, 0
        check_reads_back(checks, label, args.seven_zip, bound)
        started = time.monotonic()
        folder = run_bound_stub(checks, label, bound, 0, f"Extraction Complete {len(files)} files processed", timeout)
        extracted_in = time.monotonic() - started
        check_extracted(checks, label, folder, files, directories)
        shutil.rmtree(folder)
        return bound_in, extracted_in


def check_round_trip(args, checks):
    stub = args.stub.read_bytes()
    for archive in corpus_manifest(args.corpus):
        label, path = archive["file"], args.corpus / archive["file"]
        run = archive["expected_run"]
        questions = run["questions_if_all_answered_yes"]
        with tempfile.TemporaryDirectory() as tmp:
            bound = pathlib.Path(tmp) / "bound"
            r = bind(args, path, bound)
            if expected_refusals(archive):
                checks.equal(r.returncode, 1, f"{label}: refused without --force")
                r = bind(args, path, bound, "--force")
            elif not checks.equal(r.stderr.decode(), unchecked_note(archive), f"{label}: preflight findings"):
                continue
            if not checks.equal(r.returncode, 0, f"{label}: sfxbind status ({r.stderr.decode()})"):
                continue
            data = bound.read_bytes()
            checks.equal(data[:len(padded(stub))], padded(stub), f"{label}: stub padded with zeros")
            checks.expect(os.access(bound, os.X_OK), f"{label}: the Linux self-extractor is executable")
            check_still_a_zip(checks, label, args.seven_zip, bound, path, len(padded(stub)))

            # Entries a sequential reader could not follow before are extracted now.
            rewritten = run["process_exit_status"] != 0
            message = (f"Extraction Complete {sum(not e['is_directory'] for e in archive['entries'])} files processed"
                       if rewritten else run["final_message"])
            folder = run_bound_stub(checks, label, bound, questions, message)
            for e in archive["entries"]:
                if rewritten or (e["expected"]["outcome"] == "extracted" and e["expected"].get("output") == "content"):
                    out = folder / e["name"]
                    checks.expect(out.is_file() and sha256(out.read_bytes()) == e["sha256"],
                                  f"{label}: {e['name']} extracted byte-exact")
            shutil.rmtree(folder)

    sample = args.sample / "sample"
    files = {p.relative_to(sample).as_posix(): (p.read_bytes(), None) for p in sample.rglob("*") if p.is_file()}
    directories = [p.relative_to(sample).as_posix() for p in sample.rglob("*") if p.is_dir()]
    bind_and_extract(args, checks, "sample folder", sample, files, directories)


def check_refusals(args, checks):
    for archive in corpus_manifest(args.corpus):
        expected = expected_refusals(archive)
        if not expected:
            continue
        label, path = archive["file"], args.corpus / archive["file"]
        names = {name for name, _ in expected}
        with tempfile.TemporaryDirectory() as tmp:
            bound = pathlib.Path(tmp) / "bound"
            r = bind(args, path, bound)
            lines = r.stderr.decode().splitlines()
            checks.equal(r.returncode, 1, f"{label}: status when refused")
            checks.equal(list(pathlib.Path(tmp).iterdir()), [], f"{label}: nothing written when refused")
            refused = [line[len("sfxbind: refused: "):] for line in lines if line.startswith("sfxbind: refused: ")]
            for name, reason in expected:
                checks.expect(any(line.startswith(name + ": ") and reason in line for line in refused),
                              f"{label}: {name} refused with {reason!r}:\n" + "\n".join(lines))
            checks.equal({line.split(": ", 1)[0] for line in refused}, names, f"{label}: entries refused")
            count = len(names)
            checks.equal(lines[-1] if lines else "",
                         f"sfxbind: nothing written: {count} {'entry' if count == 1 else 'entries'} would not "
                         "extract as expected (--force binds anyway)", f"{label}: closing line")

            forced = bind(args, path, bound, "--force")
            checks.equal(forced.returncode, 0, f"{label}: status with --force")
            forced_lines = forced.stderr.decode().splitlines()
            checks.equal(forced_lines, [line.replace("sfxbind: refused: ", "sfxbind: forced: ") for line in lines[:-1]],
                         f"{label}: findings under --force")
            if bound.exists():
                check_still_a_zip(checks, label + " (forced)", args.seven_zip, bound, path, len(padded(args.stub.read_bytes())))
                check_verify_names_findings(args, checks, label, bound, expected)


def check_verify_names_findings(args, checks, label, bound, expected):
    """--verify of a forced self-extractor names each entry the stub will not
    extract as stored and fails, unless --accept-findings."""
    r = run([args.sfxbind, "--verify", bound, "--stub", args.stub])
    lines = r.stderr.decode().splitlines()
    checks.equal(r.returncode, 1, f"{label}: --verify of the forced self-extractor fails")
    for name, reason in expected:
        checks.expect(f"sfxbind: finding: {name}: {reason}" in lines, f"{label}: --verify names {name}:\n{lines}")
    count = len({name for name, _ in expected})
    checks.expect(lines and lines[-1].endswith(f"; {count} {'entry' if count == 1 else 'entries'} will not extract as "
                                               "stored (named above; --accept-findings accepts them)"),
                  f"{label}: --verify closing line: {lines[-1:]}")
    r = run([args.sfxbind, "--verify", bound, "--stub", args.stub, "--accept-findings"])
    checks.expect(r.returncode == 0 and r.stdout.decode().endswith("named above, accepted)\n"),
                  f"{label}: --verify --accept-findings: {r.stdout}{r.stderr}")


def expect_one_line_error(checks, label, r, message, folder, before):
    checks.equal(r.returncode, 2, f"{label}: status")
    checks.equal(r.stdout.decode(), "", f"{label}: stdout")
    checks.equal(r.stderr.decode(), f"sfxbind: {message}\n", f"{label}: the one-line error")
    checks.equal(sorted(p.name for p in folder.iterdir()), before, f"{label}: files left behind")


def check_bad_inputs(args, checks):
    a01 = (args.corpus / "a01_stored.zip").read_bytes()
    with tempfile.TemporaryDirectory() as tmp:
        folder = pathlib.Path(tmp)
        (folder / "words.txt").write_text("no archive here, only a few words of text\n")
        (folder / "half.zip").write_bytes(a01[:len(a01) // 2])
        (folder / "short.zip").write_bytes(a01[:-1])
        (folder / "headless.zip").write_bytes(a01[100:])
        (folder / "good.zip").write_bytes(a01)
        (folder / "a_directory").mkdir()
        before = sorted(p.name for p in folder.iterdir())
        out = folder / "out"
        cases = [
            ("missing archive", [folder / "none.zip", "-o", out], f"cannot read {folder / 'none.zip'}: No such file or directory"),
            ("an empty folder", [folder / "a_directory", "-o", out], f"{folder / 'a_directory'}: the folder is empty: nothing to bind"),
            ("a device", ["/dev/null", "-o", out], "/dev/null: not a folder, a ZIP file or a self-extractor"),
            ("the output is the input", [folder / "good.zip", "-o", folder / "good.zip"],
             f"the output {folder / 'good.zip'} is the input: name another with -o"),
            ("-o twice", [folder / "good.zip", "-o", out, "-o", out], "--output given twice (see --help)"),
            ("not a ZIP file", [folder / "words.txt", "-o", out], f"{folder / 'words.txt'}: not a ZIP file"),
            ("truncated to half", [folder / "half.zip", "-o", out],
             f"{folder / 'half.zip'}: truncated or damaged ZIP file: its end record is missing"),
            ("last byte missing", [folder / "short.zip", "-o", out],
             f"{folder / 'short.zip'}: truncated or damaged ZIP file: its end record is missing"),
            ("start missing", [folder / "headless.zip", "-o", out],
             f"{folder / 'headless.zip'}: damaged ZIP file: the central directory is not where the end record says"),
            ("output folder missing", [folder / "good.zip", "-o", folder / "no" / "out"],
             f"cannot write {folder / 'no' / 'out'}: No such file or directory"),
            ("output is a directory", [folder / "good.zip", "-o", folder / "a_directory"],
             f"cannot write {folder / 'a_directory'}: Is a directory"),
            ("stub missing", [folder / "good.zip", "-o", out, "--stub", folder / "nostub"],
             f"cannot read {folder / 'nostub'}: No such file or directory"),
            ("no input", ["-o", out], "no input given: a folder, a ZIP file or a self-extractor (see --help)"),
            ("no output", [folder / "good.zip"], "no output given: use -o OUTPUT"),
        ]
        for label, arguments, message in cases:
            if "--stub" not in arguments:
                arguments = arguments + ["--stub", args.stub]
            expect_one_line_error(checks, label, run([args.sfxbind, *arguments]), message, folder, before)
        checks.equal(list((folder / "a_directory").iterdir()), [], "output is a directory: left untouched")

        r = run([args.sfxbind, "--help"])
        checks.equal(r.returncode, 0, "--help status")
        checks.expect(r.stdout.decode().startswith("Usage: sfxbind INPUT -o OUTPUT "), "--help shows the usage line")
        r = run([args.sfxbind, "--version"])
        checks.expect(r.returncode == 0 and r.stdout.decode().startswith("sfxbind "), "--version")


def check_stubs(args, checks):
    sample = args.sample / "sample.zip"
    with tempfile.TemporaryDirectory() as tmp:
        folder = pathlib.Path(tmp)
        for at in (12, 13):
            stub = folder / f"stub{at}"
            stub.write_bytes(b"\x7fELF" + b"x" * (at - 4) + END + b"tail")
            out = folder / f"out{at}"
            r = bind(args, sample, out, stub=stub)
            if at % 4 == 0:
                expect_one_line_error(checks, f"signature at {at}", r,
                                      f"{stub}: the stub holds a ZIP record signature at offset {at}, "
                                      "where the self-extractor's walk would take it for a record",
                                      folder, sorted(p.name for p in folder.iterdir()))
            else:
                checks.equal(r.returncode, 0, f"signature at {at}: accepted")
                check_still_a_zip(checks, f"signature at {at}", args.seven_zip, out, sample, len(padded(stub.read_bytes())))

        # Execute bits for Linux stubs only; an existing output is replaced whole.
        windows_stub = folder / "windows_stub"
        windows_stub.write_bytes(b"MZ" + b"\0" * 62)
        windows_out = folder / "setup.exe"
        windows_out.write_bytes(b"an older, much longer file " * 1000)
        r = bind(args, sample, windows_out, stub=windows_stub)
        checks.equal(r.returncode, 0, "Windows stub: status")
        checks.expect(not os.access(windows_out, os.X_OK), "Windows stub: no execute bit")
        checks.equal(len(windows_out.read_bytes()), 64 + sample.stat().st_size, "Windows stub: output replaced whole")

        # A self-extractor is no stub: its archive sits at an aligned offset.
        bound = folder / "bound"
        checks.equal(bind(args, sample, bound).returncode, 0, "first binding")
        r = bind(args, sample, folder / "twice", stub=bound)
        checks.equal(r.returncode, 2, "a bound self-extractor as the stub is refused")
        # A self-extractor as the input: its archive alone is bound again.
        rebound = folder / "rebound"
        r = bind(args, bound, rebound)
        program = len(padded(args.stub.read_bytes()))
        checks.equal((r.returncode, r.stderr.decode()),
                     (0, f"sfxbind: note: the input is a self-extractor: binding only its archive (its {program}-byte "
                         "program is left out)\n"), "binding a self-extractor again")
        checks.expect(rebound.read_bytes() == bound.read_bytes(), "bound again: the same self-extractor")

        # --verify: a fresh self-extractor passes; one stub byte changed fails, as does damaged data.
        r = run([args.sfxbind, "--verify", bound, "--stub", args.stub])
        checks.expect(r.returncode == 0 and "reads cleanly" in r.stdout.decode(), f"--verify accepts: {r.stdout}{r.stderr}")
        for label, at in (("stub", 200), ("data", program + 100)):
            changed = bytearray(bound.read_bytes())
            changed[at] ^= 0x20
            (folder / "changed").write_bytes(changed)
            r = run([args.sfxbind, "--verify", folder / "changed", "--stub", args.stub])
            want = f"its stub differs from {args.stub} (first at byte 200)" if label == "stub" else "but in the archive behind it"
            checks.expect(r.returncode == 1 and want in r.stderr.decode(), f"--verify rejects a changed {label}: {r.stderr}")

        # The built-in stub, when this build has one.
        help_text = run([args.sfxbind, "--help"]).stdout.decode()
        built_in = [line for line in help_text.splitlines() if line.startswith("Built-in stub: ")]
        if not checks.equal(len(built_in), 1, "--help names the built-in stub"):
            return
        out = folder / "default.exe"
        r = run([args.sfxbind, sample, "-o", out])
        if built_in[0] == "Built-in stub: none; --stub is required":
            expect_one_line_error(checks, "no built-in stub", r,
                                  "this sfxbind has no built-in stub: give one with --stub STUB",
                                  folder, sorted(p.name for p in folder.iterdir()))
        else:
            size = int(built_in[0].split()[2])
            checks.equal(r.returncode, 0, "built-in stub: status")
            data = out.read_bytes()
            checks.equal(data[:2], b"MZ", "built-in stub: a Windows program")
            prefix = size + (-size % 4)
            checks.equal(len(data), prefix + sample.stat().st_size, "built-in stub: size")
            check_still_a_zip(checks, "built-in stub", args.seven_zip, out, sample, prefix)
            r = run([args.sfxbind, "--verify", out])
            checks.equal(r.returncode, 0, f"--verify with the built-in stub: {r.stderr}")


def zip64_archive():
    """Two stored entries; the second's local header offset kept in a ZIP64
    extra field; ZIP64 end record and locator; an end record deferring to them."""
    entries = [("first.txt", b"the first entry\n"), ("second.txt", b"the second entry, kept by offset in ZIP64\n")]
    data, central = b"", b""
    for index, (name, content) in enumerate(entries):
        crc = zipfile.crc32(content)
        offset = len(data)
        data += struct.pack("<4sHHHHHIIIHH", LOCAL, 45, 0, 0, 0x6020, 0x5A65, crc, len(content), len(content),
                            len(name), 0) + name.encode() + content
        extra = struct.pack("<HHQ", 1, 8, offset) if index == 1 else b""
        central += struct.pack("<4sHHHHHHIIIHHHHHII", CENTRAL, 45, 45, 0, 0, 0x6020, 0x5A65, crc, len(content),
                               len(content), len(name), len(extra), 0, 0, 0, 0o644 << 16,
                               0xFFFFFFFF if index == 1 else offset) + name.encode() + extra
    cd_offset = len(data)
    zip64_end = cd_offset + len(central)
    tail = struct.pack("<4sQHHIIQQQQ", ZIP64_END, 44, 45, 45, 0, 0, 2, 2, len(central), cd_offset)
    tail += struct.pack("<4sIQI", ZIP64_LOCATOR, 0, zip64_end, 1)
    tail += struct.pack("<4sHHHHIIH", END, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
    return data + central + tail, entries


def check_zip64(args, checks):
    archive, entries = zip64_archive()
    with tempfile.TemporaryDirectory() as tmp:
        folder = pathlib.Path(tmp)
        path, bound = folder / "zip64.zip", folder / "bound"
        path.write_bytes(archive)
        with zipfile.ZipFile(path) as z:  # the hand-made archive itself is sound
            checks.equal([(i.filename, z.read(i)) for i in z.infolist()], [(n, c) for n, c in entries], "zip64: as made")
        r = bind(args, path, bound)
        checks.equal((r.returncode, r.stderr.decode()),
                     (0, "sfxbind: warning: ZIP64 end record: the self-extractor ignores it "
                         "(its offsets are rewritten all the same)\n"), "zip64: bound with a warning")
        if r.returncode == 0:
            check_still_a_zip(checks, "zip64", args.seven_zip, bound, path, len(padded(args.stub.read_bytes())))
            folder_run = run_bound_stub(checks, "zip64", bound, 0, "Extraction Complete 2 files processed")
            for name, content in entries:
                checks.equal((folder_run / name).read_bytes(), content, f"zip64: {name} extracted")
            shutil.rmtree(folder_run)


def make_tree(root):
    """Nested and empty directories, an empty file, non-ASCII names, text and
    random data; modification times on odd and even seconds. Returns the files (name: content, time) and the directories."""
    rng = random.Random(19)
    text = "".join(f"line {i}: the quick brown fox jumps over the lazy dog\n" for i in range(3000)).encode()
    folder, file = "ünïcødé", "naïve café.txt"
    files = {"readme.txt": text, "empty.txt": b"", "a/b/c/deep.bin": rng.randbytes(70000),
             "a/notes.txt": text[:5000], f"{folder}/{file}": "grüße, ça va\n".encode() * 50,
             "random.dat": rng.randbytes(300000)}
    return write_tree(root, files, ["a", "a/b", "a/b/c", "empty", folder, "a/empty too"], 1_600_000_000, 7919)


def write_tree(root, files, directories, first_time, time_step):
    """Writes `files` (name: content) and `directories` below `root`, each
    file with its own time, on odd and even seconds. Returns the files (name:
    content, time) and the directories."""
    for d in directories:
        (root / d).mkdir(parents=True, exist_ok=True)
    when = {}
    for i, (name, content) in enumerate(sorted(files.items())):
        (root / name).write_bytes(content)
        when[name] = first_time + time_step * i + i % 2
        os.utime(root / name, (when[name], when[name]))
    return {n: (c, when[n]) for n, c in files.items()}, directories


def python_zip_to_pipe(root, out, zip64=False):
    """Python's zipfile writing to a pipe: every entry with a data descriptor.
    With `zip64`, each file is streamed with force_zip64: sizes 0xFFFFFFFF in
    the local header beside a ZIP64 field of zeros; files come first in each
    folder, since 7-Zip looks hardest at the first header."""
    plain = "        for n in sorted(dirs) + sorted(files):\n"
    streamed = ("        for n in sorted(files):\n"
                "            path = os.path.join(top, n)\n"
                "            info = zipfile.ZipInfo(os.path.relpath(path, root), time.localtime(os.stat(path).st_mtime)[:6])\n"
                "            info.compress_type = zipfile.ZIP_DEFLATED\n"
                "            with open(path, 'rb') as f, z.open(info, 'w', force_zip64=True) as w:\n"
                "                w.write(f.read())\n"
                "        for n in sorted(dirs):\n")
    script = ("import os, sys, time, zipfile\n"
              "root = sys.argv[1]\n"
              "with zipfile.ZipFile(sys.stdout.buffer, 'w', zipfile.ZIP_DEFLATED) as z:\n"
              "    for top, dirs, files in sorted(os.walk(root)):\n"
              + (streamed if zip64 else plain) +
              "            z.write(os.path.join(top, n), os.path.relpath(os.path.join(top, n), root))\n")
    with open(out, "wb") as f:
        writer = subprocess.Popen([sys.executable, "-c", script, root], stdout=subprocess.PIPE)
        shutil.copyfileobj(writer.stdout, f)
        assert writer.wait() == 0


def tree_inputs(root, folder, seven_zip, checks):
    """The tree archived by bsdtar, by Python's zipfile on a pipe (plain and
    with ZIP64 fields) and by 7-Zip into `folder`, and the tree itself: (label,
    path) for each."""
    subprocess.run(["bsdtar", "--format", "zip", "-cf", folder / "bsdtar.zip", "."], cwd=root, check=True)
    python_zip_to_pipe(root, folder / "python.zip")
    python_zip_to_pipe(root, folder / "python_zip64.zip", zip64=True)
    subprocess.run([seven_zip, "a", "-tzip", folder / "7z.zip", "."], cwd=root, check=True,
                   stdout=subprocess.DEVNULL)
    with zipfile.ZipFile(folder / "python.zip") as z:
        checks.expect(all(i.flag_bits & 8 for i in z.infolist() if not i.is_dir()), "python: data descriptors")
    streamed = (folder / "python_zip64.zip").read_bytes()
    checks.expect(LOCAL + b"\x2d\0\x08\0" in streamed and b"\xff" * 8 in streamed,
                  "python zip64: version 4.5, data descriptors, sizes 0xFFFFFFFF")
    return [("bsdtar", folder / "bsdtar.zip"), ("python", folder / "python.zip"),
            ("python zip64", folder / "python_zip64.zip"), ("7z", folder / "7z.zip"), ("folder", root)]


def check_tree(args, checks):
    with tempfile.TemporaryDirectory() as tmp:
        tmp = pathlib.Path(tmp)
        root = tmp / "tree"
        files, directories = make_tree(root)
        for label, path in tree_inputs(root, tmp, args.seven_zip, checks):
            bind_and_extract(args, checks, label, path, files, directories)
        # A folder is archived the same way every time; level 0 stores.
        sizes = {}
        for level in ("9", "0"):
            outputs = [bind(args, root, tmp / "again", "--level", level) and (tmp / "again").read_bytes() for _ in range(2)]
            checks.expect(outputs[0] == outputs[1], f"folder, level {level}: reproducible")
            sizes[level] = len(outputs[0])
        checks.expect(sizes["0"] > sizes["9"] + sum(len(c) for c, _ in files.values()) // 4, f"level 0 stores: {sizes}")
        # Links are refused by name, or followed on request.
        os.symlink("readme.txt", root / "link.txt")
        r = bind(args, root, tmp / "linked")
        checks.equal((r.returncode, r.stderr.decode().splitlines()[0]),
                     (1, "sfxbind: refused: link.txt: a symbolic link, which the archive cannot hold: replace it by "
                         "what it points to, or give --follow-links to store that"), "a symbolic link refused")
        files["link.txt"] = files["readme.txt"]
        bind_and_extract(args, checks, "followed link", root, files, directories, ["--follow-links"])


def make_mixed_tree(root):
    """About 20 MB: text, structured binary, repeats further back than 32 KiB,
    long runs, random data, small and empty files, with times on odd and even
    seconds. Returns the files (name: content, time) and the directories."""
    rng = random.Random(64)
    words = [bytes(rng.choices(b"etaoinshrdlucmfwyp", k=rng.randint(1, 9))) for _ in range(2000)]
    files = {"text/book.txt": b" ".join(rng.choices(words, k=1_200_000)),
             "text/small.txt": b"a small file\n", "empty.txt": b"",
             "bin/far.bin": rng.randbytes(50_000) * 60,
             "bin/zeros.bin": bytes(3_000_000),
             "bin/records.bin": b"".join(struct.pack("<IHd", i, i % 977, i / 7) for i in range(200_000)),
             "random/noise.dat": rng.randbytes(5_000_000)}
    files.update({f"small/f{i:02}.txt": (f"file {i}\n" * i).encode() for i in range(40)})
    return write_tree(root, files, ["text", "bin", "random", "small", "empty dir"], 1_500_000_000, 86413)


def deflate64_archive(root, out, seven_zip):
    """The folder archived by 7-Zip with Deflate64 (method 9; what it cannot
    shrink stored)."""
    subprocess.run([seven_zip, "a", "-tzip", "-mm=Deflate64", out, "."], cwd=root, check=True,
                   stdout=subprocess.DEVNULL)
    return out


def lzma_archives(root, folder, seven_zip):
    """The folder archived with LZMA (method 14) by 7-Zip with and without the
    end marker and by Python's zipfile (with it): (label, path, flag bit 1)
    for each."""
    env = dict(os.environ, TZ="UTC")  # DOS times in local time; the stub reads them as UTC
    made = []
    for label, method in (("7z lzma", "LZMA"), ("7z lzma eos=off", "LZMA:eos=off")):
        out = folder / (label.replace(" ", "_") + ".zip")
        subprocess.run([seven_zip, "a", "-tzip", f"-mm={method}", out, "."], cwd=root, env=env, check=True,
                       stdout=subprocess.DEVNULL)
        made.append((label, out, method == "LZMA"))
    out = folder / "python_lzma.zip"
    subprocess.run([sys.executable, "-c", "import os, sys, zipfile\n"
                    "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_LZMA) as z:\n"
                    "    for d, dirs, names in sorted(os.walk('.')):\n"
                    "        for n in sorted(dirs + names): z.write(os.path.join(d, n))", out],
                   cwd=root, env=env, check=True)
    return made + [("python lzma", out, True)]


def check_lzma(args, checks):
    with tempfile.TemporaryDirectory() as tmp:
        tmp = pathlib.Path(tmp)
        files, directories = make_tree(tmp / "tree")
        for label, archive, marker in lzma_archives(tmp / "tree", tmp, args.seven_zip):
            with zipfile.ZipFile(archive) as z:
                lzma = [i for i in z.infolist() if i.compress_type == 14]
                checks.expect(lzma and all(bool(i.flag_bits & 2) == marker for i in lzma),
                              f"{label}: method 14, flag bit 1 {'set' if marker else 'clear'}")
            bind_and_extract(args, checks, label, archive, files, directories)


def check_deflate64(args, checks):
    with tempfile.TemporaryDirectory() as tmp:
        tmp = pathlib.Path(tmp)
        files, directories = make_mixed_tree(tmp / "mixed")
        archive = deflate64_archive(tmp / "mixed", tmp / "deflate64.zip", args.seven_zip)
        with zipfile.ZipFile(archive) as z:
            checks.equal(sorted({i.compress_type for i in z.infolist() if i.file_size}), [0, 9],
                         "deflate64: 7-Zip wrote methods 9 and 0")
        bind_and_extract(args, checks, "deflate64", archive, files, directories)


TIME_ZONES = ("Europe/Berlin", "America/New_York", "UTC")
SEASONS = {"summer.txt": 1721048587, "winter.txt": 1705327387}  # 2024-07-15 13:03:07 and 01-15 14:03:07 UTC


def extracted_times(checks, label, args, archive, bound):
    """The Linux stub's modification times (name: seconds) for `archive`, bound into `bound`."""
    checks.equal(bind(args, archive, bound).returncode, 0, f"{label}: bound")
    folder = run_bound_stub(checks, label, bound, 0, "Extraction Complete 2 files processed")
    times = {name: int((folder / name).stat().st_mtime) for name in SEASONS}
    shutil.rmtree(folder)
    return times


def check_times(args, checks):
    for zone in TIME_ZONES:
        os.environ["TZ"] = zone  # for this process, the archivers, sfxbind and the stub alike
        time.tzset()
        with tempfile.TemporaryDirectory() as tmp:
            tmp, label = pathlib.Path(tmp), zone + ": "
            src = tmp / "src"
            src.mkdir()
            for name, when in SEASONS.items():
                (src / name).write_text(name)
                os.utime(src / name, (when, when))
            with zipfile.ZipFile(tmp / "python.zip", "w") as z:
                for name in SEASONS:
                    z.write(src / name, name)
            with zipfile.ZipFile(tmp / "python.zip") as z:  # the DOS times as stored: even seconds
                dos = {i.filename: time.mktime(i.date_time + (0, 0, -1)) for i in z.infolist()}
            checks.equal(extracted_times(checks, label + "zipfile", args, tmp / "python.zip", tmp / "bound"), dos,
                         label + "zipfile's DOS times taken as local time")
            subprocess.run(["bsdtar", "--format", "zip", "-cf", tmp / "bsdtar.zip", *SEASONS], cwd=src, check=True)
            subprocess.run(["bsdtar", "-xf", tmp / "bsdtar.zip", "-C", tmp], check=True)
            checks.equal(extracted_times(checks, label + "bsdtar", args, tmp / "bsdtar.zip", tmp / "bound"),
                         {n: int((tmp / n).stat().st_mtime) for n in SEASONS}, label + "bsdtar's exact times")
            checks.equal(extracted_times(checks, label + "folder", args, src, tmp / "folder"), SEASONS,
                         label + "the folder's times")
            with zipfile.ZipFile(tmp / "folder") as z:  # DOS times: even seconds, rounded down
                checks.equal({i.filename: i.date_time for i in z.infolist()},
                             {n: time.localtime(t - 1)[:6] for n, t in SEASONS.items()}, label + "zipfile lists local times")
            # 7-Zip shows the exact time in local time with the offset in force today (as on Windows).
            today = datetime.datetime.now().astimezone().utcoffset()
            listed = run([args.seven_zip, "l", "-slt", tmp / "folder"]).stdout.decode()
            checks.equal(re.findall(r"Modified = (.*)", listed),
                         [str(datetime.datetime.utcfromtimestamp(t) + today) for t in SEASONS.values()],
                         label + "7z l lists the exact local times")


def packed_zip(entries):
    """Entries (name, content, data, method, DOS time and date, CRC-32 or None),
    each with an extended-timestamp extra field, as a zipper writes a method
    Python's zipfile lacks."""
    data, central = bytearray(), bytearray()
    for name, content, packed, method, dos_time, dos_date, crc in entries:
        # The extended timestamp the DOS fields' own time, read as UTC (the checks run in UTC).
        exact = calendar.timegm(((dos_date >> 9) + 1980, dos_date >> 5 & 15, dos_date & 31, dos_time >> 11,
                                 dos_time >> 5 & 63, (dos_time & 31) * 2))
        name, extra = name.encode(), struct.pack("<HHBI", 0x5455, 5, 1, exact)
        header = struct.pack("<HHHHHIIIHH", 63, 0x800, method, dos_time, dos_date,
                             zlib.crc32(content) if crc is None else crc, len(packed), len(content), len(name), len(extra))
        central += (CENTRAL + struct.pack("<HH", 0x0314, 63) + header[2:] + struct.pack("<HHHII", 0, 0, 0, 0o100640 << 16, len(data))
                    + name + extra)
        data += LOCAL + header + name + extra + packed
    n = len(entries)
    return bytes(data + central + END + struct.pack("<HHHHIIH", 0, 0, n, n, len(central), len(data), 0))


def zstd_archive(files, out):
    """Every file compressed by the zstd program (with its checksum), methods 93
    and 20 in turn: Python 3.11's zipfile has no Zstandard."""
    entries = []
    for i, (name, (content, when)) in enumerate(sorted(files.items())):
        packed = subprocess.run(["zstd", "-q", "-19", "-c"], input=content, capture_output=True, check=True).stdout
        t = time.gmtime(when)
        entries.append((name, content, packed, (93, 20)[i % 2], t.tm_hour << 11 | t.tm_min << 5 | t.tm_sec // 2,
                        (t.tm_year - 1980) << 9 | t.tm_mon << 5 | t.tm_mday, None))
    out.write_bytes(packed_zip(entries))
    return out


def check_headers_kept(checks, label, original, bound):
    """Names, times, attributes, extra fields, CRC-32 and sizes as they were; the
    data LZMA (the default method) or stored."""
    with zipfile.ZipFile(original) as a, zipfile.ZipFile(bound) as b:
        fields = lambda i: (i.filename, i.date_time, i.external_attr, i.extra, i.CRC, i.file_size)
        checks.equal([fields(i) for i in b.infolist()], [fields(i) for i in a.infolist()], f"{label}: headers kept")
        methods = {i.compress_type for i in b.infolist()}
        checks.expect(14 in methods and methods <= {0, 14}, f"{label}: LZMA, stored where it does not shrink: {methods}")


def check_recompress(args, checks):
    with tempfile.TemporaryDirectory() as tmp:
        tmp = pathlib.Path(tmp)
        files, directories = make_tree(tmp / "tree")
        env = dict(os.environ, TZ="UTC")  # 7-Zip writes DOS times in local time; the stub reads them as UTC
        archives = []
        for method in ("BZip2", "XZ", "PPMd"):
            out = tmp / f"{method}.zip"
            subprocess.run([args.seven_zip, "a", "-tzip", f"-mm={method}", out, "."], cwd=tmp / "tree", env=env,
                           check=True, stdout=subprocess.DEVNULL)
            archives.append((method, out))
        archives.append(("Zstandard", zstd_archive(files, tmp / "zstd.zip")))
        for label, archive in archives:
            with zipfile.ZipFile(archive) as z:
                methods = {i.filename: i.compress_type for i in z.infolist() if i.compress_type not in (0, 8)}
            checks.expect(methods, f"{label}: the archive holds entries of the method")
            r = bind(args, archive, tmp / "refused")
            lines = r.stderr.decode().splitlines()
            checks.equal((r.returncode, (tmp / "refused").exists()), (1, False), f"{label}: refused without --recompress")
            for name, method in methods.items():
                checks.expect(f"sfxbind: refused: {name}: {method_refusal(method)}" in lines,
                              f"{label}: {name} refused with its method:\n" + "\n".join(lines))
            if label == "PPMd":
                r = bind(args, archive, tmp / "refused", "--recompress")
                checks.equal((r.returncode, r.stderr.decode().splitlines()[:-1]), (1, lines[:-1]),
                             "PPMd: refused as before with --recompress")
                continue
            # The zstd archive holds files only: no empty directories.
            made = [d for d in directories if label != "Zstandard" or any(f.startswith(d + "/") for f in files)]
            bind_and_extract(args, checks, label, archive, files, made, extra=("--recompress",))
            bound = tmp / f"{label}.bound"
            bind(args, archive, bound, "--recompress")
            check_headers_kept(checks, label, archive, bound)

        content = b"zstd " * 5000
        packed = subprocess.run(["zstd", "-q", "-c"], input=content, capture_output=True, check=True).stdout
        damaged = packed[:len(packed) // 2] + bytes([packed[len(packed) // 2] ^ 0x55]) + packed[len(packed) // 2 + 1:]
        for name, data, crc, reason in (
                ("damaged.txt", damaged, None, "its data does not decode (method 93 (Zstandard)): libzstd finds it damaged ("),
                ("wrong-crc.txt", packed, 0x12345678, "its data does not match its CRC-32 (12345678; the data gives "
                                                      f"{zlib.crc32(content):08X}): repair or re-create the archive")):
            (tmp / "bad.zip").write_bytes(packed_zip([(name, content, data, 93, 0, 0x21, crc)]))
            r = bind(args, tmp / "bad.zip", tmp / "bad", "--recompress")
            lines = r.stderr.decode().splitlines()
            checks.expect(r.returncode == 1 and not (tmp / "bad").exists() and
                          any(line.startswith(f"sfxbind: refused: {name}: {reason}") for line in lines),
                          f"{name}: refused: {lines}")


def zip_by_hand(entries, gaps, front=b"", offsets_from_file_start=True):
    """Stored entries (name, content, attributes) with `gaps[i]` bytes in front
    of entry i, after `front`; offsets count from the file's start or from the
    archive's."""
    data, central = bytearray(front), b""
    base = 0 if offsets_from_file_start else len(front)
    for (name, content, attributes), gap in zip(entries, gaps):
        data += gap
        offset = len(data) - base
        header = struct.pack("<HHHHHIIIHH", 20, 0, 0, 0x6020, 0x5A65, zlib.crc32(content), len(content), len(content),
                             len(name), 0)
        data += LOCAL + header + name.encode() + content
        central += (CENTRAL + struct.pack("<HH", 0x0314, 20) + header[2:] + struct.pack("<HHHII", 0, 0, 0, attributes, offset)
                    + name.encode())
    cd = len(data) - base
    return bytes(data + central + END + struct.pack("<HHHHIIH", 0, 0, len(entries), len(entries), len(central), cd, 0))


def check_layouts(args, checks):
    entries = [("dir", b"", 0x10), ("dir/one.txt", b"first entry\n" * 3, 0x20), ("two.txt", b"second\n", 0x20),
               ("unix dir", b"", (0o40755 << 16)), ("three.bin", bytes(range(256)), 0x20)]
    none = [b""] * len(entries)
    junk = [b"", b"", b"JUNK JUNK", b"", b"\0\0"]
    cases = [("89 bytes of padding", zip_by_hand(entries, none, b"P" * 89)),
             ("padding, offsets from the archive", zip_by_hand(entries, none, b"P" * 89, False)),
             ("unaligned first entry", zip_by_hand(entries, none, b"xy")),
             ("junk between entries", zip_by_hand(entries, junk)),
             ("attribute-only directories", zip_by_hand(entries, none))]
    with tempfile.TemporaryDirectory() as tmp:
        for label, archive in cases:
            path = pathlib.Path(tmp) / "in.zip"
            path.write_bytes(archive)
            with zipfile.ZipFile(path) as z:
                listed = z.infolist()
                files = {i.filename: (z.read(i), None) for i in listed if not i.external_attr & 0x10 and i.external_attr >> 16 != 0o40755}
                directories = [i.filename for i in listed if i.filename not in files]
            checks.equal(len(files) + len(directories), len(entries), f"{label}: what zipfile lists")
            bind_and_extract(args, checks, label, path, files, directories)

        # A local header the central directory no longer lists is named and left out.
        stale = zip_by_hand([("stale.txt", b"old", 0x20)], [b""])
        stale = stale[:stale.index(CENTRAL)]
        path = pathlib.Path(tmp) / "stale.zip"
        path.write_bytes(stale + zip_by_hand(entries[1:3], [b"", b""]))
        r = bind(args, path, pathlib.Path(tmp) / "out")
        checks.equal((r.returncode, r.stderr.decode()),
                     (0, "sfxbind: warning: stale.txt: local header at offset 0 that the central directory does not "
                         "list: not carried over\n"), "unlisted local header")
        with zipfile.ZipFile(pathlib.Path(tmp) / "out") as z:
            checks.equal(z.namelist(), ["dir/one.txt", "two.txt"], "unlisted local header: left out")


def check_interrupt(args, checks):
    with tempfile.TemporaryDirectory() as tmp:
        tmp = pathlib.Path(tmp)
        (tmp / "in").mkdir()
        rng = random.Random(25)
        for i in range(8):  # random bytes deflate slowly at level 9: seconds to interrupt in
            (tmp / "in" / f"part{i}.bin").write_bytes(rng.randbytes(8 << 20))
        out = tmp / "out"
        out.mkdir()
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT, signal.SIGPIPE, signal.SIGUSR1):
            binding = subprocess.Popen([args.sfxbind, tmp / "in", "-o", out / "setup", "--stub", args.stub],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            deadline = time.monotonic() + 30
            while not any(p.stat().st_size > 0 for p in out.iterdir()) and time.monotonic() < deadline:
                time.sleep(0.01)
            started = binding.poll() is None and any(out.iterdir())
            binding.send_signal(sig)
            status = binding.wait(timeout=60)
            if checks.expect(started, f"{sig.name}: interrupted while writing"):
                checks.equal(status, -sig, f"{sig.name}: ended by the signal")
            checks.equal(list(out.iterdir()), [], f"{sig.name}: nothing left behind")

        status, shown = progress_on_terminal(args, tmp / "in", out / "setup")
        lines = [line for line in shown.split("\r") if line.strip()]
        done = [float(line.split()[1]) for line in lines]
        checks.expect(status == 0 and len(lines) >= 2 and
                      all(re.fullmatch(r"sfxbind: [0-9.]+ of 67\.1 MB, [0-8] of 8 entries *", line) for line in lines),
                      f"progress lines: {lines}")
        checks.equal(done, sorted(done), "progress only moves forward")
        checks.expect(shown.endswith("\r"), f"the progress line is cleared: {shown[-80:]!r}")


def zip_of(path, *entries):
    """Entries (name, data, Unix mode or None) written by Python's zipfile."""
    with zipfile.ZipFile(path, "w") as z:
        for name, data, mode in entries:
            info = zipfile.ZipInfo(name)
            if mode is not None:
                info.create_system, info.external_attr = 3, mode << 16
            z.writestr(info, data)
    return path


def long_directory_zip(path):
    """A directory known only by its attributes, named by 65,535 bytes."""
    info = zipfile.ZipInfo("d" * 65535)
    info.external_attr = 0x10
    with zipfile.ZipFile(path, "w") as z:
        z.writestr(info, b"")
    return path


def sparse_count_zip(path):
    """50 GB of holes ending in ZIP64 end records that claim a central
    directory of all of it, with as many entries as 46-byte headers fit."""
    size = 50 << 30
    tail = struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, 0, 0, 0, 0)
    directory = size - len(tail) - 20 - 22
    tail = struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, directory // 46, directory // 46, directory, 0)
    tail += struct.pack("<IIQI", 0x07064B50, 0, directory, 1)
    tail += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
    with open(path, "wb") as f:
        f.truncate(size - len(tail))
        f.seek(size - len(tail))
        f.write(tail)
    return path


def memory_limit(program):
    """ulimit -v 512 MB for the run, unless AddressSanitizer (which reserves
    terabytes of address space at start) is built in, or the program is an
    i386 one that qemu-user runs (the kernel cannot): qemu reserves the whole
    4 GiB guest space at start. A count reserved before it is checked still
    fails there, as no 32-bit program can hold 50 GB."""
    image = pathlib.Path(program).read_bytes()
    qemu = pathlib.Path("/proc/sys/fs/binfmt_misc/qemu-i386")
    if b"__asan_init" in image or (image[4] == 1 and qemu.exists() and qemu.read_text().startswith("enabled")):
        return None
    import resource
    return lambda: resource.setrlimit(resource.RLIMIT_AS, (512 << 20, 512 << 20))


def check_recipient(args, checks):
    """One row per way a self-extractor could fail where it lands: what the
    binder says, its status, and that it leaves no output and no temporary file."""
    windows_stub = "MZ a Windows stub"
    refuse = "sfxbind: refused: "
    with tempfile.TemporaryDirectory() as tmp:
        tmp = pathlib.Path(tmp)
        (tmp / "windows_stub").write_bytes(windows_stub.encode())
        (tmp / "tree" / "Docs").mkdir(parents=True)
        (tmp / "tree" / "Docs" / "a.txt").write_text("a")
        (tmp / "tree" / "docs").write_text("a file")
        (tmp / "bsdtar").mkdir()
        (tmp / "bsdtar" / "setup").write_bytes(b"#!/bin/sh\n")
        (tmp / "bsdtar" / "setup").chmod(0o755)
        run(["bsdtar", "-c", "-f", tmp / "bsdtar.zip", "--format", "zip", "."], cwd=tmp / "bsdtar")
        (tmp / "linked").mkdir()
        (tmp / "linked" / "into").symlink_to(tmp / "out")  # the output folder, made for each row
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")  # zipfile warns of the duplicate it writes
            duplicate = zip_of(tmp / "duplicate.zip", ("x.txt", b"first", None), ("x.txt", b"second", None))
        rows = [
            ("a and a/b", zip_of(tmp / "levels.zip", ("a", b"file", None), ("a/b", b"below it", None)), [], None, 1,
             refuse + "a/b: its level \"a\" is the file a: the self-extractor cannot make that directory "
             "(\"Unable to create output directory\"): rename one of them"),
            ("duplicate x.txt", duplicate, [], None, 1,
             refuse + "x.txt: a second entry of this name: the self-extractor writes it over the first: "
             "rename one of them"),
            ("Docs/ and docs, Win32 stub", tmp / "tree", [], tmp / "windows_stub", 1,
             refuse + "docs: differs from Docs/ only in case, which Windows does not tell apart: the "
             "self-extractor cannot write both: rename one of them"),
            ("Docs/ and docs, Linux stub", tmp / "tree", [], None, 0, "sfxbind: wrote"),
            ("bsdtar's ./setup, --run setup", tmp / "bsdtar.zip", ["--run", "setup"], None, 0, "sfxbind: wrote"),
            ("mode 0755 without type bits", zip_of(tmp / "modes.zip", ("setup", b"#!/bin/sh\n", 0o755)),
             ["--run", "setup"], None, 2,
             "sfxbind: --run names setup, which would not be a program once extracted (a regular file with an "
             "execute bit in its Unix mode): chmod +x it and bind again"),
            ("65,535-byte name, --force", long_directory_zip(tmp / "long.zip"), ["--force"], None, 2,
             f"sfxbind: {tmp / 'long.zip'}: a name of 65536 bytes (beginning {'d' * 40}) does not fit a ZIP "
             "header, which holds at most 65,535: shorten it"),
            ("output reached through a followed link", tmp / "linked", ["--follow-links"], None, 2,
             f"sfxbind: the output {tmp / 'out' / 'setup'} lies inside the folder {tmp / 'linked'}: write it "
             "elsewhere"),
            ("crafted count, sparse 50 GB, ulimit -v", sparse_count_zip(tmp / "sparse.zip"), [], None, 2,
             f"sfxbind: {tmp / 'sparse.zip'}: damaged ZIP file: the central directory is cut short"),
        ]
        limited = memory_limit(args.sfxbind)
        for label, source, extra, stub, status, first_line in rows:
            out = tmp / "out"
            out.mkdir()
            r = subprocess.run([str(c) for c in [args.sfxbind, source, "-o", out / "setup", "--stub",
                                                 stub or args.stub, *extra]],
                               capture_output=True, timeout=120, preexec_fn=limited)
            said = (r.stdout + r.stderr).decode(errors="replace").splitlines()
            checks.equal((r.returncode, said[0][:len(first_line)] if said else ""), (status, first_line), label)
            left = sorted(p.name for p in out.iterdir())
            checks.equal(left, ["setup"] if status == 0 else [], f"{label}: what is left in the output folder")
            shutil.rmtree(out)


def progress_on_terminal(args, folder, out):
    """What the binder writes to standard error when that is a terminal."""
    master, slave = pty.openpty()
    # Deflate: the progress line, not LZMA's minute of work, is what this watches.
    binding = subprocess.Popen([args.sfxbind, folder, "-o", out, "--stub", args.stub, "--method", "deflate"], stderr=slave,
                               stdout=subprocess.DEVNULL)
    os.close(slave)
    shown = b""
    while select.select([master], [], [], 30)[0]:
        try:
            chunk = os.read(master, 4096)
        except OSError:  # the binder has closed the terminal
            break
        if not chunk:
            break
        shown += chunk
    os.close(master)
    return binding.wait(timeout=60), shown.decode()


def check_many_files(args, checks):
    """70,000 files in 70 folders: past the 65,535 entries an end record counts."""
    with tempfile.TemporaryDirectory() as tmp:
        root = pathlib.Path(tmp) / "many"
        files = {}
        for folder in range(70):
            (root / f"d{folder:02}").mkdir(parents=True)
            for i in range(1000):
                name = f"d{folder:02}/f{i:03}.txt"
                files[name] = (f"file {folder} {i}\n".encode() * (i % 7), None)
                (root / name).write_bytes(files[name][0])
        directories = [f"d{folder:02}" for folder in range(70)]
        bound_in, extracted_in = bind_and_extract(args, checks, "70,000 files", root, files, directories, timeout=3000)
        print(f"70,000 files: bound in {bound_in:.1f} s, extracted in {extracted_in:.1f} s")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sfxbind", type=pathlib.Path, required=True)
    parser.add_argument("--stub", type=pathlib.Path, required=True, help="the Linux stub")
    parser.add_argument("--corpus", type=pathlib.Path, required=True)
    parser.add_argument("--sample", type=pathlib.Path, required=True, help="the examples folder")
    parser.add_argument("--seven-zip", default="7z")
    parser.add_argument("check", choices=["round-trip", "refusals", "bad-inputs", "stubs", "zip64", "tree", "layouts",
                                          "deflate64", "lzma", "recompress", "interrupt", "recipient",
                                          "many-files", "times"])
    args = parser.parse_args()
    if not shutil.which(args.seven_zip):
        sys.exit(f"7z not found ({args.seven_zip}): tools/install-deps.sh installs p7zip-full")
    # One offset all year: 7-Zip writes DOS times with today's, the stub reads
    # them with the date's (the times check sets its own zones).
    os.environ["TZ"] = "UTC"
    checks = Checks()
    {"round-trip": check_round_trip, "refusals": check_refusals, "bad-inputs": check_bad_inputs,
     "stubs": check_stubs, "zip64": check_zip64, "tree": check_tree, "layouts": check_layouts,
     "deflate64": check_deflate64, "lzma": check_lzma, "recompress": check_recompress, "interrupt": check_interrupt, "recipient": check_recipient, "many-files": check_many_files,
     "times": check_times}[args.check](args, checks)
    sys.exit(checks.report(args.check))


if __name__ == "__main__":
    main()
