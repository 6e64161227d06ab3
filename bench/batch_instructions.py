#!/usr/bin/env python3
"""Where the instructions of `itemlookup --json batch` go per lookup, beside the plain C host
(bench/plain_batch_host.c) making the same module calls for the same lines, under callgrind.

Each host runs the same line mix twice, at two lengths; the difference between the two runs,
divided by the difference in lines, is what one more lookup costs, with starting up and shutting
down left out. It is split by where it is spent (the host's own code, the C library's allocator,
its copying and scanning, its output, and everything else: modules, driver manager, driver,
SQLite), and itemlookup's own code by function. Then one lookup printed as a table and as JSON
(`itemlookup item 1001`, with and without --json): what the table costs beside the JSON line.

usage: batch_instructions.py --itemlookup BIN --plain-host BIN --modules DIR --out JSON
                             [--lines N] [--work DIR]
  --lines  lines of the shorter run (default 800); the longer has three times as many
"""
import argparse
import json
import os
import re
import subprocess
import sys
import tempfile

# The lines both hosts understand, found and not found: the mix bench/batch_cost.py times.
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from batch_cost import LINE_MIX  # noqa: E402

ALLOCATOR = re.compile(r"^(malloc|free|calloc|realloc|cfree|_int_malloc|_int_free|_int_realloc|"
                       r"unlink_chunk.*|malloc_consolidate|tcache.*|operator new.*|"
                       r"operator delete.*)$")
COPYING = re.compile(r"^__(mem|str|wmem|stp)\w*$")
OUTPUT = re.compile(r"^(_IO_\w+|\w*printf\w*|__vfprintf_internal|fwrite|fputs|fputc|putc|"
                    r"fflush|new_do_write|_IO_new_file_\w+|__printf_buffer\w*|outstring\w*)"
                    r"(@@GLIBC[\w.]*)?$")
PARTS = ["the host's own code", "C library: allocator", "C library: copying and scanning",
         "C library: output", "modules, driver manager, driver, SQLite"]
TOTAL_LINE = re.compile(r"^\s*([\d,]+)\s+\([^)]*\)\s+PROGRAM TOTALS")
FUNCTION_LINE = re.compile(r"^\s*([\d,]+)\s+\([^)]*\)\s+(?:\*\s+)?(.*?)\s+\[(.*)\]\s*$")


def function_costs(dump):
    """(function, object) -> instructions, self cost, from one callgrind dump; and the total."""
    text = subprocess.run(["callgrind_annotate", "--threshold=100", "--inclusive=no", dump],
                          capture_output=True, text=True, check=True).stdout
    costs, total = {}, 0
    for line in text.splitlines():
        if match := TOTAL_LINE.match(line):
            total = int(match.group(1).replace(",", ""))
        elif match := FUNCTION_LINE.match(line):
            name = match.group(2)
            # "file:function" or "???:function"; the function is after the first colon that
            # follows the file (C++ names hold "::" of their own).
            name = re.sub(r"^(\?\?\?|[^:]*\.[A-Za-z]+):(?!:)", "", name, count=1)
            key = (name, match.group(3))
            costs[key] = costs.get(key, 0) + int(match.group(1).replace(",", ""))
    return costs, total


def part_of(function, obj, host):
    if os.path.basename(obj) == os.path.basename(host):
        return PARTS[0]
    if "libc.so" in obj or "libstdc++" in obj or "ld-linux" in obj:
        bare = function.split("(")[0]
        if ALLOCATOR.match(bare):
            return PARTS[1]
        if COPYING.match(bare):
            return PARTS[2]
        if OUTPUT.match(bare):
            return PARTS[3]
    return PARTS[4]


def short_name(function):
    """A C++ function's name without its namespace's noise and its parameters."""
    name = function.replace("(anonymous namespace)::", "").replace("[abi:cxx11]", "")
    return name.split("(")[0]


def callgrind(command, lines_file, dump):
    with open(lines_file, "rb") as lines, open(os.devnull, "wb") as devnull:
        subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={dump}", *command],
                       stdin=lines, stdout=devnull, stderr=devnull, check=True)


def per_lookup(command, host, folder, name, short, long):
    """Per-lookup instructions of one host: total, by part, by function."""
    runs = {}
    for count in (short, long):
        lines_file = os.path.join(folder, f"lines-{count}.txt")
        dump = os.path.join(folder, f"{name}-{count}.callgrind")
        callgrind(command, lines_file, dump)
        runs[count] = function_costs(dump)
    (few, few_total), (many, many_total) = runs[short], runs[long]
    lookups = long - short
    functions = {key: (many.get(key, 0) - few.get(key, 0)) / lookups for key in set(few) | set(many)}
    parts = {part: 0.0 for part in PARTS}
    for (function, obj), cost in functions.items():
        parts[part_of(function, obj, host)] += cost
    return (many_total - few_total) / lookups, parts, functions


def single_lookup(itemlookup, connect, folder):
    """Instructions of one `itemlookup item 1001`, as a table and as JSON."""
    totals = {}
    for form, options in (("table", []), ("json", ["--json"])):
        dump = os.path.join(folder, f"single-{form}.callgrind")
        with open(os.devnull, "wb") as devnull:
            subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={dump}",
                            itemlookup, "--connect", connect, *options, "item", "1001"],
                           stdout=devnull, stderr=devnull, check=True)
        totals[form] = function_costs(dump)[1]
    return totals


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--itemlookup", required=True)
    parser.add_argument("--plain-host", required=True)
    parser.add_argument("--modules", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--lines", type=int, default=800)
    parser.add_argument("--work")
    args = parser.parse_args()
    short, long = args.lines, 3 * args.lines

    with tempfile.TemporaryDirectory(dir=args.work) as folder:
        for count in (short, long):
            with open(os.path.join(folder, f"lines-{count}.txt"), "w") as out:
                out.writelines(LINE_MIX[i % len(LINE_MIX)] + "\n" for i in range(count))
        database = os.path.join(folder, "demo.db")
        subprocess.run([args.itemlookup, "--demo-db", database, "item", "1001"],
                       stdout=subprocess.DEVNULL, check=True)
        connect = f"DRIVER=SQLite3;Database={database}"
        batch_total, batch_parts, batch_functions = per_lookup(
            [args.itemlookup, "--connect", connect, "--json", "batch", "-"], args.itemlookup,
            folder, "itemlookup", short, long)
        plain_total, plain_parts, _ = per_lookup(
            [args.plain_host, args.modules, connect], args.plain_host, folder, "plain", short,
            long)
        single = single_lookup(args.itemlookup, connect, folder)

    own = sorted(((cost, function) for (function, obj), cost in batch_functions.items()
                  if part_of(function, obj, args.itemlookup) == PARTS[0]), reverse=True)
    result = {
        "lines": [short, long],
        "itemlookup_per_lookup": batch_total,
        "plain_host_per_lookup": plain_total,
        "overhead": batch_total / plain_total - 1,
        "parts": [{"part": part, "itemlookup": batch_parts[part], "plain_host": plain_parts[part]}
                  for part in PARTS],
        "own_functions": [{"function": short_name(function), "per_lookup": cost}
                          for cost, function in own[:15] if cost >= 1],
        "single_lookup": single,
    }
    with open(args.out, "w", encoding="utf-8") as out:
        json.dump(result, out, indent=2)
        out.write("\n")
    print(f"batch_instructions: itemlookup {batch_total:,.0f}, plain host {plain_total:,.0f} "
          f"instructions per lookup ({result['overhead']:+.2%})", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
