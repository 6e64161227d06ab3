#!/usr/bin/env python3
"""Writes the instruction-count report: the per-lookup figures callgrind_costs.py read from the
callgrind dumps, the first-call times of first_call_time, and each figure against its target.

usage: instruction_report.py COSTS_JSON FIRST_CALLS_JSONL REPORT_JSON REPORT_MD [--load "a b c"]
                             [--batch BATCH_JSON]
  --load   the load average while the first calls were timed, for the report
  --batch  itemlookup batch beside the plain C host, as bench/batch_instructions.py wrote it
Exits 1 when a target is missed, so a script or a CI job can tell.
"""
import json
import statistics
import sys
from collections import defaultdict

OWN_CODE_LIMIT = 3000          # instructions of the modules' own code per lookup, function code 1
CONVERTER_LIMIT = 200          # instructions per converter call
OVERHEAD_LIMIT = 0.02          # module over the hand-written ODBC lookup
FIRST_CALL_LIMIT_US = 1000.0
BATCH_OVERHEAD_LIMIT = 0.03    # itemlookup --json batch over the plain C host, per lookup


def load_first_calls(path):
    runs = defaultdict(list)
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            if line.strip():
                run = json.loads(line)
                runs[(run["case"], run["failing"])].append(run)
    first_calls = []
    for (case, failing), samples in sorted(runs.items()):
        first_calls.append({
            "case": case,
            "failing": failing,
            "processes": len(samples),
            "load_us": statistics.median(s["load_us"] for s in samples),
            "first_call_us": statistics.median(s["first_call_us"] for s in samples),
            "first_call_cpu_us": statistics.median(s["first_call_cpu_us"] for s in samples),
            "later_call_us": statistics.median(s["later_call_us"] for s in samples),
        })
    return first_calls


def module_rows(batches):
    by_name = {row["batch"]: row for row in batches}
    rows = []
    for name, row in sorted(by_name.items()):
        if not name.endswith("/module"):
            continue
        case = name[len("sqlite/"):-len("/module")]
        direct = by_name.get(f"sqlite/{case}/odbc_direct")
        rows.append(dict(row, case=case,
                         direct_total=direct["total"] if direct else None,
                         overhead=row["total"] / direct["total"] - 1 if direct else None,
                         prepared_total=by_name.get(f"sqlite/{case}/odbc_prepared", {}).get("total"),
                         sqlite_api_total=by_name.get(f"sqlite/{case}/sqlite_api", {}).get("total")))
    return rows


def verdicts(rows, first_calls, batch):
    checks = []
    for row in rows:
        if row["case"].endswith("/1"):
            checks.append((f"{row['case']}: own code incl. C library ≤ {OWN_CODE_LIMIT}",
                           row["own_and_libc"] <= OWN_CODE_LIMIT, f"{row['own_and_libc']:.0f}"))
        checks.append((f"{row['case']}: module over hand-written ODBC ≤ 2 % (instructions)",
                       row["overhead"] is not None and row["overhead"] <= OVERHEAD_LIMIT,
                       f"{row['overhead'] * 100:+.2f} %"))
        checks.append((f"{row['case']}: no allocation by the module", row["allocations"] == 0,
                       f"{row['allocations']:g}"))
        if row["converter_calls"]:
            checks.append((f"{row['case']}: converter < {CONVERTER_LIMIT} per call",
                           row["converter_per_call"] < CONVERTER_LIMIT,
                           f"{row['converter_per_call']:.0f}"))
    for run in first_calls:
        label = "failing statement" if run["failing"] else "found row"
        checks.append((f"{run['case']} first call after load ({label}) < 1 ms",
                       run["first_call_us"] < FIRST_CALL_LIMIT_US, f"{run['first_call_us']:.0f} µs"))
    if batch:
        checks.append((f"itemlookup --json batch over the plain C host ≤ "
                       f"{BATCH_OVERHEAD_LIMIT:.0%} (instructions per lookup)",
                       batch["overhead"] <= BATCH_OVERHEAD_LIMIT, f"{batch['overhead']:+.2%}"))
    return [{"target": target, "met": met, "figure": figure} for target, met, figure in checks]


def converter_overall(rows):
    calls = sum(row["converter_calls"] for row in rows)
    instructions = sum(row["converter_calls"] * row["converter_per_call"] for row in rows)
    most = max((row["converter_per_call"] for row in rows if row["converter_calls"]), default=0)
    return {"calls_per_lookup_set": calls, "mean_per_call": instructions / calls if calls else 0,
            "highest_lookup_mean": most}


def markdown(report):
    overall = report["converter"]
    lines = [
        "# Instruction counts",
        "",
        f"{report['lookups_per_batch']} lookups per operation on the SQLite demo database under "
        "callgrind, after three uncounted warm-up lookups. Instructions per lookup.",
        "",
        "| Lookup | Own code | Own code + C library | Converter calls | Converter per call "
        "| Allocations | Module total | Hand-written total | Module overhead "
        "| Prepared total | SQLite C API total |",
        "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|",
    ]
    for row in report["modules"]:
        lines.append(
            f"| {row['case']} | {row['own']:,.0f} | {row['own_and_libc']:,.0f} "
            f"| {row['converter_calls']:g} | {row['converter_per_call']:,.0f} "
            f"| {row['allocations']:g} | {row['total']:,.0f} | {row['direct_total']:,.0f} "
            f"| {row['overhead'] * 100:+.2f} % | {row['prepared_total']:,.0f} "
            f"| {row['sqlite_api_total']:,.0f} |")
    lines += [
        "",
        "*Own code*: instructions executed in VELDORIN.so or MARQUETH.so themselves (frame and "
        "operation tables). *+ C library*: with the memcpy, memset and memchr that code calls, "
        "i.e. the entry point's inclusive cost minus its calls into the driver manager and the "
        "PGMS modules. *Converter*: TARNIVEL, inclusive. *Module overhead*: the module's total "
        "per lookup over the hand-written ODBC lookup's (same statement, same ODBC calls), minus "
        "one.",
        "",
        f"Converter over all {overall['calls_per_lookup_set']:g} conversions of the seven "
        f"lookups: {overall['mean_per_call']:.0f} instructions per call on average; its cost "
        "grows with the length of the column text.",
        "",
        "## First call after load",
        "",
        "Median over fresh processes; the connection is warmed by a hand-written lookup first, so "
        "the first call pays for binding the module's names, not for the driver reading the "
        "schema. A failing statement (empty database) also binds the message module. Load "
        f"average while timed: {report['load'] or '?'}.",
        "",
        "| Lookup | Statement | Processes | Load (dlopen) µs | First call µs "
        "| First call, CPU µs | Later calls µs |",
        "|---|---|---:|---:|---:|---:|---:|",
    ]
    for run in report["first_calls"]:
        lines.append(
            f"| {run['case']} | {'fails' if run['failing'] else 'finds the row'} "
            f"| {run['processes']} | {run['load_us']:.0f} | {run['first_call_us']:.0f} "
            f"| {run['first_call_cpu_us']:.0f} | {run['later_call_us']:.0f} |")
    lines += batch_markdown(report.get("batch"))
    lines += ["", "## Targets", "", "| Target | Figure | Met |", "|---|---:|---|"]
    for check in report["targets"]:
        lines.append(f"| {check['target']} | {check['figure']} | {'yes' if check['met'] else 'NO'} |")
    return "\n".join(lines) + "\n"


def batch_markdown(batch):
    if not batch:
        return []
    short, long = batch["lines"]
    lines = [
        "",
        "## itemlookup batch beside the plain C host",
        "",
        f"`itemlookup --json batch` and `bench/plain_batch_host` over the same line mix "
        f"(bench/batch_cost.py's), {short} and {long} lines each under callgrind: the "
        "difference, per line, is what a lookup costs with starting up left out. "
        f"itemlookup {batch['itemlookup_per_lookup']:,.0f} instructions per lookup, the plain "
        f"host {batch['plain_host_per_lookup']:,.0f}: {batch['overhead']:+.2%}.",
        "",
        "| Where | itemlookup | plain host | difference |",
        "|---|---:|---:|---:|",
    ]
    for part in batch["parts"]:
        lines.append(f"| {part['part']} | {part['itemlookup']:,.0f} | {part['plain_host']:,.0f} "
                     f"| {part['itemlookup'] - part['plain_host']:+,.0f} |")
    lines += ["", "itemlookup's own code per lookup, by function (self cost):", "",
              "| Function | Instructions |", "|---|---:|"]
    for function in batch["own_functions"]:
        lines.append(f"| `{function['function']}` | {function['per_lookup']:,.0f} |")
    single = batch["single_lookup"]
    lines += ["", f"One lookup (`itemlookup item 1001`, the whole process): "
                  f"{single['table']:,} instructions printed as a table, {single['json']:,} "
                  f"as JSON ({single['table'] - single['json']:+,})."]
    return lines


def main(argv):
    load = ""
    if "--load" in argv:
        at = argv.index("--load")
        load = argv[at + 1]
        del argv[at:at + 2]
    batch = None
    if "--batch" in argv:
        at = argv.index("--batch")
        with open(argv[at + 1], encoding="utf-8") as text:
            batch = json.load(text)
        del argv[at:at + 2]
    if len(argv) != 5:
        sys.exit(__doc__)
    costs_path, first_calls_path, report_json, report_md = argv[1:]
    with open(costs_path, encoding="utf-8") as costs:
        costs = json.load(costs)
    rows = module_rows(costs["batches"])
    first_calls = load_first_calls(first_calls_path)
    report = {
        "lookups_per_batch": costs["lookups_per_batch"],
        "modules": rows,
        "batches": costs["batches"],
        "converter": converter_overall(rows),
        "first_calls": first_calls,
        "load": load,
        "batch": batch,
        "targets": verdicts(rows, first_calls, batch),
    }
    with open(report_json, "w", encoding="utf-8") as out:
        json.dump(report, out, indent=2)
    text = markdown(report)
    with open(report_md, "w", encoding="utf-8") as out:
        out.write(text)
    sys.stdout.write(text)
    return 0 if all(check["met"] for check in report["targets"]) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
