#!/usr/bin/env python3
"""Builds the Win32 stub twice from this source tree, in two fresh build
folders of different names and lengths, and checks that both come out
byte-identical to each other and to the stub of the build that runs the test.

  reproducible_stub.py SOURCE REFERENCE_STUB -- CMAKE_CONFIGURE_ARGUMENTS...

Prints the stub's SHA-256, the figure the README gives."""
import hashlib
import os
import subprocess
import sys
import tempfile


def build_stub(source, folder, configure):
    subprocess.run(["cmake", "-S", source, "-B", folder, "-DSFX_BUILD_TESTS=OFF", *configure],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", folder, "--target", "sfxstub", "-j2"], check=True,
                   stdout=subprocess.DEVNULL)
    with open(os.path.join(folder, "sfxstub.exe"), "rb") as f:
        return f.read()


def main():
    source, reference = sys.argv[1], sys.argv[2]
    configure = sys.argv[sys.argv.index("--") + 1:]
    with tempfile.TemporaryDirectory(prefix="sfx-repro-") as top:
        first = build_stub(source, os.path.join(top, "a"), configure)
        second = build_stub(source, os.path.join(top, "second-build-folder", "deeper"), configure)
    with open(reference, "rb") as f:
        built = f.read()
    digests = {name: hashlib.sha256(data).hexdigest()
               for name, data in (("first", first), ("second", second), ("reference", built))}
    for name, digest in digests.items():
        print(f"{name}: {digest}")
    if len(set(digests.values())) != 1:
        print("FAILED: the stubs differ", file=sys.stderr)
        return 1
    print(f"sfxstub.exe: {len(built)} bytes, SHA-256 {digests['reference']}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
