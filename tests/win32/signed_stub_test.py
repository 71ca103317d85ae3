#!/usr/bin/env python3
"""A signed self-extractor still verifies and still extracts.

  signed_stub_test.py PREFIX --sfxbind SFXBIND.EXE --driver DRIVER.EXE
                      --corpus DIR --archive NAME --work DIR

sfxbind.exe (under Wine, with its built-in stub) binds a corpus archive; the
result is signed with osslsigncode and a throw-away self-signed certificate.
The signature must verify, the signed file must still be a ZIP file, and the
self-extractor, started under Wine and driven through its dialog, must
extract every entry as the manifest says. The certificate table that signing
appends lies after the archive's end record: the walk steps over it.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wine_run  # noqa: E402  (the Wine session, the dialog driver and the checks)
from wine_run import Failure, check, check_equal, value  # noqa: E402


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, timeout=300, **kwargs)


def run_wine(session, exe, arguments, cwd, env=None):
    """Runs a console program under Wine (in the session's environment unless
    `env` is given); output through files, since Wine's helper processes may
    hold on to a pipe. Returns (status, output)."""
    log = os.path.join(cwd, os.path.basename(exe) + ".log")
    with open(log, "wb") as out:
        status = subprocess.run(["wine", exe, *arguments], cwd=cwd, env=env or session.env, stdin=subprocess.DEVNULL,
                                stdout=out, stderr=out, timeout=300).returncode
    with open(log, "rb") as f:
        return status, f.read().decode("utf-8", "replace")


def make_certificate(work):
    """A self-signed code-signing certificate valid for two days."""
    key, cert = os.path.join(work, "key.pem"), os.path.join(work, "cert.pem")
    r = run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
             "-days", "2", "-subj", "/CN=sfxbind signing test", "-addext", "extendedKeyUsage=codeSigning"])
    check(r.returncode == 0, f"openssl could not make the certificate: {r.stderr}")
    return key, cert


def verify(signed, cert):
    return run(["osslsigncode", "verify", "-CAfile", cert, "-in", signed])


def signed_case(args):
    shutil.rmtree(args.work, ignore_errors=True)
    app_dir, start_dir = os.path.join(args.work, "app"), os.path.join(args.work, "start")
    os.makedirs(app_dir)
    os.makedirs(start_dir)
    with open(os.path.join(args.corpus, "manifest.json"), encoding="utf-8") as f:
        archive = next(a for a in json.load(f)["archives"] if a["file"] == args.archive)
    caption = os.path.splitext(args.archive)[0] + ".exe"
    unsigned = os.path.join(args.work, "unsigned.exe")
    signed = os.path.join(app_dir, caption)

    session = wine_run.Session(args.prefix, args.work)
    process = None
    try:
        # Relative names: sfxbind.exe sees them as Windows paths in its current directory.
        shutil.copy(os.path.join(args.corpus, args.archive), os.path.join(args.work, args.archive))
        status, output = run_wine(session, args.sfxbind, [args.archive, "-o", "unsigned.exe"], args.work)
        check_equal(status, 0, f"sfxbind.exe status ({output.strip()})")

        key, cert = make_certificate(args.work)
        check(verify(unsigned, cert).returncode != 0, "an unsigned file passed verification")
        r = run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-n", "sfxbind signing test",
                 "-in", unsigned, "-out", signed])
        check_equal(r.returncode, 0, f"osslsigncode sign ({r.stdout.strip()} {r.stderr.strip()})")
        r = verify(signed, cert)
        check(r.returncode == 0, f"the signed self-extractor does not verify:\n{r.stdout}{r.stderr}")
        with zipfile.ZipFile(signed) as z, zipfile.ZipFile(os.path.join(args.corpus, args.archive)) as o:
            check_equal(z.namelist(), o.namelist(), "entries of the signed file read as a ZIP file")

        process = session.start(signed, start_dir, "stub.log")
        facts = session.drive(args.driver, caption, "ok", "box", "ok", "gone")
        check_equal(value(facts, "box_caption"), caption, "caption of the closing box")
        check_equal(value(facts, "box_text"), archive["expected_run"]["final_message"], "closing message")
        check_equal(process.wait(timeout=120), 0, "exit status after OK")
        wine_run.check_extracted(archive, app_dir, signed)
    finally:
        if process and process.poll() is None:
            process.kill()
        session.close()
    print(f"signed {args.archive}: passed")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("prefix")
    parser.add_argument("--sfxbind", required=True)
    parser.add_argument("--driver", required=True)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--archive", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    for name in ("prefix", "sfxbind", "driver", "corpus", "work"):
        setattr(args, name, os.path.abspath(getattr(args, name)))
    for tool in ("openssl", "osslsigncode"):
        if not shutil.which(tool):
            print(f"FAILED: {tool} is not installed (tools/install-deps.sh installs it)", file=sys.stderr)
            return 1
    wine_run.require_wine()
    try:
        signed_case(args)
    except Failure as e:
        print("FAILED:", e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
