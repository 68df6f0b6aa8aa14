#!/usr/bin/env python3
"""Times two commands in alternation and prints the median of each and the
median of the per-pair ratios B/A; the machine is shared and noisy, so only
paired runs compare.

usage: bench/paired_runs.py [-n RUNS] -- COMMAND_A... -- COMMAND_B...
"""
import statistics
import subprocess
import sys
import time


def seconds(command):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    return time.perf_counter() - start


def main(argv):
    runs = 15
    if len(argv) > 2 and argv[0] == "-n":
        runs, argv = int(argv[1]), argv[2:]
    if argv.count("--") != 2 or argv[0] != "--":
        sys.exit(__doc__)
    split = argv.index("--", 1)
    a, b = argv[1:split], argv[split + 1:]
    times_a, times_b, ratios = [], [], []
    for _ in range(runs):
        ta, tb = seconds(a), seconds(b)
        times_a.append(ta)
        times_b.append(tb)
        ratios.append(tb / ta)
    print(f"A {statistics.median(times_a):.3f} s  B {statistics.median(times_b):.3f} s  "
          f"B/A {statistics.median(ratios):.3f} (medians of {runs} pairs)")


if __name__ == "__main__":
    main(sys.argv[1:])
