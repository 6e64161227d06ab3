#!/usr/bin/env python3
"""CPU cost of `itemlookup --json batch` beside a plain C host making the same module calls for
the same lines on the same SQLite demo database, with the default bound on waits. The hosts run in
turns, each round in a changed order; each run's CPU time (user and system, of the process
alone) is read from the kernel when it ends. The figure is the median over the rounds of
itemlookup's CPU time over the plain host's, minus one. `itemlookup batch` without --json is
timed too: a batch has one output, JSON lines, so its bytes must be the same (checked).

usage: batch_cost.py --itemlookup BIN --plain-host BIN --modules DIR --lines N --pairs N
                     [--out-dir DIR] [--target PERCENT]
Writes batch-cost.json and batch-cost.md to --out-dir; with --target, exits 1 when the median
overhead with --json is above it.
"""
import argparse
import filecmp
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


def cpu_seconds(command, stdin_path, stdout_path=os.devnull, cpu=None):
    """Runs command with stdin from the file and stdout to the other (discarded unless named),
    on the one CPU given (any allowed one without it); returns its CPU seconds."""
    pin = None if cpu is None else (lambda: os.sched_setaffinity(0, {cpu}))
    with open(stdin_path, "rb") as stdin, open(stdout_path, "wb") as stdout, \
            open(os.devnull, "wb") as devnull:
        process = subprocess.Popen(command, stdin=stdin, stdout=stdout, stderr=devnull,
                                   preexec_fn=pin)
        _, status, usage = os.wait4(process.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"batch_cost: {command[0]} failed ({os.waitstatus_to_exitcode(status)})")
    return usage.ru_utime + usage.ru_stime


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--itemlookup", required=True)
    parser.add_argument("--plain-host", required=True)
    parser.add_argument("--modules", required=True)
    parser.add_argument("--lines", type=int, default=60000)
    parser.add_argument("--pairs", type=int, default=11)
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
        batch = [args.itemlookup, "--connect", connect, "--json", "batch", "-"]
        batch_default = [args.itemlookup, "--connect", connect, "batch", "-"]
        plain = [args.plain_host, args.modules, connect]
        # The two forms write the same bytes: the output of a batch is JSON lines either way.
        outputs = [os.path.join(folder, name) for name in ("json.out", "default.out")]
        cpu_seconds(batch, lines, outputs[0])
        cpu_seconds(batch_default, lines, outputs[1])
        if not filecmp.cmp(*outputs, shallow=False):
            sys.exit("batch_cost: itemlookup batch writes other bytes with --json than without")
        load_before = os.getloadavg()
        pairs = []
        default_runs = []
        runs = [("plain", plain), ("json", batch), ("default", batch_default)]
        cpus = sorted(os.sched_getaffinity(0))
        for round_number in range(args.pairs):
            cpu = {}
            on = cpus[round_number % len(cpus)]
            # Each host goes first in turn, so that none always gets the calmer moment.
            shift = round_number % len(runs)
            for name, command in runs[shift:] + runs[:shift]:
                cpu[name] = cpu_seconds(command, lines, cpu=on)
            pairs.append((cpu["json"], cpu["plain"]))
            default_runs.append(cpu["default"])
        load_after = os.getloadavg()

    overheads = [batch / plain - 1 for batch, plain in pairs]
    default_overheads = [default / plain - 1 for default, (_, plain) in zip(default_runs, pairs)]
    result = {
        "taken": time.strftime("%Y-%m-%dT%H:%M:%S%z"),
        "machine": platform.processor() or platform.machine(),
        "cores": os.cpu_count(),
        "load_average_before": load_before,
        "load_average_after": load_after,
        "lines": args.lines,
        "pairs": [{"itemlookup_cpu_s": b, "plain_host_cpu_s": p, "without_json_cpu_s": d}
                  for (b, p), d in zip(pairs, default_runs)],
        "median_overhead": statistics.median(overheads),
        "median_overhead_without_json": statistics.median(default_overheads),
        "itemlookup_lookups_per_cpu_s": args.lines / statistics.median(b for b, _ in pairs),
        "plain_host_lookups_per_cpu_s": args.lines / statistics.median(p for _, p in pairs),
    }
    summary = (f"itemlookup --json batch over the plain C host: {result['median_overhead']:+.1%} "
               f"CPU (median of {len(pairs)} rounds of {args.lines} lookups; "
               f"{result['itemlookup_lookups_per_cpu_s']:,.0f} against "
               f"{result['plain_host_lookups_per_cpu_s']:,.0f} lookups per CPU second); "
               f"without --json (the same bytes): "
               f"{result['median_overhead_without_json']:+.1%}")
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
            out.write(summary + ".\n\n| Round | plain host CPU s | itemlookup --json CPU s | "
                      "overhead | without --json CPU s | overhead |\n"
                      "|---:|---:|---:|---:|---:|---:|\n")
            for number, ((batch_cpu, plain_cpu), default_cpu) in enumerate(
                    zip(pairs, default_runs), 1):
                out.write(f"| {number} | {plain_cpu:.3f} | {batch_cpu:.3f} | "
                          f"{batch_cpu / plain_cpu - 1:+.1%} | {default_cpu:.3f} | "
                          f"{default_cpu / plain_cpu - 1:+.1%} |\n")
    if args.target is not None and result["median_overhead"] * 100 > args.target:
        print(f"batch_cost: above the target of {args.target:+.1f} %", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
