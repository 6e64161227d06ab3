#!/usr/bin/env python3
"""CPU cost of `itemlookup batch` beside a plain C host making the same module calls for the same
lines on the same SQLite demo database. The two run in alternating pairs; each run's CPU time
(user and system, of the process alone) is read from the kernel when it ends. The figure is the
median over the pairs of itemlookup's CPU time over the plain host's, minus one.

usage: batch_cost.py --itemlookup BIN --plain-host BIN --modules DIR --lines N --pairs N
                     [--out-dir DIR] [--target PERCENT]
Writes batch-cost.json and batch-cost.md to --out-dir; with --target, exits 1 when the median
overhead is above it.
"""
import argparse
import json
import os
import platform
import statistics
import subprocess
import sys
import tempfile
import time

# A mix of the lookups both hosts understand, found and not found.
LINE_MIX = [
    "item 1001",
    "item-summary 1003",
    "customer-item C 00042 1001",
    "customer-unit C 00042 1002",
    "customer-codes C 00001 1005",
    "item NO-SUCH-ITEM",
    "item 1010",
    "customer-item C 00007 1001",
]


def cpu_seconds(command, stdin_path):
    """Runs command with stdin from the file and stdout discarded; returns its CPU seconds."""
    with open(stdin_path, "rb") as stdin, open(os.devnull, "wb") as devnull:
        process = subprocess.Popen(command, stdin=stdin, stdout=devnull, stderr=devnull)
        _, status, usage = os.wait4(process.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"batch_cost: {command[0]} failed ({os.waitstatus_to_exitcode(status)})")
    return usage.ru_utime + usage.ru_stime


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--itemlookup", required=True)
    parser.add_argument("--plain-host", required=True)
    parser.add_argument("--modules", required=True)
    parser.add_argument("--lines", type=int, default=20000)
    parser.add_argument("--pairs", type=int, default=9)
    parser.add_argument("--out-dir")
    parser.add_argument("--target", type=float)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as folder:
        database = os.path.join(folder, "demo.db")
        lines = os.path.join(folder, "lines.txt")
        with open(lines, "w") as out:
            for i in range(args.lines):
                out.write(LINE_MIX[i % len(LINE_MIX)] + "\n")
        # The demo database, made once by itemlookup before anything is timed.
        subprocess.run([args.itemlookup, "--demo-db", database, "item", "1001"],
                       stdout=subprocess.DEVNULL, check=True)
        connect = f"DRIVER=SQLite3;Database={database}"
        batch = [args.itemlookup, "--connect", connect, "batch", "-"]
        plain = [args.plain_host, args.modules, connect]
        load_before = os.getloadavg()
        pairs = []
        for _ in range(args.pairs):
            plain_cpu = cpu_seconds(plain, lines)
            batch_cpu = cpu_seconds(batch, lines)
            pairs.append((batch_cpu, plain_cpu))
        load_after = os.getloadavg()

    overheads = [batch / plain - 1 for batch, plain in pairs]
    result = {
        "taken": time.strftime("%Y-%m-%dT%H:%M:%S%z"),
        "machine": platform.processor() or platform.machine(),
        "cores": os.cpu_count(),
        "load_average_before": load_before,
        "load_average_after": load_after,
        "lines": args.lines,
        "pairs": [{"itemlookup_cpu_s": b, "plain_host_cpu_s": p} for b, p in pairs],
        "median_overhead": statistics.median(overheads),
        "itemlookup_lookups_per_cpu_s": args.lines / statistics.median(b for b, _ in pairs),
        "plain_host_lookups_per_cpu_s": args.lines / statistics.median(p for _, p in pairs),
    }
    summary = (f"itemlookup batch over the plain C host: {result['median_overhead']:+.1%} CPU "
               f"(median of {len(pairs)} pairs of {args.lines} lookups; "
               f"{result['itemlookup_lookups_per_cpu_s']:,.0f} against "
               f"{result['plain_host_lookups_per_cpu_s']:,.0f} lookups per CPU second)")
    print(summary)
    if args.out_dir:
        os.makedirs(args.out_dir, exist_ok=True)
        with open(os.path.join(args.out_dir, "batch-cost.json"), "w") as out:
            json.dump(result, out, indent=2)
            out.write("\n")
        with open(os.path.join(args.out_dir, "batch-cost.md"), "w") as out:
            out.write("# itemlookup batch beside a plain C host\n\n")
            out.write(f"Taken {result['taken']} on {result['machine']}, {result['cores']} cores; "
                      f"load average {' '.join(f'{x:.2f}' for x in load_before)} before, "
                      f"{' '.join(f'{x:.2f}' for x in load_after)} after.\n\n")
            out.write(summary + ".\n\n| Pair | itemlookup CPU s | plain host CPU s | overhead |\n"
                      "|---:|---:|---:|---:|\n")
            for number, (batch_cpu, plain_cpu) in enumerate(pairs, 1):
                out.write(f"| {number} | {batch_cpu:.3f} | {plain_cpu:.3f} | "
                          f"{batch_cpu / plain_cpu - 1:+.1%} |\n")
    if args.target is not None and result["median_overhead"] * 100 > args.target:
        print(f"batch_cost: above the target of {args.target:+.1f} %", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
