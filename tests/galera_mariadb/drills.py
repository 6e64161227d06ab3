#!/usr/bin/env python3
"""Failure drills on the Galera cluster (db/galera_mariadb/cluster.sh).

    drills.py ITEMLOOKUP CLUSTER_SCRIPT DEMO_KEYS INJECTION_KEYS DRILL

DRILL is one of:
  up              starts the cluster (stopped again once the calling process, ctest, ends)
  down            crashes it (a node killed, one frozen, the router killed, its pid file left
                  naming someone else's process) and stops it: nothing of it may run after
  every-node      each node alone behind the router: check names it ready and synced, its
                  sessions read standard literals, the injection keys find no row; a desynced
                  node is named a donor and gets no new connection
  node-killed     a node holding lookups killed mid-run: what it held runs again elsewhere
  node-paused     a node holding lookups frozen (SIGSTOP) mid-run, resumed later: likewise
  node-isolated   a node holding lookups cut off from the cluster mid-run, then let back: its
                  refusals (error 1047) run again elsewhere
  router-restart  the router restarted mid-run: every host's connection runs again on a new one

Every load drill runs HOSTS itemlookup processes, each a batch of the demo and injection keys
over and over through the recipe DSN, while a monitor samples the router's sessions per node.
Every line must be what node1 gives straight, whose fields and statuses are SQLite's. The drills
run only where MariaDB is set up for the tests (ITEM_LOOKUP_REQUIRE_MARIADB=1) or when asked for
(ITEM_LOOKUP_GALERA_DRILLS=1); otherwise they are skipped.

No drill's verdict depends on the machine's speed. Each waits for what it must see rather than
for a time, and names how it knows that its event caught lookups. A killed or paused node is
frozen first, with the router's checks of it held, until statements of lookup sessions wait
unread in its sockets (the router's session list names which connections to it are lookups;
the kernel's receive queue shows the waiting statement): only then is it killed or left to the
router. An isolated node is drained in the router first (no new connection; those open stay),
so every host connected to it meets its refusal and runs the lookup again on another node. The
router restart waits until every host is connected through it: each of them loses its
connection.
"""

import collections
import csv
import importlib.util
import io
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

# The hosts and the patience of the PostgreSQL drills: one itemlookup batch each, fed round
# after round of keys through a small pipe. No compiled copy of them is left in the source tree.
sys.dont_write_bytecode = True
_postgres_drills_path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..",
                                     "replicated_postgres", "drills.py")
_spec = importlib.util.spec_from_file_location("postgres_drills", _postgres_drills_path)
postgres_drills = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(postgres_drills)
DrillFailure = postgres_drills.DrillFailure
Host = postgres_drills.Host
comparable = postgres_drills.comparable
log = postgres_drills.log
lookup_lines = postgres_drills.lookup_lines
wait_for = postgres_drills.wait_for
PATIENCE_SECONDS = postgres_drills.PATIENCE_SECONDS

SKIPPED = 77
# Four sessions a node, about, so that a node holding lookups is there to be hit.
HOSTS = 12
# See the PostgreSQL drills: more than the hosts' pipes hold before the event, thousands after.
LINES_BEFORE_EVENT = 3000
LINES_AFTER_EVENT = 6000
# A frozen node on which no lookup statement arrives this long (each of its sessions had its
# statement read when it froze, and waits for an answer the drill cannot see) is let go and frozen
# again: how long says nothing of the verdict, it only bounds one attempt.
FREEZE_ATTEMPT_SECONDS = 2
FREEZE_ATTEMPTS = 10
# MariaDB's refusal on a node that is not in the cluster's primary component.
NOT_READY = 1047
NODES = ["node1", "node2", "node3"]
# The statement VELDORIN sends for the first injection key, as a session that reads backslashes
# as escapes reads it: the key ends its literal, and MariaDB's comment drops the rest.
ESCAPED_INJECTION = ("SELECT COUNT(*) FROM VNDADFIT WHERE ADFIT_COD_ITEM = '\\'' OR 1=1 #"
                     "          '")


class Cluster:
    """The running cluster, as its env file describes it, its control script and its router."""

    def __init__(self, script):
        self.script = script
        self.env = {}
        env_file = self.control("env").strip()
        with open(env_file, encoding="utf-8") as lines:
            for line in lines:
                match = re.fullmatch(r'export (\w+)="?(.*?)"?\n', line)
                if match:
                    self.env[match.group(1)] = match.group(2)
        self.connect = self.env["ITEM_LOOKUP_GALERA_CONNECT"]
        self.folder = self.env["ITEM_LOOKUP_GALERA_DIR"]

    def control(self, *words):
        result = subprocess.run([self.script, *words], capture_output=True, text=True,
                                timeout=PATIENCE_SECONDS)
        if result.returncode != 0:
            raise DrillFailure(f"{' '.join(words)}: {result.stderr.strip()}")
        return result.stdout

    def port(self, name):
        return self.env[f"ITEM_LOOKUP_GALERA_{name.upper()}_PORT"]

    def node_connect(self, name):
        return self.env[f"ITEM_LOOKUP_GALERA_{name.upper()}_CONNECT"]

    def sql(self, name, statement):
        """The rows of a statement on node NAME, through its socket as the administrator, in the
        server's default sql_mode (backslashes escape); None when it does not answer in time."""
        try:
            result = subprocess.run(
                ["mariadb", "--no-defaults", "--socket",
                 self.env[f"ITEM_LOOKUP_GALERA_{name.upper()}_SOCKET"], "--batch",
                 "--skip-column-names", "--connect-timeout=3", "item_lookup", "-e", statement],
                capture_output=True, text=True, timeout=5)
        except subprocess.TimeoutExpired:
            return None
        if result.returncode != 0:
            return None
        return [line.split("\t") for line in result.stdout.splitlines()]

    def router_command(self, command):
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as router:
            router.settimeout(5)
            router.connect(os.path.join(self.folder, "router", "haproxy.sock"))
            router.sendall(command.encode() + b"\n")
            reply = b""
            while chunk := router.recv(65536):
                reply += chunk
        return reply.decode()

    def router_state(self):
        """Node name -> (status, current sessions, last check) as the router sees them."""
        rows = csv.DictReader(io.StringIO(self.router_command("show stat").lstrip("# ")))
        return {row["svname"]: (row["status"], int(row["scur"]), row["check_status"])
                for row in rows if row["pxname"] == "galera" and row["svname"] in NODES}

    def sessions(self):
        """The router's sessions to the nodes: (node, the router's own port towards it)."""
        found = []
        for block in re.split(r"\n(?=0x[0-9a-f]+: )", self.router_command("show sess all")):
            server = re.search(r"^  server=(node\d) \(id=\d+\) addr=", block, re.M)
            backend = re.search(r"^  backend=galera \(id=\d+ mode=tcp\) addr=[\d.]+:(\d+)", block,
                                re.M)
            if server and backend:
                found.append((server.group(1), backend.group(1)))
        return found

    def statements_waiting(self, name):
        """The lookup sessions on node NAME whose node has a statement of theirs unread in its
        socket: on a frozen node, each is a lookup that cannot end but by a retry."""
        mine = {port for node, port in self.sessions() if node == name}
        result = subprocess.run(["ss", "-Htn", "state", "established",
                                 f"( sport = :{self.port(name)} )"],
                                capture_output=True, text=True, timeout=PATIENCE_SECONDS)
        waiting = set()
        for line in result.stdout.splitlines():
            fields = line.split()
            peer_port = fields[-1].rsplit(":", 1)[1]
            if int(fields[0]) > 0 and peer_port in mine:
                waiting.add(peer_port)
        return waiting

    def hold_checks(self, name):
        """The router stops checking node NAME and keeps it in, whatever it does."""
        self.router_command(f"disable health galera/{name}")

    def release_checks(self, name):
        self.router_command(f"enable health galera/{name}")

    def set_state(self, name, state):
        """ready, drain (no new connection, those open stay) or maint (none at all)."""
        self.router_command(f"set server galera/{name} state {state}")


class RouterMonitor(threading.Thread):
    """Samples, four times a second, the router's sessions on each node and its verdicts."""

    def __init__(self, cluster):
        super().__init__(daemon=True)
        self.cluster = cluster
        self.stopping = threading.Event()
        self.harmed = set()  # nodes killed, paused or cut off: the router's verdict is expected
        self.healthy_taken_out = set()  # nodes the router took out that nobody harmed
        self.kept_empty = set()  # nodes that must get no session
        self.sessions_where_none_belong = collections.Counter()
        self.most_sessions = {name: 0 for name in NODES}
        self.samples = 0

    def run(self):
        while not self.stopping.wait(0.25):
            self.sample()

    def sample(self):
        try:
            state = self.cluster.router_state()
        except OSError:
            return  # the router restarting
        for name, (status, sessions, _) in state.items():
            self.most_sessions[name] = max(self.most_sessions[name], sessions)
            if (status.startswith("DOWN") or status == "NOLB") and name not in self.harmed:
                self.healthy_taken_out.add(name)
            if name in self.kept_empty and sessions > 0:
                self.sessions_where_none_belong[name] = max(
                    self.sessions_where_none_belong[name], sessions)
        self.samples += 1

    def finish(self):
        self.stopping.set()
        self.join()
        log(f"router monitor: {self.samples} samples; sessions at most, by node,"
            f" {self.most_sessions}")
        if self.samples < 3:
            raise DrillFailure("the router monitor took fewer than 3 samples")
        if self.sessions_where_none_belong:
            raise DrillFailure(f"the router gave sessions to a node not ready for them:"
                               f" {dict(self.sessions_where_none_belong)}")


class Load:
    """HOSTS hosts and the router monitor, from start to verdict."""

    def __init__(self, itemlookup, cluster, keys, work):
        self.cluster = cluster
        self.monitor = RouterMonitor(cluster)
        self.monitor.start()
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

    def lines_written(self):
        return sum(host.lines_written for host in self.hosts)

    def run_lines(self, count, what):
        goal = self.lines_written() + count
        wait_for(lambda: self.lines_written() >= goal, f"{count} more lines {what}")

    def all_hosts_connected(self):
        """Waits until every host is connected through the router at once; returns the sessions."""
        return wait_for(lambda: len(sessions := self.cluster.sessions()) >= HOSTS and sessions,
                        f"all {HOSTS} hosts to be connected through the router")

    def node_holding_lookups(self):
        """The node holding the most host sessions, once every host is connected."""
        self.all_hosts_connected()
        counts = collections.Counter(node for node, _ in self.cluster.sessions())
        return counts.most_common(1)[0][0]

    def stop(self):
        """Ends the hosts' input; each must end by itself within the patience."""
        wait_for(lambda: self.monitor.samples >= 3, "the router monitor's samples")
        for host in self.hosts:
            host.end_input()
        deadline = time.monotonic() + PATIENCE_SECONDS
        statuses = [host.wait(deadline) for host in self.hosts]
        self.monitor.finish()
        if None in statuses:
            raise DrillFailure(f"{statuses.count(None)} host processes had not ended"
                               f" {PATIENCE_SECONDS} s after their input ended")
        return statuses


def check_results(load, statuses, references):
    """Every line a host read has its result, and each is the one node1 gives directly (the same
    fields as on SQLite), after retries if need be: not an error, a missing row or another row.
    Returns the retried lines and the errors they got past, by native error code."""
    total = retried = failed = 0
    problems = []
    got_past = collections.Counter()
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
                    got_past[error.get("native")] += 1
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
    log(f"results: {total} lines, {retried} of them retried; every one as on node1 and on"
        " SQLite")
    for native, count in sorted(got_past.items()):
        log(f"  retried after error {native}: {count}x")
    return retried, got_past


def taken_out_note(monitor):
    """Why lookups may have been retried with no node harmed: the router took one out."""
    if not monitor.healthy_taken_out:
        return ""
    return (f"; the router took {', '.join(sorted(monitor.healthy_taken_out))} out, unharmed:"
            " its health checks went unanswered for seconds (an overloaded machine?)")


class Drills:
    def __init__(self, itemlookup, cluster, key_files, work):
        self.itemlookup = itemlookup
        self.cluster = cluster
        self.work = work
        self.keys = []
        self.injection_keys = []
        for number, key_file in enumerate(key_files):
            with open(key_file, encoding="utf-8") as lines:
                keys = [line.rstrip("\n") for line in lines
                        if line.strip() and not line.startswith("#")]
            self.keys += keys
            if number == 1:
                self.injection_keys = keys
        self.keys_file = self.write_keys("keys.txt", self.keys)
        self.references = self.reference_results()

    def write_keys(self, name, keys):
        path = os.path.join(self.work, name)
        with open(path, "w", encoding="utf-8") as out:
            out.writelines(key + "\n" for key in keys)
        return path

    def run(self, *arguments):
        return subprocess.run([self.itemlookup, *arguments], capture_output=True, text=True,
                              timeout=PATIENCE_SECONDS)

    def batch(self, *connection):
        result = self.run(*connection, "--json", "batch", self.keys_file)
        if result.returncode != 0:
            raise DrillFailure(f"batch {connection} failed: {result.stderr}{result.stdout}")
        return [comparable(json.loads(line)) for line in result.stdout.splitlines()]

    def reference_results(self):
        """The results on node1, straight; their fields and statuses must be SQLite's (warnings
        name the driver, so they are compared on MariaDB only)."""
        on_sqlite = self.batch("--demo-db", os.path.join(self.work, "demo.db"))
        on_node1 = self.batch("--connect", self.cluster.node_connect("node1"))
        for number, (sqlite, node1) in enumerate(zip(on_sqlite, on_node1), start=1):
            sqlite.pop("warnings", None)
            if {k: v for k, v in node1.items() if k != "warnings"} != sqlite:
                raise DrillFailure(f"key line {number}: node1 gives {node1}, SQLite {sqlite}")
        if len(on_sqlite) != len(self.keys) or len(on_node1) != len(self.keys):
            raise DrillFailure("the reference batches do not give one result per key")
        found = sum(1 for result in on_node1 if result["found"])
        if not 0 < found < len(on_node1):
            raise DrillFailure("the demo keys should be partly found, partly not")
        injected = on_node1[len(on_node1) - len(self.injection_keys):]
        if any(result["found"] for result in injected):
            raise DrillFailure(f"an injection key found a row on node1: {injected}")
        return on_node1

    def start_load(self):
        self.cluster.control("wait")
        return Load(self.itemlookup, self.cluster, self.keys, self.work)

    def check(self, *connection):
        result = self.run(*connection, "--json", "check")
        try:
            return json.loads(result.stdout)
        except json.JSONDecodeError as error:
            raise DrillFailure(f"check {connection}: {result.stdout}{result.stderr}") from error

    @staticmethod
    def finding(report, topic):
        for finding in report["findings"]:
            if finding["topic"] == topic:
                return finding
        raise DrillFailure(f"check names no '{topic}': {report}")

    def every_node(self):
        self.cluster.control("wait")
        rows = self.cluster.sql("node1", "SELECT COUNT(*) FROM VNDADFIT")
        stored = int(rows[0][0])
        for name in NODES:
            # The control: the server reads backslashes as escapes by default, and so the first
            # injection key, read so, matches every row.
            matched = self.cluster.sql(name, ESCAPED_INJECTION)
            if matched is None or int(matched[0][0]) != stored:
                raise DrillFailure(f"{name}: read with escapes, the injection key matched"
                                   f" {matched} rows, not all {stored}")
            others = [other for other in NODES if other != name]
            try:
                for other in others:
                    self.cluster.set_state(other, "maint")
                report = self.check("--connect", self.cluster.connect)
                role = self.finding(report, "server role")["detail"]
                if not role.startswith(f"Galera node {name}: ready and synced"):
                    raise DrillFailure(f"through the router with only {name} in: {role}")
                if report["problems"] != 0:
                    raise DrillFailure(f"check through the router to {name}: {report}")
                literals = self.finding(report, "string literals")["detail"]
                results = self.batch("--connect", self.cluster.connect)
            finally:
                for other in others:
                    self.cluster.set_state(other, "ready")
            if results != self.references:
                raise DrillFailure(f"through the router to {name}, the keys gave other results")
            log(f"{name}, alone behind the router: check names it \"{role}\"; the DSN's"
                f" session reads literals {literals.split(':')[0]}, itemlookup's proves them"
                f" again; the {len(self.injection_keys)} injection keys find no row, which read"
                f" with escapes match all {stored}; every key as on SQLite")
        self.node_desynced()

    def node_desynced(self):
        """A node that leaves the cluster's flow control (as a donor does) is named a donor and
        gets no new connection; synced again, it is back in."""
        name = "node2"
        try:
            self.cluster.sql(name, "SET GLOBAL wsrep_desync = ON")
            state = wait_for(lambda: (s := self.cluster.router_state()[name])[0] == "NOLB" and s,
                             f"the router to take the desynced {name} out of the rotation")
            role = self.finding(self.check("--connect", self.cluster.node_connect(name)),
                                "server role")
            if role["ok"] or not role["detail"].startswith(f"Galera node {name}: donor"):
                raise DrillFailure(f"check on the desynced {name}: {role}")
        finally:
            self.cluster.sql(name, "SET GLOBAL wsrep_desync = OFF")
        wait_for(lambda: self.cluster.router_state()[name][0] == "UP",
                 f"the router to take {name} back")
        log(f"{name} desynced: the router's check says {state[2]}, status {state[0]}; check"
            f" names it \"{role['detail']}\"; synced again, it is back in")

    def freeze_with_statements_waiting(self, load, victim):
        """Freezes VICTIM with the router's checks of it held, so that nothing but this drill
        takes it out, and waits until lookup statements provably wait on it: sessions the router
        opened to it for hosts, whose statement sits unread in the frozen node's socket. Every
        host connected to it comes to such a statement unless the node had read its statement
        already when it froze; when that holds for all of them, no statement can arrive, so the
        node is let go and frozen again. Returns the sessions caught."""
        load.monitor.harmed.add(victim)
        self.cluster.hold_checks(victim)
        for attempt in range(1, FREEZE_ATTEMPTS + 1):
            self.cluster.control("node", victim, "pause")
            deadline = time.monotonic() + FREEZE_ATTEMPT_SECONDS
            while time.monotonic() < deadline:
                caught = self.cluster.statements_waiting(victim)
                if caught:
                    log(f"froze {victim} (attempt {attempt}): {len(caught)} lookup statements wait"
                        f" unread in its sockets (the router's sessions to it, with bytes in the"
                        f" node's receive queue)")
                    return caught
                time.sleep(0.05)
            self.cluster.control("node", victim, "resume")
        raise DrillFailure(f"in {FREEZE_ATTEMPTS} freezes of {victim}, no lookup statement"
                           " reached it")

    def node_killed(self):
        victim = None
        checks_held = False
        try:
            with self.start_load() as load:
                load.run_lines(LINES_BEFORE_EVENT, "before the kill")
                victim = load.node_holding_lookups()
                checks_held = True
                caught = self.freeze_with_statements_waiting(load, victim)
                self.cluster.control("node", victim, "kill")
                self.cluster.release_checks(victim)
                checks_held = False
                log(f"killed {victim} (SIGKILL, frozen): the statements waiting on it get no"
                    " answer")
                load.run_lines(LINES_AFTER_EVENT, f"after {victim} was killed")
                statuses = load.stop()
            self.check_lookups_got_past(load, statuses, len(caught), f"the kill of {victim}")
        finally:
            if checks_held:
                self.cluster.release_checks(victim)
            if victim:
                self.cluster.control("node", victim, "start")
                self.cluster.control("wait")

    def node_paused(self):
        victim = None
        checks_held = False
        try:
            with self.start_load() as load:
                load.run_lines(LINES_BEFORE_EVENT, "before the pause")
                victim = load.node_holding_lookups()
                checks_held = True
                caught = self.freeze_with_statements_waiting(load, victim)
                self.cluster.release_checks(victim)
                checks_held = False
                released_at = time.monotonic()
                wait_for(lambda: self.cluster.router_state()[victim][0] == "DOWN",
                         f"the router to take the paused {victim} out")
                log(f"the router, checking {victim} again, took it out after"
                    f" {time.monotonic() - released_at:.1f} s and closed its sessions")
                load.run_lines(LINES_AFTER_EVENT, f"while {victim} is paused")
                self.cluster.control("node", victim, "resume")
                victim = None
                statuses = load.stop()
            self.check_lookups_got_past(load, statuses, len(caught), "the pause")
        finally:
            if checks_held:
                self.cluster.release_checks(victim)
            if victim:
                self.cluster.control("node", victim, "resume")
            self.cluster.control("wait")

    def node_isolated(self):
        victim = None
        try:
            with self.start_load() as load:
                load.run_lines(LINES_BEFORE_EVENT, "before the isolation")
                victim = load.node_holding_lookups()
                load.monitor.harmed.add(victim)
                # No new connection goes to it; the hosts connected to it stay.
                self.cluster.set_state(victim, "drain")
                caught = [port for node, port in self.cluster.sessions() if node == victim]
                self.cluster.control("node", victim, "isolate")
                log(f"cut {victim} off from the cluster, {len(caught)} hosts connected to it:"
                    " it says it is not ready")
                # Each of those hosts comes to a statement, is refused and connects again.
                wait_for(lambda: not {port for node, port in self.cluster.sessions()
                                      if node == victim},
                         f"the hosts connected to {victim} to leave it")
                wait_for(lambda: self.cluster.router_state()[victim][2] == "L7OKC",
                         f"the router's check to find {victim} not ready")
                self.cluster.set_state(victim, "ready")
                load.monitor.kept_empty.add(victim)
                status = self.cluster.router_state()[victim][0]
                if status != "NOLB":
                    raise DrillFailure(f"the router's check leaves the cut-off {victim} {status}")
                role = self.finding(self.check("--connect", self.cluster.node_connect(victim)),
                                    "server role")
                if role["ok"] or not role["detail"].startswith(f"Galera node {victim}: not ready"):
                    raise DrillFailure(f"check on the cut-off {victim}: {role}")
                log(f"the router's check finds {victim} not ready (L7OKC): NOLB, no new"
                    f" connection; check straight to it names it \"{role['detail']}\"")
                load.run_lines(LINES_AFTER_EVENT // 2, f"while {victim} is cut off")
                load.monitor.kept_empty.discard(victim)
                self.cluster.control("node", victim, "rejoin")
                wait_for(lambda: self.cluster.router_state()[victim][0] == "UP",
                         f"the router to take {victim} back")
                log(f"{victim} rejoined, synced: the router sends it connections again")
                victim = None
                load.run_lines(LINES_AFTER_EVENT // 2, "after the rejoin")
                statuses = load.stop()
            _, got_past = check_results(load, statuses, self.references)
            if got_past[NOT_READY] < len(caught):
                raise DrillFailure(f"{len(caught)} hosts were connected to the cut-off node, but"
                                   f" only {got_past[NOT_READY]} lines were retried after its"
                                   f" refusal ({NOT_READY})")
        finally:
            if victim:
                self.cluster.set_state(victim, "ready")
                self.cluster.control("node", victim, "rejoin")
            self.cluster.control("wait")

    def router_restart(self):
        with self.start_load() as load:
            load.run_lines(LINES_BEFORE_EVENT, "before the restart")
            connected = load.all_hosts_connected()
            old = self.router_pid()
            self.cluster.control("router", "restart")
            if self.router_pid() == old:
                raise DrillFailure("the router kept its process")
            log(f"router restarted: process {self.router_pid()} took the listening socket over"
                f" from {old}, which ended with the {len(connected)} hosts' sessions")
            load.run_lines(LINES_AFTER_EVENT, "after the restart")
            statuses = load.stop()
        self.check_lookups_got_past(load, statuses, len(connected), "the restart")

    def check_lookups_got_past(self, load, statuses, caught, event):
        """The lookups the event caught ran again elsewhere: none failed, and at least as many
        lines were retried as the event caught."""
        retried, _ = check_results(load, statuses, self.references)
        if retried < caught:
            raise DrillFailure(f"{event} caught {caught} lookups, but only {retried} lines were"
                               f" retried{taken_out_note(load.monitor)}")

    def router_pid(self):
        with open(os.path.join(self.cluster.folder, "router", "haproxy.pid"),
                  encoding="utf-8") as pid:
            return pid.read().strip()


def processes_in(folder):
    """The processes running in FOLDER (their working folder, even once removed) or naming it in
    their command line: found without the cluster script's own means, so that a fault there
    shows."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            cwd = os.readlink(f"/proc/{entry}/cwd").removesuffix(" (deleted)")
            with open(f"/proc/{entry}/cmdline", "rb") as raw:
                command = raw.read().replace(b"\0", b" ").decode(errors="replace")
        except OSError:
            continue  # ended meanwhile, or not ours to read
        if cwd == folder or cwd.startswith(folder + "/") or folder in command:
            found.append(f"{entry} {command}")
    return found


def crash_and_stop(script):
    """Stops the cluster the drills ran on, after crashing it as a machine might: node2's server
    killed (SIGKILL), node1's frozen (SIGSTOP), the router killed and its pid file left naming a
    live process of someone else's. stop must end every other part, spare that process, exit 0
    and leave nothing of the cluster running."""
    try:
        cluster = Cluster(script)
    except DrillFailure:
        # Nothing runs, or what a failed start left: a plain stop.
        subprocess.run([script, "stop"], check=True, timeout=PATIENCE_SECONDS)
        return
    folder = cluster.folder

    def pid_in(path):
        with open(os.path.join(folder, path), encoding="utf-8") as text:
            return int(text.read().split()[0])

    os.kill(pid_in("node2/mariadbd.pid"), signal.SIGKILL)
    os.kill(pid_in("node1/mariadbd.pid"), signal.SIGSTOP)
    os.kill(pid_in("router/haproxy.pid"), signal.SIGKILL)
    with subprocess.Popen(["sleep", "600"]) as bystander:
        with open(os.path.join(folder, "router", "haproxy.pid"), "w", encoding="utf-8") as stale:
            stale.write(f"{bystander.pid}\n")
        stopped = subprocess.run([script, "stop"], capture_output=True, text=True,
                                 timeout=PATIENCE_SECONDS)
        spared = bystander.poll() is None
        bystander.kill()
    problems = []
    if stopped.returncode != 0:
        problems.append(f"stop exited {stopped.returncode}: {stopped.stderr.strip()}")
    if not spared:
        problems.append("stop killed the process the router's stale pid file named")
    problems += [f"still running: {process}" for process in processes_in(folder)]
    if os.path.exists(folder):
        problems.append(f"stop left {folder}")
    if problems:
        raise DrillFailure("\n".join(problems))
    log("stopped after node2 and the router were killed and node1 frozen: nothing of the"
        " cluster runs, the process the router's stale pid file named was spared")


def main():
    itemlookup, script, demo_keys, injection_keys, drill = sys.argv[1:6]
    if (os.environ.get("ITEM_LOOKUP_REQUIRE_MARIADB") != "1"
            and os.environ.get("ITEM_LOOKUP_GALERA_DRILLS") != "1"):
        log("skipped: set ITEM_LOOKUP_GALERA_DRILLS=1 (or ITEM_LOOKUP_REQUIRE_MARIADB=1)")
        return SKIPPED
    os.environ.setdefault("ITEM_LOOKUP_GALERA_DIR",
                          os.path.join(tempfile.gettempdir(), "item-lookup-galera-drills"))
    if drill == "up":
        # The cluster outlives this process: it serves the drills that follow and is stopped by
        # "down", or once its owner has ended: ctest, this process's parent, unless named. A
        # cluster left from an earlier run, whose owner may end any moment, is replaced.
        owner = os.environ.get("ITEM_LOOKUP_SERVER_OWNER_PID") or str(os.getppid())
        subprocess.run([script, "stop"], check=True, timeout=PATIENCE_SECONDS)
        subprocess.run([script, "start"], check=True, timeout=600,
                       env={**os.environ, "ITEM_LOOKUP_SERVER_OWNER_PID": owner})
        return 0
    if drill == "down":
        try:
            crash_and_stop(script)
        except DrillFailure as failure:
            log(f"FAIL: {failure}")
            return 1
        return 0
    work = tempfile.mkdtemp(prefix="galera-drill-")
    try:
        drills = Drills(itemlookup, Cluster(script), [demo_keys, injection_keys], work)
        getattr(drills, drill.replace("-", "_"))()
    except DrillFailure as failure:
        log(f"FAIL: {failure}\n(outputs kept in {work})")
        return 1
    shutil.rmtree(work)
    log("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
