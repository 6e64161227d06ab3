#!/usr/bin/env python3
"""Failure drills on the replicated topology (db/replicated_postgres/cluster.sh).

    drills.py ITEMLOOKUP CLUSTER_SCRIPT KEYS_FILE DRILL

DRILL is one of:
  up              starts the topology (stopped again once the calling process, ctest, ends)
  down            stops it
  steady          lookups under load: every line as on SQLite, the pool's limits kept
  pooler-restart  the pooler restarted online mid-run: no line fails, none is even retried
  node-killed     the standby serving the lookups killed mid-run: what it held runs elsewhere
  node-paused     the standby serving the lookups frozen (SIGSTOP) mid-run: likewise, once the
                  pooler ends what waits there

Every drill runs HOSTS itemlookup processes, each a batch of the demo keys over and over through
the recipe DSN, while another client of the same pool keeps setting standard_conforming_strings
off, and a monitor samples the server connections the pool holds on each node. The drills run
only where PostgreSQL is set up for the tests (ITEM_LOOKUP_REQUIRE_POSTGRES=1) or when asked
for (ITEM_LOOKUP_CLUSTER_DRILLS=1); otherwise they are skipped.

No drill's verdict depends on the machine's speed. Each waits for what it must see rather than
for a time, and names how it knows that its event caught the lookups: the node drills freeze
the victim first, with the pooler's query_timeout held, and wait until the pooler shows lookups
waiting on the victim's own backends, and only then kill it or give the pooler its timeout back,
so those lookups must run again elsewhere; the pooler restart waits until every host is
connected and finds the same client connections in the new pooler; the steady drill sees every
host connected at once to the pool.
"""

import csv
import fcntl
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

SKIPPED = 77
HOSTS = 16
# The other client's application name: every other client of the pool is a lookup host.
SABOTEUR = "drill-saboteur"
# A lookup seen waiting on a frozen node is seen again, unchanged, this much later.
WAITING_PROOF_SECONDS = 0.2
# A lookup whose connection is lost runs again on a new one, up to 3 times (itemlookup's
# default, named for clarity).
RETRY_OPTIONS = ["--retries", "3"]
# Lines written to the hosts before the event of a drill, and after it before their input ends:
# more than their pipes hold together (PIPE_BYTES each, about 2,500 demo lines for 16 hosts), so
# that lookups are flowing when the event comes and thousands more follow it.
LINES_BEFORE_EVENT = 4000
LINES_AFTER_EVENT = 8000
# A host's pipe holds at most this much unread input.
PIPE_BYTES = 4096
# Hang detectors, not speed targets: generous for a busy 2-core machine.
PATIENCE_SECONDS = 120


class DrillFailure(Exception):
    pass


def log(text):
    print(text, flush=True)


def wait_for(condition, what, timeout=PATIENCE_SECONDS):
    """Waits until condition() gives something true, and returns it."""
    deadline = time.monotonic() + timeout
    while not (value := condition()):
        if time.monotonic() > deadline:
            raise DrillFailure(f"waited {timeout} s for {what}")
        time.sleep(0.1)
    return value


class Cluster:
    """The running topology, as its env file describes it, and its control script."""

    def __init__(self, script):
        self.script = script
        self.env = {}
        env_file = self.control("env").strip()
        with open(env_file, encoding="utf-8") as lines:
            for line in lines:
                match = re.fullmatch(r'export (\w+)="?(.*?)"?\n', line)
                if match:
                    self.env[match.group(1)] = match.group(2)
        self.connect = self.env["ITEM_LOOKUP_CLUSTER_CONNECT"]
        self.pool_size = int(self.env["ITEM_LOOKUP_CLUSTER_POOL_SIZE"])
        self.folder = self.env["ITEM_LOOKUP_CLUSTER_DIR"]
        self.nodes = ["primary", "standby1", "standby2"]
        # Why the last statement through psql gave no rows.
        self.last_failure = ""

    def control(self, *words):
        result = subprocess.run([self.script, *words], capture_output=True, text=True,
                                timeout=PATIENCE_SECONDS)
        if result.returncode != 0:
            raise DrillFailure(f"{' '.join(words)}: {result.stderr.strip()}")
        return result.stdout

    def port(self, name):
        return self.env[f"ITEM_LOOKUP_CLUSTER_{name.upper()}_PORT"]

    def host(self, name):
        """A node's address; the pooler's is 127.0.0.1."""
        return self.env.get(f"ITEM_LOOKUP_CLUSTER_{name.upper()}_HOST", "127.0.0.1")

    def sql(self, name, database, statement):
        """Rows of a statement on a node or the pooler, as dicts, through psql; None when it does
        not answer in time (why in last_failure)."""
        try:
            result = subprocess.run(
                ["psql", "-X", "-A", "-F", "\t", "-P", "footer=off", "-h", self.host(name), "-p",
                 str(self.port(name)), "-U", "item_lookup", "-d", database, "-c", statement],
                capture_output=True, text=True, timeout=5,
                env={**os.environ, "PGCONNECT_TIMEOUT": "3"})
        except subprocess.TimeoutExpired:
            self.last_failure = f"{name}: no answer to {statement} within 5 s"
            return None
        if result.returncode != 0:
            self.last_failure = f"{name}: {result.stderr.strip()}"
            return None
        return list(csv.DictReader(io.StringIO(result.stdout), delimiter="\t"))

    def pooler(self, command):
        return self.sql("pooler", "pgbouncer", command)

    def console(self, command):
        """The rows of a command on the pooler's console, asked again until it answers: on a
        busy machine psql may take longer than its 5 s, which says nothing about the pooler. A
        verdict drawn from the answer must not take "no answer" for "no rows"."""
        try:
            return wait_for(lambda: (rows := self.pooler(command)) is not None and [rows],
                            f"the pooler's console to answer {command}")[0]
        except DrillFailure as failure:
            raise DrillFailure(f"{failure} (the last try: {self.last_failure})") from None

    def lookup_clients(self):
        """The pooler's clients that are lookup hosts: ptr -> (address, port)."""
        clients = self.console("SHOW CLIENTS")
        return {client["ptr"]: (client["addr"], client["port"]) for client in clients
                if client["database"] == "item_lookup" and client["application_name"] != SABOTEUR}

    def lookups_on(self, backends):
        """(server ptr, client ptr) of each lookup running now on one of the backend processes
        named: a server connection of the pool that is active, linked to a lookup client, and
        whose other end is one of those backends."""
        servers = self.console("SHOW SERVERS")
        clients = self.lookup_clients()
        return {(server["ptr"], server["link"]) for server in servers
                if server["database"] == "item_lookup" and server["state"] == "active"
                and server["remote_pid"] in backends and server["link"] in clients}

    def node_pids(self, name):
        return set(self.control("node", name, "pids").split())

    def hold_timeout(self):
        """The pooler stops ending statements left without an answer (query_timeout 0): nothing
        but the drill ends what waits on a frozen standby."""
        self.console("SET query_timeout = 0")

    def release_timeout(self):
        """The pooler's query_timeout as its configuration file says, for what waits already."""
        self.console("RELOAD")

    def pooled_by_node(self):
        """Node name -> the pool's server connections to it, as the pooler lists them."""
        by_address = {self.host(name): name for name in self.nodes}
        counts = {name: 0 for name in self.nodes}
        for server in self.pooler("SHOW SERVERS") or []:
            if server["database"] == "item_lookup" and server["addr"] in by_address:
                counts[by_address[server["addr"]]] += 1
        return counts

    def serving_standby(self):
        """A standby holding at least two of the pool's server connections: frozen, it holds at
        least one lookup, as the other client of the pool has only one session to block with.
        Waits for one: the hosts fill the pool, and the pooler opens its connections to the
        standbys in turn."""

        def standby_with_two():
            counts = self.pooled_by_node()
            name = max(["standby1", "standby2"], key=lambda node: counts[node])
            return name if counts[name] >= 2 else None

        return wait_for(standby_with_two, "a standby holding two of the pool's connections")


class PoolMonitor(threading.Thread):
    """Samples, twice a second, the server connections the pooler holds: in total (SHOW POOLS),
    on each node as the pooler lists them (SHOW SERVERS, by address), and on each node as the
    node itself lists them (pg_stat_activity, matched by backend process id against SHOW
    SERVERS)."""

    def __init__(self, cluster):
        super().__init__(daemon=True)
        self.cluster = cluster
        self.stopping = threading.Event()
        self.unreachable = set()  # nodes killed or paused: not asked
        self.most_in_pool = 0
        self.most_waiting = 0
        self.most_by_pooler = {name: 0 for name in cluster.nodes}
        self.most_on_node = {name: 0 for name in cluster.nodes}
        self.samples = 0

    def run(self):
        while not self.stopping.wait(0.5):
            self.sample()

    def sample(self):
        pools = self.cluster.pooler("SHOW POOLS")
        servers = self.cluster.pooler("SHOW SERVERS")
        if pools is None or servers is None:
            return
        for pool in pools:
            if pool["database"] != "item_lookup":
                continue
            held = sum(int(pool[column]) for column in
                       ("sv_active", "sv_idle", "sv_used", "sv_tested", "sv_login"))
            self.most_in_pool = max(self.most_in_pool, held)
            self.most_waiting = max(self.most_waiting, int(pool["cl_waiting"]))
        by_address = {self.cluster.host(name): name for name in self.cluster.nodes}
        by_pooler = {name: 0 for name in self.cluster.nodes}
        for server in servers:
            if server["database"] == "item_lookup" and server["addr"] in by_address:
                by_pooler[by_address[server["addr"]]] += 1
        for name, held in by_pooler.items():
            self.most_by_pooler[name] = max(self.most_by_pooler[name], held)
        pooled = {server["remote_pid"] for server in servers}
        for name in self.cluster.nodes:
            if name in self.unreachable:
                continue
            backends = self.cluster.sql(
                name, "postgres",
                "SELECT pid FROM pg_stat_activity WHERE backend_type = 'client backend'")
            if backends is not None:
                held = len(pooled & {row["pid"] for row in backends})
                self.most_on_node[name] = max(self.most_on_node[name], held)
        self.samples += 1

    def finish(self):
        self.stopping.set()
        self.join()
        log(f"pool monitor: {self.samples} samples; server connections at most {self.most_in_pool}"
            f" in the pool, by node (pooler) {self.most_by_pooler}, by node (pg_stat_activity)"
            f" {self.most_on_node}; clients waiting at most {self.most_waiting}")
        if self.samples < 3:
            raise DrillFailure("the pool monitor took fewer than 3 samples")
        size = self.cluster.pool_size
        if self.most_in_pool > size:
            raise DrillFailure(f"the pooler held {self.most_in_pool} server connections, its pool"
                               f" size is {size}")
        for name in self.cluster.nodes:
            held = max(self.most_by_pooler[name], self.most_on_node[name])
            if held > size:
                raise DrillFailure(f"{name} held {held} connections from the pool of {size}")
        if max(self.most_on_node.values()) < 1:
            raise DrillFailure("no node listed a connection from the pool: the monitor saw nothing")


class ConformingStringsSaboteur:
    """Another client of the same pool that keeps switching its session to read backslashes as
    escapes, so that the server connections it leaves behind carry that setting to the next
    client. A lost connection (a node killed under it) starts it again."""

    STATEMENTS = (b"SET standard_conforming_strings = off;\n"
                  b"SELECT set_config('standard_conforming_strings', 'off', false);\n"
                  b"SHOW standard_conforming_strings;\n")
    STATEMENTS_PER_SESSION = 10
    # Sessions that must have read the setting off before a drill may end.
    SETTINGS_OFF_NEEDED = 5

    def __init__(self, cluster, work):
        self.cluster = cluster
        self.work = work
        self.stopping = threading.Event()
        self.settings_seen_off = 0
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        round_number = 0
        while not self.stopping.is_set():
            round_number += 1
            output = os.path.join(self.work, f"saboteur-{round_number}.out")
            with open(output, "wb") as sink:
                client = subprocess.Popen(
                    ["psql", "-X", "-q", "-At", "-h", "127.0.0.1", "-p",
                     self.cluster.port("pooler"), "-U", "item_lookup", "-d", "item_lookup"],
                    stdin=subprocess.PIPE, stdout=sink, stderr=subprocess.STDOUT,
                    env={**os.environ, "PGAPPNAME": SABOTEUR})
                try:
                    # Short sessions: what each saw is counted as soon as it ends.
                    for _ in range(self.STATEMENTS_PER_SESSION):
                        if self.stopping.wait(0.02) or client.poll() is not None:
                            break
                        client.stdin.write(self.STATEMENTS)
                        client.stdin.flush()
                    client.stdin.close()
                except BrokenPipeError:
                    pass
                client.wait(timeout=PATIENCE_SECONDS)
            with open(output, encoding="utf-8", errors="replace") as lines:
                self.settings_seen_off += sum(1 for line in lines if line.strip() == "off")

    def finish(self):
        self.stopping.set()
        self.thread.join()
        log(f"saboteur: its session read 'off' {self.settings_seen_off} times")
        if self.settings_seen_off < self.SETTINGS_OFF_NEEDED:
            raise DrillFailure("the other client never ran with standard_conforming_strings off")


class Host:
    """One itemlookup process reading the demo keys, round after round, from a pipe."""

    def __init__(self, itemlookup, connect, keys, work, number):
        self.keys = keys
        self.round_bytes = "".join(line + "\n" for line in keys).encode()
        self.output = os.path.join(work, f"host-{number}.out")
        self.errors = os.path.join(work, f"host-{number}.err")
        with open(self.output, "wb") as out, open(self.errors, "wb") as err:
            self.process = subprocess.Popen(
                [itemlookup, *RETRY_OPTIONS, "--connect", connect, "--json", "batch", "-"],
                stdin=subprocess.PIPE, stdout=out, stderr=err)
        fcntl.fcntl(self.process.stdin.fileno(), getattr(fcntl, "F_SETPIPE_SZ", 1031), PIPE_BYTES)
        self.lines_written = 0
        self.stopping = threading.Event()
        self.thread = threading.Thread(target=self.feed, daemon=True)
        self.thread.start()

    def feed(self):
        try:
            while not self.stopping.is_set():
                self.process.stdin.write(self.round_bytes)
                self.process.stdin.flush()
                self.lines_written += len(self.keys)
        except BrokenPipeError:
            pass
        finally:
            try:
                self.process.stdin.close()
            except BrokenPipeError:
                pass

    def end_input(self):
        self.stopping.set()

    def wait(self, deadline):
        self.thread.join(max(0.0, deadline - time.monotonic()))
        try:
            return self.process.wait(timeout=max(0.0, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return None


class Load:
    """HOSTS hosts, the saboteur and the pool monitor, from start to verdict."""

    def __init__(self, itemlookup, cluster, keys, work):
        self.cluster = cluster
        self.keys = keys
        self.monitor = PoolMonitor(cluster)
        self.monitor.start()
        self.saboteur = ConformingStringsSaboteur(cluster, work)
        self.hosts = [Host(itemlookup, cluster.connect, keys, work, number)
                      for number in range(HOSTS)]

    def __enter__(self):
        return self

    def __exit__(self, *failure):
        """A drill that failed midway leaves nothing running."""
        for host in self.hosts:
            host.end_input()
            if host.process.poll() is None:
                host.process.kill()
                host.process.wait()
        self.monitor.stopping.set()
        self.saboteur.stopping.set()

    def lines_written(self):
        return sum(host.lines_written for host in self.hosts)

    def run_lines(self, count, what):
        goal = self.lines_written() + count
        wait_for(lambda: self.lines_written() >= goal, f"{count} more lines {what}")

    def all_hosts_connected(self):
        """Waits until every host is a client of the pool at once; returns their connections."""
        return wait_for(lambda: len(clients := self.cluster.lookup_clients()) >= HOSTS and clients,
                        f"all {HOSTS} hosts to be clients of the pool")

    def stop(self):
        """Ends the hosts' input; each must end by itself within the patience."""
        # However fast the machine, the monitor has seen the load a few times and the other
        # client has run with its setting off, before the load ends.
        wait_for(lambda: self.monitor.samples >= 3, "the pool monitor's samples")
        wait_for(lambda: self.saboteur.settings_seen_off >= self.saboteur.SETTINGS_OFF_NEEDED,
                 "the other client's sessions with standard_conforming_strings off")
        for host in self.hosts:
            host.end_input()
        deadline = time.monotonic() + PATIENCE_SECONDS
        statuses = [host.wait(deadline) for host in self.hosts]
        self.monitor.finish()
        self.saboteur.finish()
        if None in statuses:
            raise DrillFailure(f"{statuses.count(None)} host processes had not ended"
                               f" {PATIENCE_SECONDS} s after their input ended")
        return statuses


def lookup_lines(path):
    with open(path, encoding="utf-8") as lines:
        return [json.loads(line) for line in lines]


def comparable(result):
    """A result without what differs from run to run: its line number and the errors it got
    past."""
    return {key: value for key, value in result.items()
            if key not in ("line", "retries", "retried_errors")}


def check_results(load, statuses, references):
    """Every line a host read has its result, and each is the one the primary gives directly
    (the same fields as on SQLite), after retries if need be: not an error, a missing row or
    another row. Returns (lines, retried lines)."""
    total = retried = failed = 0
    problems = []
    errors_got_past = {}
    for host, status in zip(load.hosts, statuses):
        results = lookup_lines(host.output)
        if len(results) != host.lines_written:
            problems.append(f"{host.output}: {len(results)} results for {host.lines_written}"
                            " lines")
        host_failed = 0
        for number, result in enumerate(results, start=1):
            if result.get("line") != number:
                problems.append(f"{host.output}: result {number} is of line {result.get('line')}")
                continue
            expected = references[(number - 1) % len(references)]
            if result.get("retries"):
                retried += 1
                for error in result.get("retried_errors", []):
                    got_past = f"{error.get('sqlstate')} {error.get('message', '')[:100]}"
                    errors_got_past[got_past] = errors_got_past.get(got_past, 0) + 1
            if "error" in result:
                host_failed += 1
                problems.append(f"{host.output} line {number} failed: {json.dumps(result)}")
            elif comparable(result) != expected:
                problems.append(f"{host.output} line {number}: {json.dumps(result)}\n"
                                f"  expected {json.dumps(expected)}")
        expected_status = 2 if host_failed else 0
        if status != expected_status:
            problems.append(f"{host.output}: exit status {status} with {host_failed} failed"
                            f" lines (expected {expected_status})")
        total += len(results)
        failed += host_failed
    if failed:
        problems.insert(0, f"{failed} lines failed")
    if problems:
        raise DrillFailure("\n".join(problems[:20]) + f"\n({len(problems)} problems)")
    log(f"results: {total} lines, {retried} of them retried; every one as on the primary and on"
        " SQLite")
    for got_past, count in sorted(errors_got_past.items()):
        log(f"  retried after {count}x: {got_past}")
    return total, retried


def pooler_log_note(cluster):
    """Why lookups may have been retried with no node harmed: the pooler ended statements left
    without an answer, or lost server connections, as its log says."""
    path = os.path.join(cluster.folder, "pooler", "pgbouncer.log")
    try:
        with open(path, encoding="utf-8", errors="replace") as lines:
            ended = [line.strip() for line in lines if "query timeout" in line
                     or "server conn crashed" in line]
    except OSError:
        return ""
    if not ended:
        return ""
    return (f"; the pooler ended {len(ended)} statements or server connections ({path}, the last:"
            f" {ended[-1]}): statements left without an answer for seconds (an overloaded"
            " machine?)")


class Drills:
    def __init__(self, itemlookup, cluster, keys_file, work):
        self.itemlookup = itemlookup
        self.cluster = cluster
        self.work = work
        with open(keys_file, encoding="utf-8") as lines:
            self.keys = [line.rstrip("\n") for line in lines
                         if line.strip() and not line.startswith("#")]
        self.keys_file = os.path.join(work, "keys.txt")
        with open(self.keys_file, "w", encoding="utf-8") as out:
            out.writelines(key + "\n" for key in self.keys)
        self.references = self.reference_results()

    def batch(self, *connection):
        result = subprocess.run([self.itemlookup, *connection, "--json", "batch", self.keys_file],
                                capture_output=True, text=True, timeout=PATIENCE_SECONDS)
        if result.returncode != 0:
            raise DrillFailure(f"reference batch {connection} failed: {result.stderr}")
        return [comparable(json.loads(line)) for line in result.stdout.splitlines()]

    def reference_results(self):
        """The results on the primary, straight; their fields and statuses must be SQLite's
        (warnings name the driver, so they are compared on PostgreSQL only)."""
        on_sqlite = self.batch("--demo-db", os.path.join(self.work, "demo.db"))
        on_primary = self.batch("--connect", self.cluster.env["ITEM_LOOKUP_CLUSTER_PRIMARY_CONNECT"])
        for number, (sqlite, primary) in enumerate(zip(on_sqlite, on_primary), start=1):
            sqlite.pop("warnings", None)
            if {k: v for k, v in primary.items() if k != "warnings"} != sqlite:
                raise DrillFailure(f"key line {number}: the primary gives {primary}, SQLite {sqlite}")
        if len(on_sqlite) != len(self.keys) or len(on_primary) != len(self.keys):
            raise DrillFailure("the reference batches do not give one result per key")
        found = sum(1 for result in on_primary if result["found"])
        if not 0 < found < len(on_primary):
            raise DrillFailure("the demo keys should be partly found, partly not")
        return on_primary

    def start_load(self):
        self.cluster.control("wait")
        return Load(self.itemlookup, self.cluster, self.keys, self.work)

    def steady(self):
        with self.start_load() as load:
            clients = load.all_hosts_connected()
            log(f"all {len(clients)} hosts are clients of the pool of {self.cluster.pool_size}"
                " server connections at once")
            load.run_lines(LINES_BEFORE_EVENT + LINES_AFTER_EVENT, "under steady load")
            statuses = load.stop()
        _, retried = check_results(load, statuses, self.references)
        if retried:
            raise DrillFailure(f"{retried} lines were retried under steady load"
                               f"{pooler_log_note(self.cluster)}")

    def pooler_restart(self):
        with self.start_load() as load:
            load.run_lines(LINES_BEFORE_EVENT, "before the restart")
            before = set(load.all_hosts_connected().values())
            old = self.pooler_pid()
            self.cluster.control("pooler", "restart")
            if self.pooler_pid() == old:
                raise DrillFailure("the pooler kept its process")
            # What the restart caught: the hosts' connections, open mid-batch, each now held
            # by the new process, not opened again.
            handed_over = before & set(self.cluster.lookup_clients().values())
            log(f"pooler restarted online: process {old} handed over to {self.pooler_pid()}"
                f" the {len(handed_over)} client connections of the hosts, mid-batch")
            if len(handed_over) < HOSTS:
                raise DrillFailure(f"the new pooler holds {len(handed_over)} of the {HOSTS} hosts'"
                                   " connections: the others were not handed over")
            load.run_lines(LINES_AFTER_EVENT, "after the restart")
            statuses = load.stop()
        _, retried = check_results(load, statuses, self.references)
        if retried:
            raise DrillFailure(f"{retried} lines were retried across the online restart"
                               f"{pooler_log_note(self.cluster)}")

    def freeze_with_lookups_waiting(self, load, victim):
        """Freezes VICTIM with the pooler's query_timeout held, so that nothing but this drill
        ends what waits there, and waits until lookups are provably waiting on it: active server
        connections of the pool whose other end is one of the victim's own (frozen) backends,
        linked to lookup hosts, the same again WAITING_PROOF_SECONDS later. The pool's
        connections to the victim stay in the pool and sixteen hosts want them, so some lookup
        takes each of them up: this ends whatever the machine's speed. Returns those lookups."""
        load.monitor.unreachable.add(victim)
        self.cluster.hold_timeout()
        self.cluster.control("node", victim, "pause")
        backends = self.cluster.node_pids(victim)

        def waiting():
            first = self.cluster.lookups_on(backends)
            if not first:
                return set()
            time.sleep(WAITING_PROOF_SECONDS)
            return first & self.cluster.lookups_on(backends)

        caught = wait_for(waiting, f"lookups waiting on the frozen {victim}")
        log(f"froze {victim}: {len(caught)} lookups wait on its backends (the pooler's active"
            f" server connections to them, linked to lookup hosts, unchanged for"
            f" {WAITING_PROOF_SECONDS} s)")
        return caught

    def node_killed(self):
        victim = None
        timeout_held = False
        try:
            with self.start_load() as load:
                load.run_lines(LINES_BEFORE_EVENT, "before the kill")
                victim = self.cluster.serving_standby()
                timeout_held = True
                caught = self.freeze_with_lookups_waiting(load, victim)
                self.cluster.control("node", victim, "kill")
                self.cluster.release_timeout()
                timeout_held = False
                log(f"killed {victim} (SIGKILL, frozen): the lookups waiting on it get no answer")
                load.run_lines(LINES_AFTER_EVENT, f"after {victim} was killed")
                statuses = load.stop()
            self.check_lookups_got_past(load, statuses, len(caught), f"the kill of {victim}")
        finally:
            if timeout_held:
                self.cluster.release_timeout()
            if victim:
                self.cluster.control("node", victim, "start")
                self.cluster.control("wait")

    def node_paused(self):
        victim = None
        timeout_held = False
        try:
            with self.start_load() as load:
                load.run_lines(LINES_BEFORE_EVENT, "before the pause")
                victim = self.cluster.serving_standby()
                timeout_held = True
                caught = self.freeze_with_lookups_waiting(load, victim)
                backends = self.cluster.node_pids(victim)
                self.cluster.release_timeout()
                timeout_held = False
                released_at = time.monotonic()
                wait_for(lambda: not caught & self.cluster.lookups_on(backends),
                         f"the pooler to end the lookups waiting on the paused {victim}")
                log(f"the pooler, its query_timeout back, ended the {len(caught)} lookups"
                    f" waiting on {victim} after {time.monotonic() - released_at:.1f} s")
                load.run_lines(LINES_AFTER_EVENT, f"while {victim} is paused")
                self.cluster.control("node", victim, "resume")
                load.monitor.unreachable.discard(victim)
                victim = None
                statuses = load.stop()
            self.check_lookups_got_past(load, statuses, len(caught), "the pause")
        finally:
            if timeout_held:
                self.cluster.release_timeout()
            if victim:
                self.cluster.control("node", victim, "resume")
            self.cluster.control("wait")

    def check_lookups_got_past(self, load, statuses, caught, event):
        """The lookups the event caught ran again elsewhere: none failed, and at least as many
        lines were retried as lookups were seen waiting on the victim."""
        _, retried = check_results(load, statuses, self.references)
        if retried < caught:
            raise DrillFailure(f"{caught} lookups were waiting on the victim of {event}, but only"
                               f" {retried} lines were retried")

    def pooler_pid(self):
        with open(os.path.join(self.cluster.folder, "pooler", "pgbouncer.pid"),
                  encoding="utf-8") as pid:
            return pid.read().strip()


def main():
    itemlookup, script, keys_file, drill = sys.argv[1:5]
    if (os.environ.get("ITEM_LOOKUP_REQUIRE_POSTGRES") != "1"
            and os.environ.get("ITEM_LOOKUP_CLUSTER_DRILLS") != "1"):
        log("skipped: set ITEM_LOOKUP_CLUSTER_DRILLS=1 (or ITEM_LOOKUP_REQUIRE_POSTGRES=1)")
        return SKIPPED
    os.environ.setdefault("ITEM_LOOKUP_CLUSTER_DIR",
                          os.path.join(tempfile.gettempdir(), "item-lookup-drills"))
    if drill == "up":
        # The topology outlives this process: it serves the drills that follow and is stopped
        # by "down", or once its owner has ended: ctest, this process's parent, unless named.
        # A topology left from an earlier run, whose owner may end any moment, is replaced.
        owner = os.environ.get("ITEM_LOOKUP_SERVER_OWNER_PID") or str(os.getppid())
        subprocess.run([script, "stop"], check=True, timeout=PATIENCE_SECONDS)
        subprocess.run([script, "start"], check=True, timeout=300,
                       env={**os.environ, "ITEM_LOOKUP_SERVER_OWNER_PID": owner})
        return 0
    if drill == "down":
        subprocess.run([script, "stop"], check=True, timeout=PATIENCE_SECONDS)
        return 0
    work = tempfile.mkdtemp(prefix="drill-")
    try:
        drills = Drills(itemlookup, Cluster(script), keys_file, work)
        getattr(drills, drill.replace("-", "_"))()
    except DrillFailure as failure:
        log(f"FAIL: {failure}\n(outputs kept in {work})")
        return 1
    shutil.rmtree(work)
    log("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
