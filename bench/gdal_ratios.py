#!/usr/bin/env python3
"""Times abys-check against GDAL's ogrinfo on four generated cells and on the
real cells of more than 1 MB, and prints a Markdown table.

For each cell, A = `abys-check FILE` and B = `env OGR_S57_OPTIONS=UPDATES=IGNORE
ogrinfo -ro -al -q -geom=SUMMARY -fields=NO FILE` run in alternation (paired
runs, one warm-up pair discarded), output to /dev/null; each run's wall time
and peak resident set (ru_maxrss from wait4) are kept. The table gives the
medians, the medians of the per-pair ratios and the load-and-check throughput
(file size / A's median), each ratio marked against its goal:

  B/A >= 10 (abys-check ten times faster), peak A/B <= 0.5, and
  throughput >= 500 MB/s for cells over 100 MB.

The generated cells are written by abys-mkcell into --cells once and reused
while the command that wrote them stays the same (kept next to each cell in
NAME.000.cmd).

usage: bench/gdal_ratios.py [-n RUNS] [--quick] [--bin DIR] [--cells DIR] [--real DIR]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

from paired_runs import paired

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# (file name, abys-mkcell options); the file name is the last argument.
GENERATED = [
    ("mk-1M-e20.000", ["--levels", "100", "--relief", "2500", "--vertices", "1000000",
                       "--edge-coordinates", "20", "--places", "1000"]),
    ("mk-3M.000", ["--levels", "50", "--relief", "500", "--vertices", "3000000"]),
    ("mk-10M-e50.000", ["--levels", "150", "--relief", "1000", "--vertices", "10000000",
                        "--edge-coordinates", "50"]),
    ("mk-4M-e20.000", ["--levels", "200", "--relief", "8000", "--vertices", "4000000",
                       "--edge-coordinates", "20", "--places", "1000"]),
]

REAL_MIN_BYTES = 1_000_000
OGRINFO = ["env", "OGR_S57_OPTIONS=UPDATES=IGNORE", "ogrinfo", "-ro", "-al", "-q",
           "-geom=SUMMARY", "-fields=NO"]

# The goals.
TIMES_FASTER = 10.0
PEAK_SHARE = 0.5
THROUGHPUT_MB_S = 500.0
THROUGHPUT_FROM_MB = 100.0


class Run:
    def __init__(self, seconds, kib, status):
        self.seconds = seconds
        self.kib = kib
        self.status = status


def wall_and_peak(command):
    """One run, output to /dev/null: wall seconds, peak RSS (KiB), exit status."""
    start = time.perf_counter()
    child = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    seconds = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    return Run(seconds, usage.ru_maxrss, child.returncode)


def generated_cell(mkcell, folder, name, options):
    """The cell in folder, written by abys-mkcell unless the same command wrote it."""
    path = os.path.join(folder, name)
    stamp = path + ".cmd"
    command = " ".join(["abys-mkcell"] + options + [name])
    try:
        with open(stamp) as f:
            if f.read().strip() == command and os.path.isfile(path):
                return path
    except FileNotFoundError:
        pass
    print(f"writing {path}: {command}", file=sys.stderr, flush=True)
    if os.path.exists(stamp):
        os.remove(stamp)
    subprocess.run([mkcell] + options + [path], check=True, stdout=subprocess.DEVNULL)
    with open(stamp, "w") as f:
        f.write(command + "\n")
    return path


def real_cells(folder):
    found = []
    for top, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(top, name)
            if name.lower().endswith(".000") and os.path.getsize(path) > REAL_MIN_BYTES:
                found.append(path)
    return sorted(found, key=lambda p: (-os.path.getsize(p), p))


def mark(ok):
    return "✓" if ok else "✗"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("-n", dest="runs", type=int, default=7, help="pairs per cell (default 7)")
    parser.add_argument("--quick", action="store_true",
                        help="one pair per cell and no warm-up: a smoke test")
    parser.add_argument("--bin", default=os.path.join(ROOT, "build", "release", "bin"))
    parser.add_argument("--cells", default=os.path.join(ROOT, "build", "bench-cells"))
    parser.add_argument("--real", default="/work/shared/testdata/real")
    args = parser.parse_args()
    runs, warmup = (1, 0) if args.quick else (args.runs, 1)

    mkcell = os.path.join(args.bin, "abys-mkcell")
    check = os.path.join(args.bin, "abys-check")
    for program in (mkcell, check):
        if not os.access(program, os.X_OK):
            sys.exit(f"gdal_ratios.py: no program {program} (cmake --preset release && "
                     "cmake --build --preset release)")
    if shutil.which("ogrinfo") is None:
        sys.exit("gdal_ratios.py: no ogrinfo (scripts/setup installs gdal-bin)")

    os.makedirs(args.cells, exist_ok=True)
    cells = [(name, generated_cell(mkcell, args.cells, name, options))
             for name, options in GENERATED]
    notes = [f"`{name}`: `abys-mkcell {' '.join(options)}`" for name, options in GENERATED]
    if os.path.isdir(args.real):
        cells += [(os.path.basename(p), p) for p in real_cells(args.real)]
    else:
        notes.append(f"no real cells: {args.real} is absent")

    pairs_text = f"{runs} pair{'s' if runs != 1 else ''}"
    rows = []
    for name, path in cells:
        print(f"{name}: {pairs_text}", file=sys.stderr, flush=True)
        pairs = paired([check, path], OGRINFO + [path], runs, wall_and_peak, warmup)
        mb = os.path.getsize(path) / 1e6
        a_s = statistics.median(a.seconds for a, _ in pairs)
        b_s = statistics.median(b.seconds for _, b in pairs)
        faster = statistics.median(b.seconds / a.seconds for a, b in pairs)
        a_mib = statistics.median(a.kib for a, _ in pairs) / 1024
        b_mib = statistics.median(b.kib for _, b in pairs) / 1024
        share = statistics.median(a.kib / b.kib for a, b in pairs)
        throughput = mb / a_s
        statuses = sorted({(a.status, b.status) for a, b in pairs})
        if statuses != [(0, 0)]:
            notes.append(f"`{name}`: exit statuses (abys-check, ogrinfo) "
                         + ", ".join(f"{sa}, {sb}" for sa, sb in statuses))
        rate = f"{throughput:.0f}"
        if mb > THROUGHPUT_FROM_MB:
            rate += " " + mark(throughput >= THROUGHPUT_MB_S)
        rows.append(f"| {name} | {mb:.1f} | {a_s:.3f} | {b_s:.3f} | "
                    f"{faster:.1f} {mark(faster >= TIMES_FASTER)} | {a_mib:.0f} | {b_mib:.0f} | "
                    f"{share:.2f} {mark(share <= PEAK_SHARE)} | {rate} |")

    print(f"Medians of {pairs_text} per cell"
          f"{', after one warm-up pair' if warmup else ''}; goals: B/A ≥ {TIMES_FASTER:g}, "
          f"peak A/B ≤ {PEAK_SHARE:g}, ≥ {THROUGHPUT_MB_S:g} MB/s over "
          f"{THROUGHPUT_FROM_MB:g} MB.\n")
    print("| cell | MB | A median s | B median s | B/A (times faster) | peak A MiB | peak B MiB "
          "| A/B peak | load-and-check MB/s |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    print("\n".join(rows))
    print()
    for note in notes:
        print(f"- {note}")


if __name__ == "__main__":
    main()
