#!/usr/bin/env python3
"""temp_signals_test.py STUB SFXBIND: a --temp self-extractor ended by SIGINT while
extracting, SIGTERM while its program runs (which gets it too) or SIGINT at its prompt
leaves nothing in $TMPDIR, though the program leaves a read-only folder and a link out
(not followed). As root, the stub runs as nobody, for whom read-only holds."""
import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time

SETUP = """#!/bin/sh
mkdir -p ro/sub && echo x > ro/sub/file && ln -s "$OUTSIDE" ro/outside
chmod 500 ro/sub ro
trap 'kill $! 2>/dev/null; echo TERM > "$RECORD"; exit 3' TERM
echo started > "$RECORD"
[ "$1" = wait ] && { sleep 30 & wait; }
exit 0
"""


def force_remove(folder):
    """Read-only folders made writable first; links are not followed."""
    for root, dirs, _ in os.walk(folder):
        for path in (os.path.join(root, name) for name in dirs):
            if not os.path.islink(path):
                os.chmod(path, stat.S_IRWXU)
    shutil.rmtree(folder, ignore_errors=True)


def wait_for(condition, what, seconds=20):
    end = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.001)


def main():
    stub, sfxbind = sys.argv[1:3]
    work = tempfile.mkdtemp(prefix="sfx-signals-")
    os.chmod(work, 0o777)
    user = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] if os.geteuid() == 0 else []
    try:
        app = os.path.join(work, "app")
        os.makedirs(app)
        with open(os.path.join(app, "payload.bin"), "wb") as f:
            f.write(os.urandom(64 << 20))
        with open(os.path.join(app, "setup"), "w") as f:
            f.write(SETUP)
        os.chmod(os.path.join(app, "setup"), 0o755)
        program = os.path.join(work, "install")
        subprocess.run([sfxbind, app, "-o", program, "--stub", stub, "--level", "0", "--run",
                        "setup", "--temp"], check=True, stdout=subprocess.DEVNULL)
        shutil.rmtree(app)
        tmp, outside, record = (os.path.join(work, n) for n in ("tmp", "outside", "record"))
        for folder in (tmp, outside):
            os.makedirs(folder)
            os.chmod(folder, 0o777)
        with open(os.path.join(outside, "keep"), "w") as f:
            f.write("kept\n")
        env = dict(os.environ, TMPDIR=tmp, OUTSIDE=outside, RECORD=record)

        def temp_file(name):
            return lambda: any(os.path.exists(os.path.join(tmp, d, name)) for d in os.listdir(tmp))

        def recorded(text):
            return lambda: os.path.exists(record) and open(record).read() == text

        # (what, arguments, when to send, signal, exit the process must have)
        cases = [
            ("SIGINT while extracting", ["/S"], temp_file("payload.bin"), signal.SIGINT, -signal.SIGINT),
            ("SIGTERM while the program runs", ["/S", "--", "wait"], recorded("started\n"), signal.SIGTERM,
             -signal.SIGTERM),
            ("SIGINT at the console prompt", [], lambda: os.listdir(tmp), signal.SIGINT, -signal.SIGINT),
            ("run to its end", ["/S"], None, None, 0),
        ]
        failures = []
        for what, arguments, ready, sent, expected in cases:
            if os.path.exists(record):
                os.remove(record)
            process = subprocess.Popen([*user, program, *arguments], env=env, stdin=subprocess.PIPE,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=work)
            if ready:
                wait_for(ready, what)
                if what.startswith("SIGINT at"):
                    time.sleep(0.3)  # the listing is shown, the prompt waits
                process.send_signal(sent)
            status = process.wait(timeout=60)
            left = os.listdir(tmp)
            if status != expected or left:
                failures.append(f"{what}: ended {status} (want {expected}), left {left} in $TMPDIR")
            if sent == signal.SIGTERM and not recorded("TERM\n")():
                failures.append(f"{what}: the program did not get the signal")
            if not os.path.exists(os.path.join(outside, "keep")):
                failures.append(f"{what}: the removal followed a link out")
            for d in left:  # the next case starts clean
                force_remove(os.path.join(tmp, d))
        for failure in failures:
            print("FAILED:", failure, file=sys.stderr)
        print(f"{len(cases) - len(failures)} of {len(cases)} runs left nothing behind")
        return 1 if failures else 0
    finally:
        force_remove(work)


if __name__ == "__main__":
    sys.exit(main())
