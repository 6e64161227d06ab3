#!/usr/bin/env python3
"""Many host processes at once on MariaDB: straight to one server, and through the Galera recipe's
router to the cluster. Aggregate lookups per second, p50 and p99 latency, and CPU time per lookup
of the hosts, the servers and the router; and what one connection costs, to judge whether a
pooler would pay.

Each run starts N bench/scale_host processes (real hosts: the modules loaded by path, one ODBC
connection each, one module call per lookup), waits until all have connected, lets them look up
demo keys for the same number of seconds, and gathers every lookup's wall time. Each round runs
every way in turn, in an order that changes from round to round; the median over the rounds is
reported. Before the runs, for each way, connections are opened and closed one after another,
and many are held open at once, to read a connection's time, CPU and memory on the server.

usage: galera_scale_benchmark.py --scale-host BIN --modules DIR --way NAME=LABEL=CONNECT ...
                                 [--cpu NAME=PID-FILE ...] [--memory NAME=PID-FILE]
                                 [--processes 1,8,32] [--seconds S] [--rounds N]
                                 [--connections N] [--postgres-figures FILE] [--out-dir DIR]
--way: the first is the one the others are compared with ("direct"); the target is read on the
way named "router". --cpu: CPU time per lookup of the process a pid file names, all its threads
(a MariaDB server is one process); the same name given again adds that process to the figure.
--memory: the server whose resident memory is read with 100 connections held open at once.
--postgres-figures: scale.json of scripts/scale-benchmark, whose router cost is shown beside.

Writes galera-scale.json and galera-scale.md to --out-dir. The target (through the router at
least 70 % of the direct rate at 8 processes) is reported, never asserted.
"""
import argparse
import ctypes
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
# No compiled copy of it left in the source tree.
sys.dont_write_bytecode = True
# The PostgreSQL scale benchmark's helpers that know nothing of PostgreSQL.
from scale_benchmark import cpu_seconds_of, machine, percentile, read_line  # noqa: E402

DIRECT = "direct"
ROUTER = "router"
SHARE_TARGET = 0.70
SHARE_PROCESSES = 8
READY_TIMEOUT = 120
# Connections held open at once to read a server's memory per connection: below the server's
# default max_connections (151).
HELD_CONNECTIONS = 100


def fail(message):
    sys.exit(f"galera_scale_benchmark: {message}")


def cpu_now(cpu):
    return {name: cpu_seconds_of(paths) for name, paths in cpu.items()}


def cpu_used(before, after, count):
    """CPU microseconds per unit (lookup, connection) of each named part."""
    return {f"{name}_cpu_us": (after[name] - before[name]) / count * 1e6 for name in before
            if before[name] is not None and after[name] is not None}


def one_run(args, way, connect, processes, folder):
    """N hosts for args.seconds; their rate, latency and CPU time per lookup."""
    hosts = []
    files = []
    for number in range(processes):
        path = os.path.join(folder, f"{way}-{processes}-{number}.txt")
        files.append(path)
        hosts.append(subprocess.Popen([args.scale_host, args.modules, connect, path],
                                      stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                      stderr=subprocess.PIPE, text=True))

    def stop_all(message):
        for host in hosts:
            if host.poll() is None:
                host.kill()
        errors = [host.stderr.read().strip() for host in hosts]
        fail(f"{message}; host messages: {'; '.join(e for e in errors if e)[:2000]}")

    deadline = time.monotonic() + READY_TIMEOUT
    for host in hosts:
        if read_line(host, deadline) != "ready":
            stop_all(f"a host did not get ready ({way}, {processes} processes)")
    load = os.getloadavg()
    before = cpu_now(args.cpu)
    for host in hosts:
        host.stdin.write(f"go {args.seconds}\n")
        host.stdin.flush()
    counts = []
    deadline = time.monotonic() + args.seconds + READY_TIMEOUT
    for host in hosts:
        line = read_line(host, deadline)
        if line is None or not line.startswith("done "):
            stop_all(f"a host did not finish ({way}, {processes} processes)")
        _, lookups, nanoseconds = line.split()
        counts.append((int(lookups), int(nanoseconds)))
    after = cpu_now(args.cpu)
    host_cpu = 0.0
    for host in hosts:
        host.stdin.close()
    for host in hosts:
        _, status, usage = os.wait4(host.pid, 0)
        if os.waitstatus_to_exitcode(status) != 0:
            stop_all(f"a host ended with status {os.waitstatus_to_exitcode(status)}")
        host_cpu += usage.ru_utime + usage.ru_stime
    latencies = []
    for path in files:
        with open(path) as numbers:
            latencies.extend(int(number) for number in numbers)
        os.remove(path)
    latencies.sort()
    if not latencies:
        fail(f"no lookup was timed ({way}, {processes} processes)")
    run = {
        "way": way,
        "processes": processes,
        "lookups": len(latencies),
        "lookups_per_s": sum(n / (ns / 1e9) for n, ns in counts if ns > 0),
        "p50_ms": percentile(latencies, 0.50) / 1e6,
        "p99_ms": percentile(latencies, 0.99) / 1e6,
        "load_average_at_start": load,
        # Connecting and the untimed first pass included: a little more than the lookups cost.
        "host_cpu_us": host_cpu / len(latencies) * 1e6,
    }
    run.update(cpu_used(before, after, len(latencies)))
    return run


class Odbc:
    """Just enough of the driver manager to open and close connections."""

    def __init__(self):
        self.lib = ctypes.CDLL("libodbc.so.2")
        # SQLRETURN is a 16-bit integer: the rest of the register is not the caller's to read.
        for name in ("SQLAllocHandle", "SQLSetEnvAttr", "SQLDriverConnect", "SQLDisconnect",
                     "SQLFreeHandle"):
            getattr(self.lib, name).restype = ctypes.c_short
        self.environment = ctypes.c_void_p()
        self.lib.SQLAllocHandle(1, None, ctypes.byref(self.environment))  # SQL_HANDLE_ENV
        # SQL_ATTR_ODBC_VERSION, SQL_OV_ODBC3
        self.lib.SQLSetEnvAttr(self.environment, 200, ctypes.c_void_p(3), 0)

    def connect(self, connect):
        handle = ctypes.c_void_p()
        self.lib.SQLAllocHandle(2, self.environment, ctypes.byref(handle))  # SQL_HANDLE_DBC
        text = connect.encode()
        result = self.lib.SQLDriverConnect(handle, None, text, len(text), None, 0, None, 0)
        if result not in (0, 1):
            fail(f"cannot connect with {connect}")
        return handle

    def disconnect(self, handle):
        self.lib.SQLDisconnect(handle)
        self.lib.SQLFreeHandle(2, handle)


def resident_kb(pid_file):
    with open(pid_file) as text:
        pid = text.read().split()[0]
    with open(f"/proc/{pid}/status") as status:
        fields = dict(line.split(":", 1) for line in status)
    return int(fields["VmRSS"].split()[0]), int(fields["Threads"])


def connection_cost(args, way, connect):
    """A connection opened (the DSN's session statement included) and closed, one after
    another: its wall time and CPU time; and with HELD_CONNECTIONS held open at once, the
    resident memory and threads each adds to the server args.memory names (direct only)."""
    odbc = Odbc()
    for _ in range(5):
        odbc.disconnect(odbc.connect(connect))
    times = []
    before = cpu_now(args.cpu)
    for _ in range(args.connections):
        start = time.perf_counter()
        odbc.disconnect(odbc.connect(connect))
        times.append(time.perf_counter() - start)
    after = cpu_now(args.cpu)
    times.sort()
    cost = {"way": way, "connections": len(times), "p50_ms": percentile(times, 0.50) * 1e3,
            "p99_ms": percentile(times, 0.99) * 1e3}
    cost.update(cpu_used(before, after, len(times)))
    if way == DIRECT and args.memory:
        rss_before, threads_before = resident_kb(args.memory)
        held = [odbc.connect(connect) for _ in range(HELD_CONNECTIONS)]
        time.sleep(1)
        rss_after, threads_after = resident_kb(args.memory)
        for handle in held:
            odbc.disconnect(handle)
        cost["server_kb_per_idle_connection"] = (rss_after - rss_before) / len(held)
        cost["server_threads_per_idle_connection"] = (threads_after - threads_before) / len(held)
    return cost


def summary_rows(runs, ways, process_counts):
    rows = []
    for processes in process_counts:
        direct = [r for r in runs if r["way"] == DIRECT and r["processes"] == processes]
        for way in ways:
            mine = [r for r in runs if r["way"] == way and r["processes"] == processes]
            row = {"way": way, "processes": processes, "rounds": len(mine)}
            for key in sorted({k for r in mine for k in r
                               if k in ("lookups_per_s", "p50_ms", "p99_ms")
                               or k.endswith("_cpu_us")}):
                row[key] = statistics.median(r[key] for r in mine if key in r)
            if way != DIRECT and direct:
                row["share_of_direct"] = row["lookups_per_s"] / statistics.median(
                    r["lookups_per_s"] for r in direct)
                for run in mine:
                    paired = [r for r in direct if r["round"] == run["round"]]
                    run["share_of_direct"] = run["lookups_per_s"] / paired[0]["lookups_per_s"]
            rows.append(row)
    return rows


def postgres_router_cost(path):
    """The PostgreSQL recipe's router CPU per lookup at SHARE_PROCESSES, from scale.json."""
    try:
        with open(path) as text:
            figures = json.load(text)
    except (OSError, ValueError):
        return None
    for row in figures.get("summary", []):
        if row.get("way") == "pooler+router" and row.get("processes") == SHARE_PROCESSES:
            cost = row.get("router_cpu_us_per_lookup")
            if cost is not None:
                return {"router_cpu_us": cost, "taken": figures.get("taken"),
                        "share_of_direct": row.get("share_of_direct")}
    return None


def write_report(out_dir, result):
    os.makedirs(out_dir, exist_ok=True)
    with open(os.path.join(out_dir, "galera-scale.json"), "w") as out:
        json.dump(result, out, indent=2)
        out.write("\n")
    named_ways = "; ".join(f"{way}: {label}" for way, label in result["ways"].items())
    cpu_columns = ["host"] + result["cpu_columns"]
    with open(os.path.join(out_dir, "galera-scale.md"), "w") as out:
        out.write("# Many host processes on MariaDB: one server, and the Galera cluster through"
                  " its router\n\n")
        out.write(f"Taken {result['taken']} on {result['machine']}, {result['cores']} cores; "
                  f"load average {' '.join(f'{x:.2f}' for x in result['load_average_before'])} "
                  f"before, {' '.join(f'{x:.2f}' for x in result['load_average_after'])} after. "
                  f"{result['seconds']} s per run, median of {result['rounds']} rounds; "
                  f"{named_ways}.\n\n")
        out.write("| Processes | Way | Lookups/s | p50 ms | p99 ms | Share of direct |\n"
                  "|---:|---|---:|---:|---:|---:|\n")
        for row in result["summary"]:
            share = f"{row['share_of_direct']:.0%}" if "share_of_direct" in row else ""
            out.write(f"| {row['processes']} | {row['way']} | {row['lookups_per_s']:,.0f} | "
                      f"{row['p50_ms']:.3f} | {row['p99_ms']:.3f} | {share} |\n")
        out.write("\nCPU time per lookup, microseconds (median over the rounds; the hosts' "
                  "includes connecting):\n\n| Processes | Way | " + " | ".join(cpu_columns)
                  + " |\n|---:|---|" + "---:|" * len(cpu_columns) + "\n")
        for row in result["summary"]:
            cells = [f"{row[c + '_cpu_us']:.1f}" if c + "_cpu_us" in row else ""
                     for c in cpu_columns]
            out.write(f"| {row['processes']} | {row['way']} | {' | '.join(cells)} |\n")
        target = result["target"]
        if target:
            out.write(f"\n| Target | Figure | Met |\n|---|---|---|\n| {target['target']} | "
                      f"{target['figure']} | {'yes' if target['met'] else 'NO'} |\n")
        postgres = result["postgres_router"]
        if postgres:
            mine = [r for r in result["summary"]
                    if r["way"] == ROUTER and r["processes"] == SHARE_PROCESSES]
            out.write(f"\nThe router's CPU time per lookup at {SHARE_PROCESSES} processes: "
                      f"{mine[0].get('router_cpu_us', 0):.1f} µs here, "
                      f"{postgres['router_cpu_us']:.1f} µs in the PostgreSQL recipe "
                      f"(bench/results/scale.json, taken {postgres['taken']}).\n")
        out.write("\nOne connection opened, its session statement run, and closed, one after "
                  "another (wall time; CPU time per connection, microseconds):\n\n"
                  "| Way | Connections | p50 ms | p99 ms | "
                  + " | ".join(result["cpu_columns"]) + " |\n|---|---:|---:|---:|"
                  + "---:|" * len(result["cpu_columns"]) + "\n")
        for cost in result["connection_cost"]:
            cells = [f"{cost[c + '_cpu_us']:.0f}" if c + "_cpu_us" in cost else ""
                     for c in result["cpu_columns"]]
            out.write(f"| {cost['way']} | {cost['connections']} | {cost['p50_ms']:.2f} | "
                      f"{cost['p99_ms']:.2f} | {' | '.join(cells)} |\n")
        for cost in result["connection_cost"]:
            if "server_kb_per_idle_connection" in cost:
                out.write(f"\n{HELD_CONNECTIONS} connections held open at once: "
                          f"{cost['server_kb_per_idle_connection']:.0f} KB of resident memory "
                          f"and {cost['server_threads_per_idle_connection']:.1f} threads each "
                          f"on the server ({cost['way']}).\n")
        out.write("\n| Round | Processes | Way | Lookups/s | p50 ms | p99 ms | Share of direct "
                  "this round | load at start |\n|---:|---:|---|---:|---:|---:|---:|---:|\n")
        for run in result["runs"]:
            share = f"{run['share_of_direct']:.0%}" if "share_of_direct" in run else ""
            out.write(f"| {run['round']} | {run['processes']} | {run['way']} | "
                      f"{run['lookups_per_s']:,.0f} | {run['p50_ms']:.3f} | {run['p99_ms']:.3f} | "
                      f"{share} | {run['load_average_at_start'][0]:.2f} |\n")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scale-host", required=True)
    parser.add_argument("--modules", required=True)
    parser.add_argument("--way", action="append", required=True)
    parser.add_argument("--cpu", action="append", default=[])
    parser.add_argument("--memory")
    parser.add_argument("--processes", default="1,8,32")
    parser.add_argument("--seconds", type=float, default=4)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--connections", type=int, default=200)
    parser.add_argument("--postgres-figures")
    parser.add_argument("--out-dir")
    args = parser.parse_args()
    ways = {}
    for text in args.way:
        name, label, connect = text.split("=", 2)
        ways[name] = (label, connect)
    if DIRECT not in ways:
        parser.error(f"no --way named {DIRECT}")
    cpu = {}
    for text in args.cpu:
        name, path = text.split("=", 1)
        cpu.setdefault(name, []).append(path)
    args.cpu = cpu
    process_counts = [int(n) for n in args.processes.split(",")]

    load_before = os.getloadavg()
    # First, while the servers have started no thread for the runs' hosts, which they would keep
    # for later connections.
    costs = [connection_cost(args, way, connect) for way, (_, connect) in ways.items()]
    runs = []
    with tempfile.TemporaryDirectory() as folder:
        for round_number in range(1, args.rounds + 1):
            for processes in process_counts:
                shift = (round_number - 1) % len(ways)
                order = list(ways)[shift:] + list(ways)[:shift]
                for way in order:
                    run = one_run(args, way, ways[way][1], processes, folder)
                    run["round"] = round_number
                    runs.append(run)
                    print(f"round {round_number}: {processes:3d} processes {way:7s} "
                          f"{run['lookups_per_s']:9,.0f} lookups/s  p50 {run['p50_ms']:.3f} ms  "
                          f"p99 {run['p99_ms']:.3f} ms", file=sys.stderr)
    load_after = os.getloadavg()

    rows = summary_rows(runs, list(ways), process_counts)
    target = None
    share_row = [r for r in rows if r["way"] == ROUTER and r["processes"] == SHARE_PROCESSES]
    if share_row and "share_of_direct" in share_row[0]:
        share = share_row[0]["share_of_direct"]
        target = {"target": f"{ROUTER}: at least {SHARE_TARGET:.0%} of the direct rate at "
                            f"{SHARE_PROCESSES} processes",
                  "figure": f"{share:.0%}", "met": share >= SHARE_TARGET}
    result = {
        "taken": time.strftime("%Y-%m-%dT%H:%M:%S%z"),
        "machine": machine(),
        "cores": os.cpu_count(),
        "load_average_before": load_before,
        "load_average_after": load_after,
        "seconds": args.seconds,
        "rounds": args.rounds,
        "ways": {way: label for way, (label, _) in ways.items()},
        "summary": rows,
        "cpu_columns": list(args.cpu),
        "target": target,
        "postgres_router": (postgres_router_cost(args.postgres_figures)
                            if args.postgres_figures else None),
        "connection_cost": costs,
        "runs": runs,
    }
    for row in rows:
        share = f"  {row['share_of_direct']:.0%} of direct" if "share_of_direct" in row else ""
        print(f"{row['processes']:3d} processes {row['way']:7s} {row['lookups_per_s']:9,.0f} "
              f"lookups/s  p50 {row['p50_ms']:.3f} ms  p99 {row['p99_ms']:.3f} ms{share}")
    if target:
        print(f"{'met' if target['met'] else 'MISSED'}: {target['target']}: {target['figure']}")
    for cost in costs:
        print(f"connection {cost['way']}: p50 {cost['p50_ms']:.2f} ms")
    if args.out_dir:
        write_report(args.out_dir, result)
    return 0


if __name__ == "__main__":
    sys.exit(main())
