#!/usr/bin/env python3
"""Writes every hostile cell kind with abys-mkcell --hostile into a temporary
folder and measures, for each cell, the medians of RUNS runs of:

  summary  abys-check --summary FILE: wall time and peak memory (RSS)
  text     abys-check FILE: wall time, peak memory and the lines it prints,
           counted from a pipe
  json     abys-check --json FILE > /dev/null: wall time and peak memory
  open     abys-render FILE -o X.png: wall time, a stand-in for the viewer's
           File/Open (the same chart session and checks, findings discarded,
           then one render); a cell that fails its checks exits 1 at once

Each run has a time limit and an address-space limit (RLIMIT_AS) so that a
blow-up reads "timeout" or "out of memory" instead of hanging or exhausting
the machine; a run that fails so is not repeated. Prints a markdown table.

usage: bench/hostile_cells.py [BIN_DIR] [--runs N] [--timeout S]
                              [--memory-cap GIB] [--kinds K1,K2,...]
                              [--keep DIR]

BIN_DIR holds abys-mkcell, abys-check and abys-render (default
build/release/bin of this repository). --keep writes the cells into DIR and
leaves them there.
"""
import argparse
import os
import re
import resource
import select
import signal
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The limits the validator and viewer aim for.
OPEN_SECONDS = 1.0
SUMMARY_SECONDS = 2.0
SUMMARY_MIB = 200.0


class Run:
    """One run's outcome: seconds, peak RSS in MiB, lines printed, and
    failure ("timeout", "out of memory", "signal N") or None."""

    def __init__(self, seconds, mib, lines, exit_status, failure, out):
        self.seconds = seconds
        self.mib = mib
        self.lines = lines
        self.exit_status = exit_status
        self.failure = failure
        self.out = out


def run_once(argv, timeout, cap_bytes, stdout_mode):
    """Runs argv with the limits. stdout_mode: "count" reads the output from
    a pipe, counting lines and keeping the first 4 KB; "null" sends it to
    /dev/null."""

    def limit():
        resource.setrlimit(resource.RLIMIT_AS, (cap_bytes, cap_bytes))
        resource.setrlimit(resource.RLIMIT_CORE, (0, 0))

    env = dict(os.environ)
    env.setdefault("QT_QPA_PLATFORM", "offscreen")
    with tempfile.TemporaryFile() as err:
        devnull = open(os.devnull, "wb")
        start = time.perf_counter()
        proc = subprocess.Popen(
            argv,
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE if stdout_mode == "count" else devnull,
            stderr=err,
            preexec_fn=limit,
            env=env,
        )
        devnull.close()
        lines = 0
        head = b""
        timed_out = False
        deadline = start + timeout
        if stdout_mode == "count":
            fd = proc.stdout.fileno()
            while True:
                left = deadline - time.perf_counter()
                if left <= 0:
                    timed_out = True
                    break
                ready, _, _ = select.select([fd], [], [], min(left, 1.0))
                if not ready:
                    continue
                chunk = os.read(fd, 1 << 20)
                if not chunk:
                    break
                lines += chunk.count(b"\n")
                if len(head) < 4096:
                    head += chunk[: 4096 - len(head)]
        while not timed_out:
            pid, status, usage = os.wait4(proc.pid, os.WNOHANG)
            if pid != 0:
                break
            if time.perf_counter() >= deadline:
                timed_out = True
                break
            time.sleep(0.01)
        if timed_out:
            proc.kill()
            pid, status, usage = os.wait4(proc.pid, 0)
        seconds = time.perf_counter() - start
        proc.returncode = os.waitstatus_to_exitcode(status)
        if proc.stdout is not None:
            proc.stdout.close()
        err.seek(0, os.SEEK_END)
        size = err.tell()
        err.seek(max(0, size - 4096))
        tail = err.read().decode("utf-8", "replace")

    mib = usage.ru_maxrss / 1024.0  # kilobytes on Linux
    failure = None
    exit_status = None
    if timed_out:
        failure = "timeout"
    elif os.WIFSIGNALED(status):
        number = os.WTERMSIG(status)
        if "bad_alloc" in tail or mib * 1024 * 1024 > 0.75 * cap_bytes:
            failure = "out of memory"
        else:
            failure = "signal %d (%s)" % (number, signal.Signals(number).name)
    else:
        exit_status = os.WEXITSTATUS(status)
    return Run(seconds, mib, lines, exit_status, failure, head.decode("utf-8", "replace"))


def measure(argv, runs, timeout, cap_bytes, stdout_mode):
    """The median run of up to `runs` runs; the first failing run instead."""
    results = []
    for _ in range(runs):
        r = run_once(argv, timeout, cap_bytes, stdout_mode)
        if r.failure:
            return r
        results.append(r)
    seconds = statistics.median(r.seconds for r in results)
    mib = statistics.median(r.mib for r in results)
    last = results[-1]
    return Run(seconds, mib, last.lines, last.exit_status, None, last.out)


def kinds_of(mkcell):
    help_text = subprocess.run([mkcell, "--help"], capture_output=True, text=True, check=True)
    section = help_text.stdout.split("Hostile kinds", 1)[1]
    return re.findall(r"^  ([a-z0-9-]+) \(", section, re.MULTILINE)


def cell(folder, mkcell, kind):
    path = os.path.join(folder, kind + ".000")
    out = subprocess.run([mkcell, "--hostile", kind, path], capture_output=True, text=True,
                         check=True).stdout
    m = re.search(r"count (\d+) \(([^)]*)\), (\d+) features, (\d+) vectors, (\d+) bytes", out)
    return path, int(m.group(3)), int(m.group(4)), int(m.group(5))


def seconds_text(r):
    return "%s (%.0f s)" % (r.failure, r.seconds) if r.failure else "%.2f" % r.seconds


def mib_text(r):
    return ">%.0f" % r.mib if r.failure else "%.0f" % r.mib


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("bin", nargs="?", default=os.path.join(ROOT, "build", "release", "bin"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--timeout", type=float, default=120.0)
    parser.add_argument("--memory-cap", type=float, default=4.0, help="GiB of address space")
    parser.add_argument("--kinds", help="comma-separated kinds (default: every kind)")
    parser.add_argument("--keep", help="write the cells into this folder and keep them")
    args = parser.parse_args()

    mkcell = os.path.join(args.bin, "abys-mkcell")
    check = os.path.join(args.bin, "abys-check")
    render = os.path.join(args.bin, "abys-render")
    for program in (mkcell, check, render):
        if not os.access(program, os.X_OK):
            sys.exit("hostile_cells.py: no program %s" % program)
    kinds = args.kinds.split(",") if args.kinds else kinds_of(mkcell)
    cap = int(args.memory_cap * (1 << 30))

    if args.keep:
        os.makedirs(args.keep, exist_ok=True)
        folder = args.keep
        scratch = None
    else:
        scratch = tempfile.TemporaryDirectory(prefix="abys-hostile-")
        folder = scratch.name
    png = os.path.join(folder, "open.png")

    print("| kind | KB | features / vectors | check | findings | summary s / MiB | "
          "text s / MiB / lines | json s / MiB | open s | breaks |")
    print("|---|--:|--:|--:|--:|--:|--:|--:|--:|---|")
    for kind in kinds:
        path, features, vectors, size = cell(folder, mkcell, kind)
        summary = measure([check, "--summary", path], args.runs, args.timeout, cap, "count")
        text = measure([check, path], args.runs, args.timeout, cap, "count")
        json_run = measure([check, "--json", path], args.runs, args.timeout, cap, "null")
        opened = measure([render, path, "-o", png], args.runs, args.timeout, cap, "null")

        status, findings = "?", "?"
        m = re.search(r"load (-?\d+), check (\S+),.*findings (\d+)", summary.out)
        if m and not summary.failure:
            status = m.group(2) if m.group(1) == "0" else "load " + m.group(1)
            findings = "{:,}".format(int(m.group(3)))
        breaks = []
        if opened.failure or opened.seconds > OPEN_SECONDS:
            breaks.append("open")
        if summary.failure or summary.seconds > SUMMARY_SECONDS:
            breaks.append("summary time")
        if summary.failure == "out of memory" or summary.mib > SUMMARY_MIB:
            breaks.append("summary memory")
        lines = "{:,}".format(text.lines) if not text.failure else "{:,}+".format(text.lines)
        open_text = seconds_text(opened)
        if not opened.failure:
            open_text += " (shown)" if opened.exit_status == 0 else " (refused)"
        print("| %s | %.0f | %s | %s | %s | %s / %s | %s / %s / %s | %s / %s | %s | %s |" % (
            kind, size / 1000.0, "{:,} / {:,}".format(features, vectors), status, findings,
            seconds_text(summary), mib_text(summary),
            seconds_text(text), mib_text(text), lines,
            seconds_text(json_run), mib_text(json_run),
            open_text, ", ".join(breaks)), flush=True)
    if os.path.exists(png):
        os.remove(png)
    if scratch:
        scratch.cleanup()


if __name__ == "__main__":
    main()
