#!/usr/bin/env python3
"""Encrypted extraction against the same input unencrypted, end to end: the
benchmark's mixed input tree (sfx_bench_corpus, as bench/run.sh makes it)
archived by 7-Zip (deflate) once without and once with AES-256
(-mem=AES256), bound by sfxbind into the Linux stub (x86-64 and host32),
each extracted with /PASSWORD= in alternating runs, medians; then the
per-entry key derivation of 10,000 small AES-256 files, the stub against
`7z x` on the same archive. BUILD and BUILD32 are bench/run.sh's builds
(build/bench and build/bench32).

usage: encrypted_bench.py BUILD BUILD32 [--size-mib 64] [--seed 1] [--reps 9] [--small-files 10000 (0: none)]
"""
import argparse, pathlib, shutil, statistics, subprocess, sys, tempfile, time

from run_bench import NOT_NATIVE, runs_natively

PASSWORD = "SECRET"


def timed_once(command, cwd):
    out = cwd / "out"
    shutil.rmtree(out, ignore_errors=True)
    started = time.perf_counter()
    r = subprocess.run(command + ([f"--target={out}"] if "sfx" in command[0] else [f"-o{out}"]), cwd=cwd,
                       capture_output=True)
    wall = time.perf_counter() - started
    if r.returncode != 0:
        sys.exit(f"{command[0]} failed: {r.stderr.decode()[-300:]}")
    return wall


def timed(command, cwd, reps):
    return statistics.median(timed_once(command, cwd) for _ in range(reps))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", type=pathlib.Path)
    parser.add_argument("build32", type=pathlib.Path)
    parser.add_argument("--size-mib", type=int, default=64)
    parser.add_argument("--seed", type=int, default=1, help="the input generator's seed, as bench/run.sh's")
    parser.add_argument("--reps", type=int, default=9)
    parser.add_argument("--small-files", type=int, default=10000)
    args = parser.parse_args()
    sfxbind = args.build.resolve() / "sfxbind"
    with tempfile.TemporaryDirectory() as name:
        work = pathlib.Path(name)
        (work / "in").mkdir()
        subprocess.run([args.build.resolve() / "bench" / "sfx_bench_corpus", work / "in", str(args.size_mib << 20),
                        str(args.seed)], check=True, stdout=subprocess.DEVNULL)
        (work / "small").mkdir()
        for i in range(args.small_files):
            (work / "small" / f"s{i:05d}.txt").write_bytes(b"small file %d\n" % i)
        archives = {"plain": [], "AES-256": ["-p" + PASSWORD, "-mem=AES256"]}
        for label, extra in archives.items():
            subprocess.run(["7z", "a", "-tzip", "-mx=5", *extra, str(work / f"{label}.zip"), "."], cwd=work / "in",
                           check=True, capture_output=True)
        if args.small_files:
            subprocess.run(["7z", "a", "-tzip", "-p" + PASSWORD, "-mem=AES256", str(work / "small.zip"), "."],
                           cwd=work / "small", check=True, capture_output=True)
        print(f"{args.size_mib} MiB, 7z deflate -mx=5, {args.reps} alternating runs each, medians")
        for isa, build in (("x86-64", args.build), ("host32", args.build32)):
            stub = build.resolve() / "sfxstub"
            for label in archives:
                bound = work / f"{label}-{isa}.sfx"
                subprocess.run([sfxbind, work / f"{label}.zip", "-o", bound, "--stub", stub, "--password", PASSWORD],
                               check=True, capture_output=True)
            if not runs_natively(work / f"plain-{isa}.sfx", work):
                print(f"{isa}: {NOT_NATIVE}")
                continue
            runs = {label: [] for label in archives}
            for _ in range(args.reps):
                for label in archives:
                    runs[label].append(timed_once([f"./{label}-{isa}.sfx", "--silent", "--password=" + PASSWORD], work))
            walls = {label: statistics.median(r) for label, r in runs.items()}
            ratio = walls["plain"] / walls["AES-256"]
            print(f"{isa}: unencrypted {walls['plain']:.3f} s, AES-256 {walls['AES-256']:.3f} s, "
                  f"speed AES-256/unencrypted {ratio:.2f} (target >= 0.8: {'met' if ratio >= 0.8 else 'NOT met'})")
            if not args.small_files:
                continue
            bound = work / f"small-{isa}.sfx"
            subprocess.run([sfxbind, work / "small.zip", "-o", bound, "--stub", stub], check=True, capture_output=True)
            ours = timed([f"./small-{isa}.sfx", "--silent", "--password=" + PASSWORD], work, 3)
            peer = timed(["7z", "x", "-y", "-p" + PASSWORD, "small.zip"], work, 3)
            print(f"{isa}: {args.small_files} small AES-256 files: {ours:.2f} s "
                  f"({ours / args.small_files * 1e6:.0f} us per entry), "
                  f"7z x {peer:.2f} s, ratio {ours / peer:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
