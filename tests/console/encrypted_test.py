#!/usr/bin/env python3
"""Encrypted archives from 7-Zip and bsdtar (ZipCrypto, AES-128/192/256; stored,
deflated, Deflate64), bound by sfxbind and extracted by the Linux stub with the
password given as a switch and typed at its prompt; wrong passwords, damaged
data and the corpus's ZipCrypto archive."""
import argparse, hashlib, json, os, pathlib, random, subprocess, sys, tempfile, zipfile

PASSWORD = "SECRET"
TIME = 1620284890  # 2021-05-06 07:08:10 UTC: even seconds, as DOS times hold them
# 7-Zip writes AE-2 throughout; bsdtar AE-1 from 20 bytes up, AE-2 below, with data descriptors.
ROWS = ([("7z", m, c) for m in ("ZipCrypto", "AES128", "AES192", "AES256") for c in ("Copy", "Deflate", "Deflate64")]
        + [("bsdtar", e, c) for e in ("zipcrypt", "aes128", "aes256") for c in ("store", "deflate")])
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def make_files(folder):
    rng = random.Random(35)
    files = {"tiny.txt": b"under twenty\n", "text.txt": b"".join(b"line %d of the text\n" % i for i in range(4000)),
             "sub/noise.bin": bytes(rng.getrandbits(8) for _ in range(70000))}
    for name, data in files.items():
        (folder / name).parent.mkdir(parents=True, exist_ok=True)
        (folder / name).write_bytes(data)
        os.utime(folder / name, (TIME, TIME))
    return files


def make_archive(writer, cipher, compression, src, out):
    names = ["tiny.txt", "text.txt", "sub/noise.bin"]
    if writer == "7z":
        command = ["7z", "a", "-tzip", "-p" + PASSWORD, "-mem=" + cipher, "-mm=" + compression, str(out)] + names
    else:
        command = ["bsdtar", "--options", f"zip:encryption={cipher},zip:compression={compression}",
                   "--passphrase", PASSWORD, "--format", "zip", "-cf", str(out)] + names
    subprocess.run(command, cwd=src, check=True, capture_output=True)


def wrong_passwords(archive):
    """Wrong passwords that fail every ZipCrypto entry's check byte (the stub takes the CRC-32's or the DOS
    time's high byte), which one wrong password in a hundred or so passes; AES verifiers fail but 1 in 65,536."""
    with zipfile.ZipFile(archive) as z, open(archive, "rb") as f:
        headers = []
        for i in z.infolist():
            if i.compress_type != 99:
                f.seek(i.header_offset + 26)
                skip = int.from_bytes(f.read(2), "little") + int.from_bytes(f.read(2), "little")
                f.seek(skip, 1)
                headers.append((f.read(12), {i.CRC >> 24, (i._raw_time >> 8) & 0xFF}))
    fits = lambda p: any(zipfile._ZipDecrypter(p.encode())(h)[11] in checks for h, checks in headers)
    return (p for p in (f"bad{n}" for n in range(1000)) if not fits(p))


def run(program, args, stdin=b""):
    return subprocess.run([str(program)] + args, input=stdin, capture_output=True, timeout=120)


def same_files(files, target, label):
    for name, data in files.items():
        out = target / name
        check(out.is_file() and out.read_bytes() == data, f"{label}: {name} byte-exact")
        check(out.is_file() and int(out.stat().st_mtime) == TIME, f"{label}: {name} has its DOS time")


def flip_in_data(bound, name):
    """A byte flipped in the middle of the entry's data (past its salt and verifier or header)."""
    data = bytearray(bound.read_bytes())
    at = data.index(name.encode())
    data[at + len(name) + 2000] ^= 0x10
    bound.write_bytes(data)


def check_row(args, tmp, files, row):
    writer, cipher, compression = row
    label = "/".join(row)
    archive, bound = tmp / f"{label.replace('/', '_')}.zip", tmp / f"{label.replace('/', '_')}.sfx"
    make_archive(writer, cipher, compression, tmp / "src", archive)
    # The binder decrypts and checks every entry with the password, refuses a wrong one, and says
    # how many it could not check without one.
    sfxbind = [args.sfxbind, archive, "-o", bound, "--stub", args.stub]
    wrong_password = wrong_passwords(archive)
    r = subprocess.run(sfxbind + ["--password", next(wrong_password)], capture_output=True)
    check(r.returncode == 1 and b"the password given does not open it" in r.stderr and not bound.exists(),
          f"{label}: a wrong password refused ({r.stderr.decode()})")
    r = subprocess.run(sfxbind, capture_output=True)
    check(r.returncode == 0 and b"note: 3 encrypted entries could not be checked" in r.stderr, f"{label}: unchecked")
    r = subprocess.run(sfxbind + ["--password-file", tmp / "password"], capture_output=True)
    check(r.returncode == 0 and r.stderr == b"", f"{label}: bound ({r.stderr.decode()})")
    r = subprocess.run([args.sfxbind, "--verify", bound, "--stub", args.stub, "--password-file", tmp / "password"],
                       capture_output=True)
    check(b"(3 entries decoded and checked" in r.stdout, f"{label}: verified ({r.stdout.decode()})")
    given, typed, wrong = tmp / label / "given", tmp / label / "typed", tmp / label / "wrong"
    r = run(bound, ["--silent", "--password=" + PASSWORD, f"--target={given}"])
    check(r.returncode == 0, f"{label}: /PASSWORD= status {r.returncode} {r.stderr.decode()}")
    same_files(files, given, label + " given")
    r = run(bound, [f"--target={typed}"], f"ok\n{PASSWORD}\n".encode())
    check(r.returncode == 0 and b"] Extraction Complete 3 files processed" in r.stdout, f"{label}: typed")
    same_files(files, typed, label + " typed")
    # Three wrong tries then Yes, for each entry: skipped, and the files already there stay.
    (wrong / "sub").mkdir(parents=True)
    for name in files:
        (wrong / name).write_bytes(b"kept")
    tries = "".join(f"{next(wrong_password)}\n" * 3 + "y\n" for _ in files)
    r = run(bound, [f"--target={wrong}"], b"ok\n" + tries.encode())
    check(r.stdout.count(b"Password: ") == 3 * len(files), f"{label}: asked three times per entry")
    check(r.returncode == 0 and b"] Nothing Extracted - Bound Zip File Not Present" in r.stdout, f"{label}: skipped")
    check(all((wrong / n).read_bytes() == b"kept" for n in files), f"{label}: existing files untouched")
    r = run(bound, ["--silent", "--password=" + next(wrong_password), f"--target={tmp / label / 'unattended'}"])
    check(r.returncode == 2 and not any((tmp / label / "unattended" / n).exists() for n in files),
          f"{label}: a wrong password unattended skips (status {r.returncode})")
    if compression in ("Copy", "store"):
        flip_in_data(bound, "sub/noise.bin")
        flipped = tmp / label / "flipped"
        (flipped / "sub").mkdir(parents=True)
        (flipped / "sub" / "noise.bin").write_bytes(b"kept")
        r = run(bound, ["--silent", "--password=" + PASSWORD, f"--target={flipped}"])
        check(r.returncode == 1 and b"CRC error -- SFX stopped" in r.stderr, f"{label}: a flipped byte stops the run")
        check(sorted(p.name for p in (flipped / "sub").iterdir()) == ["noise.bin"] and
              (flipped / "sub" / "noise.bin").read_bytes() == b"kept", f"{label}: the existing file untouched")


def check_corpus(args, tmp):
    manifest = json.loads((args.corpus / "manifest.json").read_text())["archives"]
    archive = next(a for a in manifest if a["file"] == "a20_zipcrypto_7zip.zip")
    bound = tmp / "a20.sfx"
    subprocess.run([args.sfxbind, args.corpus / archive["file"], "-o", bound, "--stub", args.stub],
                   check=True, capture_output=True)
    r = run(bound, ["--silent", "--password=" + PASSWORD, f"--target={tmp / 'a20'}"])
    check(r.returncode == 0, f"a20: status {r.returncode}")
    for e in archive["entries"]:
        if not e["is_directory"]:
            out = tmp / "a20" / e["name"]
            check(out.is_file() and hashlib.sha256(out.read_bytes()).hexdigest() == e["sha256"], f"a20: {e['name']}")


def check_folder_encrypted(args, tmp, files):
    """sfxbind FOLDER --encrypt: read by 7-Zip (and, deflated, by bsdtar, whose
    3.6 reader takes no LZMA inside AES) with the password, extracted by the stub."""
    for method in ("lzma", "deflate"):
        label, bound = f"--encrypt --method {method}", tmp / f"encrypted-{method}.sfx"
        subprocess.run([args.sfxbind, tmp / "src", "-o", bound, "--stub", args.stub, "--encrypt", "--method", method,
                        "--password-file", tmp / "password"], check=True, capture_output=True)
        r = subprocess.run(["7z", "t", "-p" + PASSWORD, bound], capture_output=True)
        check(b"Everything is Ok" in r.stdout, f"{label}: 7z t")
        if method == "deflate":
            (tmp / "unpacked").mkdir()
            subprocess.run(["bsdtar", "-xf", bound, "--passphrase", PASSWORD, "-C", tmp / "unpacked"])
            same_files(files, tmp / "unpacked", f"{label}: bsdtar")
        r = run(bound, [f"--target={tmp / method}"], f"ok\n{PASSWORD}\n".encode())
        check(r.returncode == 0 and r.stdout.count(b"Password: ") == 1, f"{label}: asked once")
        same_files(files, tmp / method, f"{label}: stub")


def check_directory_between(args, tmp):
    """A directory's entry (not encrypted) between encrypted ones: the keys of those after it are made ahead too."""
    files = {"a.txt": b"first " * 100, "b/c.txt": b"second " * 100, "d.txt": b"third " * 100}
    for name, data in files.items():
        (tmp / "between" / name).parent.mkdir(parents=True, exist_ok=True)
        (tmp / "between" / name).write_bytes(data)
    bound = tmp / "between.sfx"
    subprocess.run([args.sfxbind, tmp / "between", "-o", bound, "--stub", args.stub, "--encrypt", "--password-file",
                    tmp / "password"], check=True, capture_output=True)
    r = run(bound, ["--silent", "--password=" + PASSWORD, f"--target={tmp / 'between-out'}"])
    check(r.returncode == 0 and all((tmp / "between-out" / n).read_bytes() == d for n, d in files.items()),
          "a directory between encrypted entries")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--sfxbind", "--stub", "--corpus"):
        parser.add_argument(option, type=pathlib.Path, required=True)
    args = parser.parse_args()
    os.environ["TZ"] = "UTC"
    with tempfile.TemporaryDirectory() as name:
        tmp = pathlib.Path(name)
        files = make_files(tmp / "src")
        (tmp / "password").write_text(PASSWORD + "\n")
        for row in ROWS:
            check_row(args, tmp, files, row)
        check_corpus(args, tmp)
        check_folder_encrypted(args, tmp, files)
        check_directory_between(args, tmp)
    print(f"encrypted: {len(ROWS)} archives, {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
