#!/usr/bin/env python3
"""Many host processes at once, straight to a PostgreSQL server and through the pooler: aggregate
lookups per second, p50 and p99 latency per lookup, and the server connections they used.

The ways: "direct" (straight to a server), "pooler" (the pooler straight to that same server over
its Unix socket: the pooler's own cost) and "recipe" (the recipe's DSN: the pooler and the hot
standbys its host list leads to). Each way through the pooler names the pooler's database in its
connection string (Database=), whose pool is the one sampled.

Each run starts N bench/scale_host processes (real hosts: the modules loaded by path, one ODBC
connection each, one module call per lookup), waits until all have connected, lets them look up
demo keys for the same number of seconds, and gathers every lookup's wall time. While they run,
pg_stat_activity on every server and the pooler's SHOW POOLS and SHOW SERVERS are read a few times
a second. Every connection of a run carries its own application_name, so that the server
connections of that run, and no other, are counted (the pooler hands the name on to whichever
server connection serves the client). Each round runs every way in turn, in an order that
changes from round to round, and the median over the rounds is reported.

usage: scale_benchmark.py --scale-host BIN --modules DIR --direct LABEL=CONNECT
                          [--pooler-only LABEL=CONNECT] [--recipe LABEL=CONNECT]
                          [--pooler-port PORT] --server NAME=[HOST:]PORT ...
                          [--processes 1,8,32] [--seconds S] [--rounds N] [--out-dir DIR]
                          [--cpu NAME=PID-FILE ...] [--check-targets]
--cpu: CPU time per lookup of the process the pid file names and its children (a server's
backends); the same name given again adds that process to the figure. The hosts' CPU time per
lookup is always reported, and so is the whole machine's busy time per lookup (/proc/stat),
which counts every part on a machine that does nothing else. --pooler-router is the older name
of --recipe.

Writes scale.json and scale.md to --out-dir. With --check-targets, exits 1 when a target is
missed, at 8 processes: through the pooler alone at least 70 % of the direct rate (the medians'
ratio); through the recipe at least 75 %, and at most 1.5 times the direct CPU time per lookup,
counting the hosts and every --cpu part together; and the most processes served by at most 4
server connections, through the pooler alone and through the recipe.
"""
import argparse
import json
import os
import platform
import select
import statistics
import subprocess
import sys
import tempfile
import threading
import time

# The ways through the pooler.
POOLER = "pooler"
RECIPE = "recipe"
POOLED_WAYS = (POOLER, RECIPE)

# The targets. They live here, not in any test.
SHARE_TARGETS = {POOLER: 0.70, RECIPE: 0.75}  # of the direct rate
TARGET_PROCESSES = 8
RECIPE_CPU_TARGET = 1.5  # times the direct CPU time per lookup, every part counted
POOL_CONNECTIONS_TARGET = 4

SAMPLE_INTERVAL = 0.25
READY_TIMEOUT = 120


def fail(message):
    sys.exit(f"scale_benchmark: {message}")


def pool_database(connect):
    """The pooler's database a connection string names (its Database= field)."""
    for field in connect.split(";"):
        key, _, value = field.partition("=")
        if key.strip().lower() == "database":
            return value.strip()
    fail(f"no Database= in the connection string {connect}")


def tagged(connect, tag):
    """The connection string with application_name=tag among its libpq options."""
    if "Pqopt={" in connect:
        return connect.replace("Pqopt={", f"Pqopt={{application_name={tag} ", 1)
    return connect.rstrip(";") + f";Pqopt={{application_name={tag}}}"


class Psql:
    """One psql session kept open, so that sampling costs a query, not a process start."""

    def __init__(self, host, port, database):
        environment = dict(os.environ, PGAPPNAME="scale-sampler", PGCONNECT_TIMEOUT="5")
        self.process = subprocess.Popen(
            ["psql", "-X", "-q", "-A", "-F", "|", "-P", "pager=off", "-P", "footer=off",
             "-h", host, "-p", str(port), "-U", os.environ.get("PGUSER", "item_lookup"),
             "-d", database],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
            env=environment, bufsize=1)

    def rows(self, query):
        """The result rows as dicts by column name; [] when the session is gone."""
        try:
            self.process.stdin.write(query + ";\n\\echo @@end\n")
            self.process.stdin.flush()
            lines = []
            while True:
                line = self.process.stdout.readline()
                if line == "" or line.rstrip("\n") == "@@end":
                    break
                lines.append(line.rstrip("\n"))
        except (BrokenPipeError, OSError):
            return []
        if not lines:
            return []
        header = lines[0].split("|")
        return [dict(zip(header, line.split("|"))) for line in lines[1:]]

    def close(self):
        try:
            self.process.stdin.close()
        except OSError:
            pass
        self.process.wait()


class Sampler(threading.Thread):
    """Reads the connections of one run a few times a second until stopped."""

    def __init__(self, servers, pooler_port, database, tag):
        super().__init__(daemon=True)
        self.tag = tag
        self.database = database  # the pooler's database the run goes through
        self.servers = {name: Psql(host, port, "item_lookup")
                        for name, (host, port) in servers.items()}
        self.pooler = Psql("127.0.0.1", pooler_port, "pgbouncer") if pooler_port else None
        self.stopping = threading.Event()
        self.samples = 0
        self.peak_connections = 0  # server connections of this run at one moment, all servers
        self.backends = {name: set() for name in servers}  # every backend of this run seen
        self.peak_pool_servers = 0  # the pooler's server connections (SHOW POOLS)
        self.peak_listed_servers = 0  # rows of SHOW SERVERS
        self.peak_waiting = 0  # clients waiting for a server connection
        self.max_wait_us = 0

    def sample(self):
        query = ("SELECT pid FROM pg_stat_activity WHERE datname = 'item_lookup' "
                 f"AND application_name = '{self.tag}'")
        now = 0
        for name, session in self.servers.items():
            pids = {row["pid"] for row in session.rows(query)}
            self.backends[name] |= pids
            now += len(pids)
        self.peak_connections = max(self.peak_connections, now)
        if self.pooler is not None:
            for row in self.pooler.rows("SHOW POOLS"):
                if row.get("database") != self.database:
                    continue
                servers = sum(int(row.get(column, 0)) for column in
                              ("sv_active", "sv_idle", "sv_used", "sv_tested", "sv_login"))
                self.peak_pool_servers = max(self.peak_pool_servers, servers)
                self.peak_waiting = max(self.peak_waiting, int(row.get("cl_waiting", 0)))
                wait_us = int(row.get("maxwait", 0)) * 1000000 + int(row.get("maxwait_us", 0))
                self.max_wait_us = max(self.max_wait_us, wait_us)
            listed = [row for row in self.pooler.rows("SHOW SERVERS")
                      if row.get("database") == self.database]
            self.peak_listed_servers = max(self.peak_listed_servers, len(listed))
        self.samples += 1

    def run(self):
        while not self.stopping.is_set():
            self.sample()
            self.stopping.wait(SAMPLE_INTERVAL)

    def finish(self):
        self.stopping.set()
        self.join()
        # One more look: the last moment of the run counts too.
        self.sample()
        for session in list(self.servers.values()) + [self.pooler]:
            if session is not None:
                session.close()

    def figures(self):
        figures = {
            "samples": self.samples,
            "peak_server_connections": self.peak_connections,
            "server_connections_seen": sum(len(pids) for pids in self.backends.values()),
            "server_connections_seen_per_server": {
                name: len(pids) for name, pids in self.backends.items()},
        }
        if self.pooler is not None:
            figures.update({
                "pooler_peak_server_connections": self.peak_pool_servers,
                "pooler_peak_servers_listed": self.peak_listed_servers,
                "pooler_peak_clients_waiting": self.peak_waiting,
                "pooler_max_wait_ms": self.max_wait_us / 1000,
            })
        return figures


def read_line(process, deadline):
    """One line of a host's standard output, or None by the deadline."""
    remaining = deadline - time.monotonic()
    if remaining <= 0 or not select.select([process.stdout], [], [], remaining)[0]:
        return None
    return process.stdout.readline().strip()


def percentile(ordered, share):
    """The nearest-rank percentile of an ordered list."""
    index = max(0, min(len(ordered) - 1, int(round(share * len(ordered) + 0.5)) - 1))
    return ordered[index]


def process_ticks(pid):
    """utime and stime of one process (all its threads), and its parent's pid."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    # The split leaves the fields from the third (state) on: ppid is the 4th, utime the 14th.
    return int(fields[11]) + int(fields[12]), int(fields[1])


def machine_busy_seconds():
    """Seconds the machine's processors have been busy since boot, every process counted: all
    but idle and waiting for input or output."""
    with open("/proc/stat") as stat:
        ticks = [int(field) for field in stat.readline().split()[1:]]
    return (sum(ticks) - ticks[3] - ticks[4]) / os.sysconf("SC_CLK_TCK")


def cpu_seconds_of(pid_files):
    """CPU seconds used so far by the processes the pid files name and their live children (a
    server's backends); None when one is not running."""
    pids = set()
    try:
        for pid_file in pid_files:
            with open(pid_file) as text:
                pids.add(int(text.read().split()[0]))
    except (OSError, IndexError, ValueError):
        return None
    ticks = 0
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                own, parent = process_ticks(entry)
            except (OSError, IndexError, ValueError):
                continue  # ended meanwhile
            if int(entry) in pids or parent in pids:
                ticks += own
    return ticks / os.sysconf("SC_CLK_TCK")


def one_run(args, way, connect, processes, tag, folder):
    """N hosts for args.seconds; their figures and the connections they used."""
    hosts = []
    files = []
    for number in range(processes):
        path = os.path.join(folder, f"{tag}-{number}.txt")
        files.append(path)
        hosts.append(subprocess.Popen(
            [args.scale_host, args.modules, tagged(connect, tag), path],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True))

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
    pooled = way in POOLED_WAYS
    sampler = Sampler(args.servers, args.pooler_port if pooled else None,
                      pool_database(connect) if pooled else None, tag)
    sampler.start()
    load = os.getloadavg()
    cpu_before = {name: cpu_seconds_of(paths) for name, paths in args.cpu.items()}
    busy_before = machine_busy_seconds()
    for host in hosts:
        host.stdin.write(f"go {args.seconds}\n")
        host.stdin.flush()
    counts = []
    deadline = time.monotonic() + args.seconds + READY_TIMEOUT
    for host in hosts:
        line = read_line(host, deadline)
        if line is None or not line.startswith("done "):
            sampler.finish()
            stop_all(f"a host did not finish ({way}, {processes} processes)")
        _, lookups, nanoseconds = line.split()
        counts.append((int(lookups), int(nanoseconds)))
    # Read while the hosts still hold their connections, so that no backend has ended yet.
    cpu_after = {name: cpu_seconds_of(paths) for name, paths in args.cpu.items()}
    busy_after = machine_busy_seconds()
    sampler.finish()
    host_cpu = 0.0
    for host in hosts:
        host.stdin.close()
    for host in hosts:
        _, status, usage = os.wait4(host.pid, 0)
        host.returncode = os.waitstatus_to_exitcode(status)
        if host.returncode != 0:
            stop_all(f"a host ended with status {host.returncode}")
        host_cpu += usage.ru_utime + usage.ru_stime

    latencies = []
    for path in files:
        with open(path) as numbers:
            latencies.extend(int(number) for number in numbers)
        os.remove(path)
    latencies.sort()
    if not latencies:
        fail(f"no lookup was timed ({way}, {processes} processes)")
    result = {
        "way": way,
        "processes": processes,
        "lookups": len(latencies),
        # Each host's rate over its own timed span, added up: they all ran at once.
        "lookups_per_s": sum(n / (ns / 1e9) for n, ns in counts if ns > 0),
        "p50_ms": percentile(latencies, 0.50) / 1e6,
        "p99_ms": percentile(latencies, 0.99) / 1e6,
        "load_average_at_start": load,
        # Connecting and the untimed first pass included: a little more than the lookups cost.
        "host_cpu_us_per_lookup": host_cpu / len(latencies) * 1e6,
    }
    for name in args.cpu:
        if cpu_before[name] is not None and cpu_after[name] is not None:
            result[f"{name}_cpu_us_per_lookup"] = \
                (cpu_after[name] - cpu_before[name]) / len(latencies) * 1e6
    # The hosts and every part, and the whole machine's busy time over the same span (the hosts'
    # own is taken from their start to their end, connecting included).
    result["all_parts_cpu_us_per_lookup"] = sum(
        value for key, value in result.items() if key.endswith("_cpu_us_per_lookup"))
    result["machine_busy_us_per_lookup"] = (busy_after - busy_before) / len(latencies) * 1e6
    result.update(sampler.figures())
    return result


def median_of(runs, key):
    return statistics.median(run[key] for run in runs)


def summary_rows(runs, ways, process_counts):
    """Per way and process count: the medians over the rounds, the connections at their most."""
    rows = []
    for processes in process_counts:
        for way in ways:
            mine = [r for r in runs if r["way"] == way and r["processes"] == processes]
            row = {
                "way": way,
                "processes": processes,
                "rounds": len(mine),
                "lookups_per_s": median_of(mine, "lookups_per_s"),
                "p50_ms": median_of(mine, "p50_ms"),
                "p99_ms": median_of(mine, "p99_ms"),
                "peak_server_connections": max(r["peak_server_connections"] for r in mine),
                "server_connections_seen": max(r["server_connections_seen"] for r in mine),
            }
            per_lookup = {k for r in mine for k in r if k.endswith("_us_per_lookup")}
            for key in sorted(per_lookup):
                row[key] = statistics.median(r[key] for r in mine if key in r)
            if way in POOLED_WAYS:
                for key in ("pooler_peak_server_connections", "pooler_peak_servers_listed",
                            "pooler_peak_clients_waiting"):
                    row[key] = max(r[key] for r in mine)
                row["pooler_max_wait_ms"] = max(r["pooler_max_wait_ms"] for r in mine)
                # The medians' ratio, as the table shows them; the rounds' own ratios go with
                # the runs, to show how far they scatter.
                direct = [r for r in runs if r["way"] == "direct" and r["processes"] == processes]
                if direct:
                    row["share_of_direct"] = row["lookups_per_s"] / median_of(direct,
                                                                             "lookups_per_s")
                    for pooled in mine:
                        paired = [r for r in direct if r["round"] == pooled["round"]]
                        pooled["share_of_direct"] = (pooled["lookups_per_s"] /
                                                     paired[0]["lookups_per_s"])
            rows.append(row)
    return rows


def row_of(rows, way, processes):
    found = [r for r in rows if r["way"] == way and r["processes"] == processes]
    return found[0] if found else None


def check_targets(rows, process_counts):
    """Each target with its figure and whether it was met, and figures with no target beside
    them (met is None): the recipe's CPU time per lookup over direct's by the whole machine's
    busy time, which counts other work too unless the machine does nothing else."""
    checks = []
    for way in POOLED_WAYS:
        share_row = row_of(rows, way, TARGET_PROCESSES)
        if share_row and "share_of_direct" in share_row:
            share = share_row["share_of_direct"]
            checks.append({
                "way": way,
                "target": f"{way}: at least {SHARE_TARGETS[way]:.0%} of the direct rate at "
                          f"{TARGET_PROCESSES} processes",
                "figure": f"{share:.0%}",
                "met": share >= SHARE_TARGETS[way],
            })
    direct, recipe = row_of(rows, "direct", TARGET_PROCESSES), row_of(rows, RECIPE,
                                                                      TARGET_PROCESSES)
    if direct and recipe:
        parts = recipe["all_parts_cpu_us_per_lookup"] / direct["all_parts_cpu_us_per_lookup"]
        checks.append({
            "way": RECIPE,
            "target": f"{RECIPE}: at most {RECIPE_CPU_TARGET} times the direct CPU time per "
                      f"lookup at {TARGET_PROCESSES} processes (the hosts and every part measured)",
            "figure": f"{parts:.2f} ({recipe['all_parts_cpu_us_per_lookup']:.0f} against "
                      f"{direct['all_parts_cpu_us_per_lookup']:.0f} µs)",
            "met": parts <= RECIPE_CPU_TARGET,
        })
        machine = recipe["machine_busy_us_per_lookup"] / direct["machine_busy_us_per_lookup"]
        checks.append({
            "way": RECIPE,
            "target": f"{RECIPE}: the whole machine's busy time per lookup over direct's at "
                      f"{TARGET_PROCESSES} processes (no target: other work counts too)",
            "figure": f"{machine:.2f} ({recipe['machine_busy_us_per_lookup']:.0f} against "
                      f"{direct['machine_busy_us_per_lookup']:.0f} µs)",
            "met": None,
        })
    most = max(process_counts)
    for way in POOLED_WAYS:
        pooled_most = [r for r in rows if r["way"] == way and r["processes"] == most]
        if pooled_most:
            row = pooled_most[0]
            used = max(row["server_connections_seen"], row["pooler_peak_server_connections"],
                       row["pooler_peak_servers_listed"])
            checks.append({
                "way": way,
                "target": f"{way}: {most} processes served by at most "
                          f"{POOL_CONNECTIONS_TARGET} server connections",
                "figure": f"{used} (seen on the servers {row['server_connections_seen']}, "
                          f"pooler at most {row['pooler_peak_server_connections']})",
                "met": used <= POOL_CONNECTIONS_TARGET,
            })
    return checks


def verdict(check):
    return {True: "yes", False: "NO", None: "(no target)"}[check["met"]]


def machine():
    model = platform.processor() or platform.machine()
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return model


def write_report(out_dir, result):
    os.makedirs(out_dir, exist_ok=True)
    with open(os.path.join(out_dir, "scale.json"), "w") as out:
        json.dump(result, out, indent=2)
        out.write("\n")
    ways = result["ways"]
    with open(os.path.join(out_dir, "scale.md"), "w") as out:
        out.write("# Many host processes: straight to the server and through the pooler\n\n")
        named_ways = "; ".join(f"{way}: {label}" for way, label in ways.items())
        out.write(f"Taken {result['taken']} on {result['machine']}, {result['cores']} cores; "
                  f"load average {' '.join(f'{x:.2f}' for x in result['load_average_before'])} "
                  f"before, {' '.join(f'{x:.2f}' for x in result['load_average_after'])} after. "
                  f"{result['seconds']} s per run, median of {result['rounds']} rounds; "
                  f"{named_ways}.\n\n")
        out.write("| Processes | Way | Lookups/s | p50 ms | p99 ms | Share of direct | "
                  "Server connections (peak / seen) | Pool: server connections open, clients "
                  "waiting at most |\n|---:|---|---:|---:|---:|---:|---:|---:|\n")
        for row in result["summary"]:
            share = f"{row['share_of_direct']:.0%}" if "share_of_direct" in row else ""
            pooler = (f"{row['pooler_peak_server_connections']}, "
                      f"{row['pooler_peak_clients_waiting']}" if row["way"] in POOLED_WAYS
                      else "")
            out.write(f"| {row['processes']} | {row['way']} | {row['lookups_per_s']:,.0f} | "
                      f"{row['p50_ms']:.3f} | {row['p99_ms']:.3f} | {share} | "
                      f"{row['peak_server_connections']} / {row['server_connections_seen']} | "
                      f"{pooler} |\n")
        out.write("\nCPU time per lookup, microseconds (median over the rounds; the hosts' "
                  "includes connecting; all parts: the hosts and the others together; machine: "
                  "the whole machine's busy time, other work included):\n\n| Processes | Way | "
                  + " | ".join(result["cpu_columns"]) + " | all parts | machine |\n|---:|---|"
                  + "---:|" * (len(result["cpu_columns"]) + 2) + "\n")
        for row in result["summary"]:
            cells = [f"{row[c + '_cpu_us_per_lookup']:.1f}" if c + "_cpu_us_per_lookup" in row
                     else "" for c in result["cpu_columns"] + ["all_parts"]]
            cells.append(f"{row['machine_busy_us_per_lookup']:.1f}")
            out.write(f"| {row['processes']} | {row['way']} | {' | '.join(cells)} |\n")
        if result["targets"]:
            out.write("\n| Target | Figure | Met |\n|---|---|---|\n")
            for check in result["targets"]:
                out.write(f"| {check['target']} | {check['figure']} | {verdict(check)} |\n")
        out.write("\n| Round | Processes | Way | Lookups/s | p50 ms | p99 ms | Share of direct "
                  "this round | load at start |\n|---:|---:|---|---:|---:|---:|---:|---:|\n")
        for run in result["runs"]:
            share = f"{run['share_of_direct']:.0%}" if "share_of_direct" in run else ""
            out.write(f"| {run['round']} | {run['processes']} | {run['way']} | "
                      f"{run['lookups_per_s']:,.0f} | {run['p50_ms']:.3f} | {run['p99_ms']:.3f} | "
                      f"{share} | {run['load_average_at_start'][0]:.2f} |\n")


def named(text):
    name, separator, value = text.partition("=")
    if not separator:
        raise argparse.ArgumentTypeError(f"expected NAME=VALUE, got {text}")
    return name, value


def server_address(text):
    """NAME=[HOST:]PORT: the name, and where it listens (127.0.0.1 unless named)."""
    name, value = named(text)
    host, _, port = value.rpartition(":")
    return name, (host or "127.0.0.1", int(port))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scale-host", required=True)
    parser.add_argument("--modules", required=True)
    parser.add_argument("--direct", type=named, required=True)
    parser.add_argument("--pooler-only", type=named)
    parser.add_argument("--recipe", "--pooler-router", type=named, dest="recipe")
    parser.add_argument("--pooler-port", type=int)
    parser.add_argument("--server", type=server_address, action="append", default=[])
    parser.add_argument("--cpu", type=named, action="append", default=[])
    parser.add_argument("--processes", default="1,8,32")
    parser.add_argument("--seconds", type=float, default=5)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--out-dir")
    parser.add_argument("--check-targets", action="store_true")
    args = parser.parse_args()
    args.servers = dict(args.server)
    cpu = {}
    for name, path in args.cpu:
        cpu.setdefault(name, []).append(path)
    args.cpu = cpu
    if (args.pooler_only or args.recipe) and not args.pooler_port:
        parser.error("--pooler-only and --recipe need --pooler-port")
    process_counts = [int(n) for n in args.processes.split(",")]
    ways = {"direct": args.direct}
    if args.pooler_only:
        ways[POOLER] = args.pooler_only
    if args.recipe:
        ways[RECIPE] = args.recipe

    load_before = os.getloadavg()
    runs = []
    with tempfile.TemporaryDirectory() as folder:
        for round_number in range(1, args.rounds + 1):
            for processes in process_counts:
                # Each way runs first in turn, so that none always gets the calmer moment.
                shift = (round_number - 1) % len(ways)
                order = list(ways)[shift:] + list(ways)[:shift]
                for way in order:
                    label, connect = ways[way]
                    tag = f"scale-{way}-{processes}-{round_number}-{os.getpid()}"
                    run = one_run(args, way, connect, processes, tag, folder)
                    run["round"] = round_number
                    runs.append(run)
                    print(f"round {round_number}: {processes:3d} processes {way:13s} "
                          f"{run['lookups_per_s']:9,.0f} lookups/s  p50 {run['p50_ms']:.3f} ms  "
                          f"p99 {run['p99_ms']:.3f} ms  server connections "
                          f"{run['server_connections_seen']}", file=sys.stderr)
    load_after = os.getloadavg()

    rows = summary_rows(runs, list(ways), process_counts)
    targets = check_targets(rows, process_counts) if len(ways) > 1 else []
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
        "cpu_columns": ["host"] + list(args.cpu),
        "targets": targets,
        "runs": runs,
    }
    for row in rows:
        share = f"  {row['share_of_direct']:.0%} of direct" if "share_of_direct" in row else ""
        print(f"{row['processes']:3d} processes {row['way']:13s} {row['lookups_per_s']:9,.0f} "
              f"lookups/s  p50 {row['p50_ms']:.3f} ms  p99 {row['p99_ms']:.3f} ms  server "
              f"connections {row['server_connections_seen']}{share}")
    for check in targets:
        status = {True: "pass", False: "FAIL", None: "info"}[check["met"]]
        print(f"{status}: {check['target']}: {check['figure']}")
    if args.out_dir:
        write_report(args.out_dir, result)
    if args.check_targets and any(check["met"] is False for check in targets):
        print("scale_benchmark: a target was missed", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
