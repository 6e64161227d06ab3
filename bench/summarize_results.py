#!/usr/bin/env python3
"""Turns the JSON of bench/lookup_benchmarks into the figures a reader wants: lookups per second
of each way (median of the repetitions), the module's overhead over the hand-written lookup (from
those medians, and from the paired blocks), and the ratios to the prepared ODBC lookup and to
SQLite's own C API. Writes a markdown table and a
JSON summary beside it, with the machine and driver facts.

Exits 1 when a benchmark reported an error or a way is missing: a lookup that stopped finding
its row must not pass as a fast one.

usage: summarize_results.py BENCHMARK_JSON SUMMARY_JSON SUMMARY_MD [--load-before "a b c"]
                            [--load-after "a b c"] [--allow-missing] [--smoke]
  --allow-missing  a filtered run: ways that did not run are no failure
  --smoke          a smoke run: the report says its rates are no measurement
"""
import json
import os
import re
import statistics
import subprocess
import sys
from collections import defaultdict

WAYS = ("module", "odbc_direct", "odbc_prepared", "sqlite_api")
DATABASE_WAYS = {"sqlite": WAYS, "postgres": WAYS[:3]}
PAIRED = "paired"  # module against odbc_direct in alternating blocks: counter module_overhead
BLOCK = 50  # lookups per block, PairedBlocks::kLookupsPerBlock
CASES = ("VELDORIN/1", "VELDORIN/2", "VELDORIN/3",
         "MARQUETH/1", "MARQUETH/2", "MARQUETH/3", "MARQUETH/4")
PACKAGES = ("unixodbc", "libsqliteodbc", "odbc-postgresql", "libsqlite3-0", "postgresql-15",
            "libbenchmark1debian")


def command_output(*command):
    try:
        return subprocess.run(command, capture_output=True, text=True, check=False).stdout.strip()
    except OSError:
        return ""


def cpu_model():
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as cpuinfo:
            for line in cpuinfo:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown"


def package_versions():
    versions = {}
    for package in PACKAGES:
        version = command_output("dpkg-query", "-W", "-f=${Version}", package)
        if version:
            versions[package] = version
    return versions


def split_run_name(run_name):
    """"postgres/VELDORIN/1/module/iterations:20/real_time" -> ("postgres", "VELDORIN/1", "module")"""
    parts = run_name.split("/")
    return parts[0], "/".join(parts[1:3]), parts[3]


def medians(benchmarks):
    """Per (database, case, way) the median over the repetitions: lookups per second, or for the
    paired blocks the module's overhead."""
    samples = defaultdict(list)
    errors = []
    for benchmark in benchmarks:
        key = split_run_name(benchmark["run_name"])
        if benchmark.get("error_occurred"):
            errors.append(f"{benchmark['run_name']}: {benchmark.get('error_message', 'error')}")
        elif benchmark.get("run_type") == "iteration":
            measure = "module_overhead" if key[2] == PAIRED else "items_per_second"
            samples[key].append(benchmark[measure])
    return {key: statistics.median(values) for key, values in samples.items()}, samples, errors


def ratio(numerator, denominator):
    return numerator / denominator if numerator and denominator else None


def summarize(rates, samples):
    rows = []
    for database, ways in DATABASE_WAYS.items():
        for case in CASES:
            found = {way: rates.get((database, case, way)) for way in ways}
            if not any(found.values()):
                continue
            module, direct = found["module"], found["odbc_direct"]
            rows.append({
                "database": database,
                "case": case,
                "lookups_per_second": found,
                "samples": {way: samples.get((database, case, way), [])
                            for way in ways + (PAIRED,)},
                # Time per lookup through the module over time per hand-written lookup, minus 1.
                "module_overhead": ratio(direct, module) - 1 if module and direct else None,
                # The same from alternating blocks of the two, timed pair by pair.
                "module_overhead_paired": rates.get((database, case, PAIRED)),
                "prepared_over_direct": ratio(found["odbc_prepared"], direct),
                "sqlite_api_over_module": ratio(found.get("sqlite_api"), module),
            })
    return rows


def missing_ways(rates, databases):
    return [f"{database}/{case}/{way}" for database in databases
            for case in CASES for way in DATABASE_WAYS[database] + (PAIRED,)
            if (database, case, way) not in rates]


def number(value, digits=0):
    return "–" if value is None else f"{value:,.{digits}f}"


def percent(value):
    return "–" if value is None else f"{value * 100:+.1f} %"


def times(value):
    return "–" if value is None else f"×{value:.2f}"


def markdown(summary):
    facts = summary["machine"]
    context = summary["context"]
    lines = [
        "# Lookup benchmarks",
        "",
        f"Taken {context.get('date', '?')} on {facts['cpu_model']}, {facts['cpus']} cores; "
        f"load average {facts['load_before'] or '?'} before the run, "
        f"{facts['load_after'] or '?'} after it. "
        f"Median of {summary['repetitions']} repetition(s) per benchmark.",
        "",
        f"- SQLite ODBC: {context.get('sqlite_odbc', '?')}; SQLite library "
        f"{context.get('sqlite_library', '?')}",
        f"- PostgreSQL ODBC: {context.get('postgres_odbc', '?')}",
        "- Packages: " + ", ".join(f"{name} {version}"
                                   for name, version in facts["packages"].items()),
        "",
        "Lookups per second. SQLite figures are CPU time of the one process that does all the "
        "work; PostgreSQL figures are wall time, so they include the server and the loopback "
        "round trip. *Module overhead* is the module's time per lookup over the hand-written "
        "ODBC lookup's, minus one, from the two medians; *paired* is the same ratio measured in "
        f"alternating blocks of {BLOCK} lookups of each, timed pair by pair (median of the pairs, "
        "then of the repetitions): what else the machine does slows both blocks of a pair alike.",
        "",
        "| Database | Lookup | Module | ODBC direct | ODBC prepared | SQLite C API "
        "| Module overhead | Overhead, paired | Prepared ÷ direct | C API ÷ module |",
        "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|",
    ]
    for row in summary["rows"]:
        rates = row["lookups_per_second"]
        lines.append(
            f"| {row['database']} | {row['case']} | {number(rates.get('module'))} "
            f"| {number(rates.get('odbc_direct'))} | {number(rates.get('odbc_prepared'))} "
            f"| {number(rates.get('sqlite_api'))} | {percent(row['module_overhead'])} "
            f"| {percent(row['module_overhead_paired'])} "
            f"| {times(row['prepared_over_direct'])} | {times(row['sqlite_api_over_module'])} |")
    if summary["notes"]:
        lines += [""] + [f"- {note}" for note in summary["notes"]]
    return "\n".join(lines) + "\n"


def main(argv):
    flags = {flag for flag in ("--allow-missing", "--smoke") if flag in argv}
    for flag in flags:
        argv.remove(flag)
    allow_missing = "--allow-missing" in flags
    loads = {}
    for option in ("--load-before", "--load-after"):
        if option in argv:
            at = argv.index(option)
            loads[option] = argv[at + 1]
            del argv[at:at + 2]
    if len(argv) != 4:
        sys.exit(__doc__)
    source, summary_json, summary_md = argv[1:]
    with open(source, encoding="utf-8") as results:
        results = json.load(results)
    rates, samples, errors = medians(results["benchmarks"])
    context = results.get("context", {})
    databases = ["sqlite"]
    notes = []
    if "--smoke" in flags:
        notes.append("Smoke run: a few iterations per benchmark, to show that every lookup runs "
                     "and finds its row. These rates are no measurement.")
    if str(context.get("postgres_odbc", "")).startswith("skipped"):
        notes.append("PostgreSQL " + context["postgres_odbc"])
    else:
        databases.append("postgres")
    missing = [] if allow_missing else missing_ways(rates, databases)
    summary = {
        "machine": {
            "cpu_model": cpu_model(),
            "cpus": os.cpu_count(),
            "load_before": loads.get("--load-before", ""),
            "load_after": loads.get("--load-after", ""),
            "packages": package_versions(),
            "unixodbc": command_output("odbcinst", "--version"),
        },
        "context": context,
        "repetitions": max((len(values) for values in samples.values()), default=0),
        "rows": summarize(rates, samples),
        "notes": notes,
        "errors": errors,
        "missing": missing,
    }
    with open(summary_json, "w", encoding="utf-8") as out:
        json.dump(summary, out, indent=2)
    text = markdown(summary)
    with open(summary_md, "w", encoding="utf-8") as out:
        out.write(text)
    sys.stdout.write(text)
    for problem in errors + [f"{name}: not run" for name in missing]:
        print(f"summarize_results: {problem}", file=sys.stderr)
    return 1 if errors or missing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
