#!/usr/bin/env python3
"""Measures the stub against its peers and its targets; started by bench/run.sh.

End to end: the bound Linux stub (x86-64, and host32: i686 with the Win32
stub's flags), a minimal libdeflate extractor for each ISA, `bsdtar -xf` and
`7z x` each extract the same archive into a fresh folder: wall time, and peak
RSS from GNU time (a small runner: a child forked from this large process
would inherit its high-water mark). Medians; the tools take turns in a
rotating order. The i686 programs run only where the kernel runs them
natively, never under an emulator. In process: sfx_bench's Google Benchmark
families (both ISAs), repetitions interleaved at random, medians of CPU-time
throughput. Every extraction is checked against the input once before timing.
"""
import argparse
import datetime
import filecmp
import json
import os
import platform
import shlex
import shutil
import signal
import statistics
import subprocess
import sys
import threading
import time
import zipfile
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
MIB = 1 << 20
WIN32_TARGET = 64000  # 48 KiB and what each feature was given: 1 + 1 + 0.5 + 4 + 8 KiB
FIXED_DATE = (2024, 1, 2, 3, 4, 6)


def parse_args():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--build", type=Path, default=REPO / "build" / "bench", help="build folder with sfxstub and bench/")
    p.add_argument("--build32", type=Path, default=REPO / "build" / "bench32",
                   help="the same for i686 with the shipped stub's flags (host32)")
    p.add_argument("--work", type=Path, help="scratch folder (default BUILD/work)")
    p.add_argument("--out", type=Path, default=REPO / "bench" / "results.md", help="markdown results file")
    p.add_argument("--reps", type=int, default=9, help="timed end-to-end runs per tool (median)")
    p.add_argument("--gbench-reps", type=int, default=9, help="repetitions of each in-process benchmark (median)")
    p.add_argument("--min-time", type=float, default=0.5, help="seconds per in-process repetition")
    p.add_argument("--size-mib", type=int, default=64, help="size of the large input")
    p.add_argument("--small-mib", type=int, default=1, help="size of the small input (memory comparison)")
    p.add_argument("--seed", type=int, default=1, help="input generator seed")
    p.add_argument("--win32-stub", type=Path, default=REPO / "build" / "win32" / "sfxstub.exe")
    p.add_argument("--corpus", type=Path, default=REPO.parent / "shared" / "corpus")
    p.add_argument("--timeout", type=float, default=120, help="seconds before an extraction counts as hung")
    return p.parse_args()


# ---------------------------------------------------------------- inputs

def make_archive(generator, folder, zip_path, size, seed):
    subprocess.run([generator, str(folder), str(size), str(seed)], check=True, stdout=subprocess.DEVNULL)
    with zipfile.ZipFile(zip_path, "w") as z:
        for root, dirs, files in os.walk(folder):
            dirs.sort()
            rel = Path(root).relative_to(folder)
            if rel != Path("."):
                info = zipfile.ZipInfo(rel.as_posix() + "/", FIXED_DATE)
                info.external_attr = 0o40755 << 16 | 0x10
                z.writestr(info, b"")
            for name in sorted(files):
                info = zipfile.ZipInfo((rel / name).as_posix(), FIXED_DATE)
                info.external_attr = 0o644 << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                z.writestr(info, (Path(root) / name).read_bytes(), compresslevel=6)


def seven_zip_archive(folder, zip_path, method):
    """The same folder as 7-Zip writes it with `method` (Deflate64, LZMA)."""
    zip_path.unlink(missing_ok=True)
    subprocess.run(["7z", "a", "-tzip", f"-mm={method}", str(zip_path), "."], cwd=folder, check=True,
                   stdout=subprocess.DEVNULL)


def bind(stub, zip_path, bound, sfxbind):
    """With the binding tool as users do; by hand (stub padded to 4 bytes, then
    the archive) when the tool is missing or refuses. Returns how."""
    if sfxbind.is_file():
        run = subprocess.run([sfxbind, zip_path, "-o", bound, "--stub", stub, "--force"], capture_output=True)
        if run.returncode == 0:
            return "sfxbind"
        print(f"  sfxbind failed ({run.stderr.decode(errors='replace').strip()}); binding by hand", flush=True)
    image = stub.read_bytes()
    image += bytes(-len(image) % 4)
    bound.write_bytes(image + zip_path.read_bytes())
    bound.chmod(0o755)
    return "hand"


def same_tree(expected, actual):
    for root, _, files in os.walk(expected):
        rel = Path(root).relative_to(expected)
        for name in files:
            other = actual / rel / name
            if not other.is_file() or not filecmp.cmp(Path(root) / name, other, shallow=False):
                return False
    return True


# ---------------------------------------------------------------- end to end

NOT_NATIVE = "not measured: this machine cannot run 32-bit programs natively"


def runs_natively(program, cwd):
    """Whether the kernel itself runs `program` (an i686 stub, waiting for
    commands): no exec error, and the process image is the program, not an
    emulator's (binfmt_misc hands foreign programs to e.g. qemu-i386)."""
    try:
        proc = subprocess.Popen([program], cwd=cwd, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
    except OSError:
        return False
    try:
        image = os.path.realpath(f"/proc/{proc.pid}/exe")
    finally:
        proc.communicate(b"", timeout=60)  # end of input: Cancel, answered Yes
    return image == os.path.realpath(program)


class Tool:
    """One extractor: how to start it in a fresh folder, and its timings."""

    def __init__(self, name, command, size_label, timeout, stdin=b"", link=None, failure=None):
        self.name, self.command, self.size_label, self.stdin, self.link = name, command, size_label, stdin, link
        self.timeout = timeout
        self.walls, self.cpus, self.rss_kib = [], [], []
        self.failure = failure

    def run(self, folder, capture=False):
        """(problem or None, wall s, CPU s, peak RSS KiB, output if captured)."""
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        if self.link:  # the stub extracts next to itself
            os.link(self.link, folder / self.link.name)
        out = subprocess.PIPE if capture else subprocess.DEVNULL
        usage = folder.parent / f"{self.name}.usage"
        command = ["/usr/bin/time", "-f", "%U %S %M", "-o", str(usage), *self.command]
        start = time.perf_counter()
        proc = subprocess.Popen(command, cwd=folder, stdin=subprocess.PIPE, stdout=out, stderr=subprocess.STDOUT,
                                start_new_session=True)
        # A timer ends a hung run (the tool too, not only its runner). The wait
        # itself blocks: communicate() with a timeout polls for the exit in
        # steps of up to 50 ms, which every wall time would round up to.
        hung = threading.Timer(self.timeout, os.killpg, (proc.pid, signal.SIGKILL))
        hung.start()
        text = proc.communicate(self.stdin)[0]
        wall = time.perf_counter() - start
        hung.cancel()
        if proc.returncode == -signal.SIGKILL:
            return f"no end after {self.timeout:.0f} s", 0.0, 0.0, 0, b""
        if self.link:
            (folder / self.link.name).unlink()
        user, system, rss_kib = usage.read_text().split()[-3:]
        problem = f"exit {proc.returncode}" if proc.returncode else None
        return problem, wall, float(user) + float(system), int(rss_kib), text

    def check(self, folder, expected):
        if self.failure:
            return
        problem, _, _, _, text = self.run(folder, capture=True)
        if problem or not same_tree(expected, folder):
            lines = (text or b"").decode(errors="replace").strip().splitlines()
            self.failure = f"{problem or 'wrong output'}: {lines[-1] if lines else 'no output'}"
        shutil.rmtree(folder, ignore_errors=True)

    def time_once(self, folder):
        problem, wall, cpu, rss, _ = self.run(folder)
        if problem:
            self.failure = f"{problem} in a timed run"
            return
        self.walls.append(wall)
        self.cpus.append(cpu)
        self.rss_kib.append(rss)
        shutil.rmtree(folder, ignore_errors=True)


def end_to_end(tools, reps, work):
    for i in range(reps):
        order = tools[i % len(tools):] + tools[:i % len(tools)]
        for tool in order:
            if not tool.failure:
                tool.time_once(work / "out" / tool.name)
        print(f"  end-to-end round {i + 1}/{reps} done", flush=True)


# ---------------------------------------------------------------- in process

def in_process(args, build, zip_path, lzma_zip, work, legacy=True):
    out = work / f"gbench-{build.name}.json"
    cmd = [str(build / "bench" / "sfx_bench"), f"--archive={zip_path}", f"--lzma-archive={lzma_zip}",
           f"--scratch={work / 'scratch'}",
           *([f"--corpus={args.corpus}"] if legacy else []), f"--benchmark_repetitions={args.gbench_reps}",
           "--benchmark_enable_random_interleaving=true", f"--benchmark_min_time={args.min_time}",
           f"--benchmark_out={out}", "--benchmark_out_format=json"]
    out.unlink(missing_ok=True)
    try:
        code = subprocess.run(cmd, stdout=subprocess.DEVNULL, timeout=args.timeout * 10).returncode
        results = json.loads(out.read_text())["benchmarks"]
    except (subprocess.TimeoutExpired, OSError, ValueError, KeyError) as e:
        return {}, f"sfx_bench gave no results ({type(e).__name__})"
    if code != 0:
        return {}, f"sfx_bench exit {code}"
    runs = {}
    for b in results:
        if b.get("run_type") != "iteration":
            continue
        entry = runs.setdefault(b["run_name"], {"rates": [], "error": None})
        if b.get("error_occurred"):
            entry["error"] = b.get("error_message", "failed")
        else:
            entry["rates"].append(b["bytes_per_second"])
    return runs, None


# ---------------------------------------------------------------- binding tool

BINDER_ARCHIVE_MB = 300
BINDER_MEMORY_TARGET_KIB = 64 * 1024


def binder_archive(work):
    """A 300 MB archive of 30 stored entries of random bytes, made once."""
    archive = work / "binder_300MB.zip"
    if not archive.is_file() or archive.stat().st_size < BINDER_ARCHIVE_MB * 1000 * 1000:
        with zipfile.ZipFile(archive, "w", zipfile.ZIP_STORED) as z:
            for i in range(30):
                z.writestr(zipfile.ZipInfo(f"part{i:02}.bin", FIXED_DATE), os.urandom(BINDER_ARCHIVE_MB * 1000 * 1000 // 30))
    return archive


def timed_runs(command, work, reps):
    """Wall seconds and peak RSS KiB of each of `reps` runs of `command`
    (GNU time); (walls, rss list, failure)."""
    usage = work / "binder.usage"
    walls, rss = [], []
    for _ in range(reps):
        start = time.perf_counter()  # GNU time's own wall figure has 10 ms steps
        run = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", str(usage), "sh", "-c", command],
                             capture_output=True)
        walls.append(time.perf_counter() - start)
        if run.returncode != 0:
            return [], [], f"exit {run.returncode}: {run.stderr.decode(errors='replace').strip()[:200]}"
        rss.append(int(usage.read_text().split()[-1]))
    return walls, rss, None


def binder_measures(sfxbind, stub, work, reps):
    """sfxbind binding the 300 MB archive, every entry's data checked on its
    way, and the floor of any binding: the stub and the archive copied into
    one file by cat. ((wall, failure), (peak RSS, failure), (copy wall, failure))."""
    if not sfxbind.is_file():
        failure = (None, "sfxbind not built")
        return failure, failure, failure
    archive, bound = binder_archive(work), work / "binder_bound"
    q = shlex.quote
    walls, rss, failure = timed_runs(f"{q(str(sfxbind))} {q(str(archive))} -o {q(str(bound))} --stub {q(str(stub))}",
                                     work, reps)
    copies, _, copy_failure = timed_runs(f"cat {q(str(stub))} {q(str(archive))} > {q(str(bound))}", work, reps)
    bound.unlink(missing_ok=True)
    return ((median(walls) if walls else None, failure), (median(rss) if rss else None, failure),
            (median(copies) if copies else None, copy_failure))


# ---------------------------------------------------------------- report

def median(values):
    return statistics.median(values) if values else None


def git_state():
    def git(*a):
        return subprocess.run(["git", "-C", str(REPO), *a], capture_output=True, text=True).stdout.strip()
    # Only changes to what goes into the measured programs count.
    dirty = git("status", "--porcelain", "--", "CMakeLists.txt", "cmake", "base", "archive", "decoders", "shell",
                "platform", "tools", "bench", ":!bench/results.md")
    return git("rev-parse", "--short", "HEAD") + (" + uncommitted changes" if dirty else "")


def cpu_model():
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        if line.startswith("model name"):
            return line.split(":", 1)[1].strip()
    return platform.processor()


class Table:
    def __init__(self):
        self.rows = []

    def add(self, measure, ours, peer, ratio, target, met):
        self.rows.append([measure, ours, peer, ratio, target, met])

    def compare(self, measure, ours, peer, fmt, target, passes):
        """A ratio row; `ours` and `peer` are (value, failure) pairs."""
        failure = ours[1] or peer[1]
        if failure or ours[0] is None or peer[0] is None:
            self.add(measure, "—" if ours[0] is None else fmt(ours[0]), "—" if peer[0] is None else fmt(peer[0]),
                     "n/a", target, f"no: {failure or 'no data'}")
            return
        ratio = ours[0] / peer[0]
        met = "—" if passes is None else "yes" if passes(ratio) else "**no**"
        self.add(measure, fmt(ours[0]), fmt(peer[0]), f"{ratio:.2f}", target, met)

    def markdown(self):
        head = ["Measure", "Ours", "Peer", "Ratio (ours/peer)", "Target", "Met"]
        lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
        lines += ["| " + " | ".join(r) + " |" for r in self.rows]
        return "\n".join(lines)


def seconds(v):
    return f"{v:.3f} s"


def mib_s(v):
    return f"{v / MIB:.1f} MiB/s"


def kib(v):
    return f"{v / 1024:.1f} MiB" if v >= 10240 else f"{v:.0f} KiB"


def build_table(tools, rates, win32_stub):
    """tools: name -> Tool; rates: ISA -> (runs, failure) of sfx_bench."""
    t = Table()
    host32, x64 = tools["sfxstub-host32"], tools["sfxstub"]
    label = x64.size_label

    def wall(ours, peer, target=None, passes=None):
        t.compare(f"End-to-end wall, {label}, {ours.name} vs {peer.name}", (median(ours.walls), ours.failure),
                  (median(peer.walls), peer.failure), seconds, target or "—", passes)

    def cpu(ours, peer):
        t.compare(f"End-to-end CPU time (user + system), {ours.name} vs {peer.name}",
                  (median(ours.cpus), ours.failure), (median(peer.cpus), peer.failure), seconds, "—", None)

    wall(host32, tools["libdeflate-i686"], "≤ 1.4", lambda r: r <= 1.4)
    for peer in ("bsdtar", "7z"):
        wall(host32, tools[peer], "< 1.0", lambda r: r < 1.0)
    wall(x64, tools["libdeflate-x86-64"], "≤ 1.3", lambda r: r <= 1.3)
    for peer in ("bsdtar", "7z"):
        wall(x64, tools[peer], "< 1.0", lambda r: r < 1.0)
    for method, suffix in (("Deflate64", "-deflate64"), ("LZMA", "-lzma")):
        for ours in ("sfxstub-host32", "sfxstub"):
            target, passes = ("≤ 1.2", lambda r: r <= 1.2) if (method, ours) == ("LZMA", "sfxstub-host32") else (
                "—", None)
            t.compare(f"End-to-end wall, {label} {method}, {ours} vs 7z", (median(tools[ours + suffix].walls),
                      tools[ours + suffix].failure), (median(tools["7z" + suffix].walls),
                                                      tools["7z" + suffix].failure), seconds, target, passes)
    cpu(host32, tools["libdeflate-i686"])
    cpu(x64, tools["libdeflate-x86-64"])
    for ours in (host32, x64):
        t.compare(f"End-to-end peak RSS, {ours.name} vs bsdtar", (median(ours.rss_kib), ours.failure),
                  (median(tools["bsdtar"].rss_kib), tools["bsdtar"].failure), kib, "—", None)

    def rate(isa, name):
        runs, failure = rates[isa]
        r = runs.get(name, {"rates": [], "error": failure or "not run"})
        return median(r["rates"]), r["error"]

    for isa, target, passes in (("x86-64", "≥ 0.8", lambda r: r >= 0.8), ("i686", "≥ 0.7", lambda r: r >= 0.7)):
        t.compare(f"In-process inflate + CRC-32 throughput, {isa}, vs libdeflate", rate(isa, "inflate_crc/ours"),
                  rate(isa, "inflate_crc/libdeflate"), mib_s, target, passes)
        t.compare(f"In-process inflate + CRC-32 throughput, {isa}, vs zlib", rate(isa, "inflate_crc/ours"),
                  rate(isa, "inflate_crc/zlib"), mib_s, "—", None)
    for isa in ("x86-64", "i686"):
        t.compare(f"In-process LZMA + CRC-32 throughput, {isa}, vs liblzma", rate(isa, "lzma_crc/ours"),
                  rate(isa, "lzma_crc/liblzma"), mib_s, "≥ 0.9", lambda r: r >= 0.9)
    for name in ("explode", "unshrink", "expand"):
        t.compare(f"{name} throughput vs zlib's inflate, same contents", rate("x86-64", f"{name}/legacy"),
                  rate("x86-64", f"{name}/zlib_inflate"), mib_s, "≥ 0.5", lambda r: r >= 0.5)
    for ours in (host32, x64):
        small = tools[f"{ours.name}-small"]
        t.compare(f"Stub peak RSS, {ours.name}, {label} vs {small.size_label} archive",
                  (median(ours.rss_kib), ours.failure), (median(small.rss_kib), small.failure), kib,
                  "within 10%", lambda r: 0.9 <= r <= 1.1)
    if win32_stub.is_file():
        size = win32_stub.stat().st_size
        t.compare("Win32 stub size vs 62.5 KiB", (size, None), (WIN32_TARGET, None), lambda v: f"{v} B",
                  "≤ 1.0", lambda r: r <= 1.0)
    else:
        t.add("Win32 stub size vs 62.5 KiB", "—", f"{WIN32_TARGET} B", "n/a", "≤ 1.0", f"no: {win32_stub} not built")
    return t


def raw_runs(tools, rates):
    lines = ["Raw end-to-end runs (wall s / CPU s / peak RSS KiB):", ""]
    for tool in tools:
        runs = ", ".join(f"{w:.3f}/{c:.2f}/{r}" for w, c, r in zip(tool.walls, tool.cpus, tool.rss_kib))
        lines.append(f"- {tool.name} ({tool.size_label}): {runs or tool.failure}")
    lines += ["", "Raw in-process repetitions (MiB/s, CPU time):", ""]
    for isa, (runs, failure) in rates.items():
        for name, r in sorted(runs.items()):
            values = ", ".join(f"{v / MIB:.1f}" for v in r["rates"])
            lines.append(f"- {isa} {name}: {values or r['error']}")
        if failure:
            lines.append(f"- {isa}: {failure}")
    return "\n".join(lines)


NOTES = """How each row is measured:

- End to end: the bound Linux stub (`printf 'ok\\n' | ./bound`, extracting next to
  itself) as `sfxstub` (x86-64, Release) and `sfxstub-host32` (i686, built with
  the Win32 stub's own flags: what ships), `sfx_bench_libdeflate` for each ISA (a
  minimal extractor: archive mapped, each entry decompressed whole by libdeflate,
  CRC-32, file written), `bsdtar -xf` and `7z x -y` each extract the archive into
  a fresh folder on the same file system, the archive in page cache. The
  Deflate64 and LZMA rows: the same input archived by `7z a -tzip -mm=Deflate64`
  (what it cannot shrink stored) and `7z a -tzip -mm=LZMA` (level 5, end
  markers), bound to both stubs, against `7z x -y`. Each tool's
  output is compared with the input tree once before timing. Wall time from start
  to exit; CPU time and peak RSS from GNU time. The i686 programs are measured
  only where this kernel runs them itself.
- In process: `sfx_bench` for each ISA (Google Benchmark; repetitions interleaved
  at random, throughput from CPU time, medians; the i686 build is the host32
  configuration). inflate_crc runs the stub's path over the archive's deflated
  entries: archive stream on the file, bit input and window reset, `inflate_entry`,
  CRC-32 in the window, writes to /dev/null; zlib runs raw inflate plus crc32
  with the same 64 KiB reads and 32 KiB writes; libdeflate reads each entry
  whole, decompresses it whole, and writes it in one piece. lzma_crc runs the
  stub's path (`lzma_entry`, its dictionary, the window's CRC-32 and writes)
  over the LZMA archive's entries against liblzma's raw LZMA1 decoder and its
  CRC-32 with the same 64 KiB reads and 64 KiB writes.
- sfxbind: binding a 300 MB archive of 30 stored entries of random bytes to the
  x86-64 stub, the archive in page cache, every entry's data checked by CRC-32
  on its way (the checks may cost at most half again a binding without them);
  the peer is the least any binding does: `cat` of the stub and the archive
  into one file on the same file system. Peak RSS from GNU time.
- Legacy decoders: every shared-corpus entry of the decoder's methods, decoded in
  a loop, against zlib's inflate on the same contents deflated by zlib at level 6.
  The entries are small (a few KiB), so per-entry costs weigh on both sides.
"""


def main():
    args = parse_args()
    work = args.work or args.build / "work"
    work.mkdir(parents=True, exist_ok=True)
    started = time.perf_counter()
    load = os.getloadavg()[0]

    stubs = {"sfxstub": args.build / "sfxstub", "sfxstub-host32": args.build32 / "sfxstub"}
    inputs, bindings = {}, set()
    for label, mib, seed in ((f"{args.size_mib} MiB", args.size_mib, args.seed),
                             (f"{args.small_mib} MiB", args.small_mib, args.seed + 1)):
        key = label.replace(" ", "")
        folder, zip_path = work / f"input_{key}", work / f"mixed_{key}.zip"
        print(f"making the {label} input, archive and bound stubs", flush=True)
        make_archive(args.build / "bench" / "sfx_bench_corpus", folder, zip_path, mib * MIB, seed)
        bound = {}
        for name, stub in stubs.items():
            bound[name] = work / f"bound_{key}_{name}"
            bindings.add(bind(stub, zip_path, bound[name], args.build / "sfxbind"))
        inputs[label] = (folder, zip_path, bound)

    big_label, small_label = f"{args.size_mib} MiB", f"{args.small_mib} MiB"
    folder, zip_path, bound = inputs[big_label]
    seven_zip_labels = {}
    for method in ("Deflate64", "LZMA"):
        label, method_zip = f"{big_label} {method}", work / f"{method.lower()}_{args.size_mib}MiB.zip"
        print(f"making the {label} archive and bound stubs", flush=True)
        seven_zip_archive(folder, method_zip, method)
        inputs[label] = (folder, method_zip, {})
        seven_zip_labels[label] = "-" + method.lower()
        for name, stub in stubs.items():
            inputs[label][2][name] = work / f"bound_{method.lower()}_{name}"
            bindings.add(bind(stub, method_zip, inputs[label][2][name], args.build / "sfxbind"))
    lzma_zip = inputs[f"{big_label} LZMA"][1]
    native32 = runs_natively(bound["sfxstub-host32"], work)
    not32 = None if native32 else NOT_NATIVE
    tools = {}
    for label, (_, zip_i, bound_i) in inputs.items():
        suffix = {big_label: "", small_label: "-small", **seven_zip_labels}[label]
        for name in stubs:
            tools[name + suffix] = Tool(name + suffix, [f"./{bound_i[name].name}"], label, args.timeout, b"ok\n",
                                        bound_i[name], not32 if name.endswith("host32") else None)
    for isa, build, failure in (("x86-64", args.build, None), ("i686", args.build32, not32)):
        tools[f"libdeflate-{isa}"] = Tool(f"libdeflate-{isa}", [str(build / "bench" / "sfx_bench_libdeflate"),
                                                                str(zip_path)], big_label, args.timeout,
                                          failure=failure)
    tools["bsdtar"] = Tool("bsdtar", ["bsdtar", "-xf", str(zip_path)], big_label, args.timeout)
    tools["7z"] = Tool("7z", ["7z", "x", "-y", str(zip_path)], big_label, args.timeout)
    for label, suffix in seven_zip_labels.items():
        tools["7z" + suffix] = Tool("7z" + suffix, ["7z", "x", "-y", str(inputs[label][1])], label, args.timeout)
    for tool in tools.values():
        tool.check(work / "out" / tool.name, inputs[tool.size_label][0])
        if tool.failure:
            print(f"  {tool.name}: {tool.failure}", flush=True)

    print(f"timing end to end, {args.reps} rounds", flush=True)
    end_to_end(list(tools.values()), args.reps, work)
    print(f"in-process benchmarks, {args.gbench_reps} repetitions", flush=True)
    rates = {"x86-64": in_process(args, args.build, zip_path, lzma_zip, work),
             "i686": in_process(args, args.build32, zip_path, lzma_zip, work, legacy=False) if native32 else (
                 {}, NOT_NATIVE)}

    table = build_table(tools, rates, args.win32_stub)
    print(f"sfxbind on a {BINDER_ARCHIVE_MB} MB archive, {args.reps} runs", flush=True)
    bind_wall, bind_rss, copy_wall = binder_measures(args.build / "sfxbind", stubs["sfxstub"], work, args.reps)
    table.compare(f"sfxbind wall, {BINDER_ARCHIVE_MB} MB archive, data checked, vs copying it (cat)", bind_wall,
                  copy_wall, seconds, "≤ 1.5", lambda r: r <= 1.5)
    table.compare(f"sfxbind peak RSS, {BINDER_ARCHIVE_MB} MB archive, vs 64 MiB", bind_rss,
                  (BINDER_MEMORY_TARGET_KIB, None), kib, "≤ 1.0", lambda r: r <= 1.0)
    zip_size = zip_path.stat().st_size
    header = (f"Measured {datetime.date.today()} at commit {git_state()} on {cpu_model()}, "
              f"{os.cpu_count()} cores, load average {load:.1f} at start; "
              f"{args.reps} end-to-end runs and {args.gbench_reps} in-process repetitions per measure, medians. "
              f"Input: {args.size_mib} MiB in {sum(1 for _ in folder.rglob('*') if _.is_file())} files "
              f"(text, machine code, random bytes, runs), deflated at level 6 to {zip_size / MIB:.1f} MiB, "
              f"bound to the stubs {'with sfxbind' if bindings == {'sfxbind'} else 'by hand'}. "
              f"Made by `bench/run.sh`.")
    report = (f"# Benchmark results\n\n{header}\n\n{table.markdown()}\n\n{NOTES}\n"
              f"{raw_runs(tools.values(), rates)}\n")
    args.out.write_text(report)
    print()
    print(table.markdown())
    print(f"\nwritten to {args.out} ({time.perf_counter() - started:.0f} s)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
