#!/usr/bin/env bash
# The whole job in one step: installs what is missing, builds both stubs and
# the binding tool, binds the folder examples/sample/ into a Win32 and a Linux
# self-extractor under out/, and runs the Linux one into a fresh folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake --preset win32 >/dev/null
# Only the programs this job runs: the tests are tools/test.sh's.
cmake --build --preset win32 -j"$(nproc)" --target sfxstub
cmake --preset host >/dev/null
cmake --build --preset host -j"$(nproc)" --target sfxstub sfxbind

mkdir -p out
build/host/sfxbind examples/sample -o out/sample-setup.exe
build/host/sfxbind examples/sample -o out/sample-setup --stub build/host/sfxstub
ls -l out/sample-setup.exe out/sample-setup

# The self-extractor extracts next to itself: give it a fresh folder.
rm -rf out/run
mkdir -p out/run
cp out/sample-setup out/run/
(cd out/run && printf 'ok\n' | ./sample-setup)
echo
echo "Extracted into out/run:"
find out/run -path out/run/sample-setup -prune -o -type f -print | sort
