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


def paired(a, b, runs, measure=seconds, warmup=0):
    """Runs A then B, `warmup` pairs that are not kept and then `runs` pairs;
    returns what measure gave for each kept pair, as (A, B) tuples."""
    pairs = []
    for i in range(warmup + runs):
        pair = (measure(a), measure(b))
        if i >= warmup:
            pairs.append(pair)
    return pairs


def main(argv):
    runs = 15
    if len(argv) > 2 and argv[0] == "-n":
        runs, argv = int(argv[1]), argv[2:]
    if argv.count("--") != 2 or argv[0] != "--":
        sys.exit(__doc__)
    split = argv.index("--", 1)
    a, b = argv[1:split], argv[split + 1:]
    pairs = paired(a, b, runs)
    times_a = [ta for ta, _ in pairs]
    times_b = [tb for _, tb in pairs]
    ratios = [tb / ta for ta, tb in pairs]
    print(f"A {statistics.median(times_a):.3f} s  B {statistics.median(times_b):.3f} s  "
          f"B/A {statistics.median(ratios):.3f} (medians of {runs} pairs)")


if __name__ == "__main__":
    main(sys.argv[1:])
