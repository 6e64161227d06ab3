#!/usr/bin/env bash
# A throwaway Galera cluster of three MariaDB nodes for the drills and the scale benchmark, with
# HAProxy routing each new connection to a node that is ready and synced. Everything listens on
# loopback only and is gone again after "stop".
#
#   cluster.sh start              starts node1 as a new cluster, node2 and node3 joining it (from
#                                 copies of node1's data folder), the router; loads the demo
#                                 tables on node1, which the cluster replicates; prints the path
#                                 of the env file
#   cluster.sh env                prints the path of the env file of the running cluster
#   cluster.sh stop               stops whatever of it runs (what a crash left included) and
#                                 removes the folder
#   cluster.sh wait               waits until every node is in the cluster, ready, synced and
#                                 holds the demo rows, and the router sends connections to each
#   cluster.sh node NAME stop     stops node NAME (node1, node2, node3) cleanly: it leaves the
#                                 cluster
#   cluster.sh node NAME kill     kills it (SIGKILL), as a crash would, a paused node too: what it
#                                 was working on is never answered
#   cluster.sh node NAME pause    freezes it (SIGSTOP): its kernel still accepts connections
#   cluster.sh node NAME resume   lets it go on (SIGCONT); the others may have dropped it meanwhile,
#                                 and it joins again by itself
#   cluster.sh node NAME start    starts it again, same ports, same data, and waits until it has
#                                 joined the cluster and is synced
#   cluster.sh node NAME isolate  cuts it off from the other nodes (gmcast.isolate=1) and waits
#                                 until it says it is not ready: it runs on, but refuses queries
#                                 on tables (error 1047)
#   cluster.sh node NAME rejoin   lets it reach the others again and waits until it is synced
#   cluster.sh node NAME pids     prints the PIDs of its processes
#   cluster.sh router restart     a new router takes the listening socket over, then the old one
#                                 ends with every session it carried
#   cluster.sh router state       prints each node as the router sees it:
#                                 NAME UP|NOLB|DOWN|... SESSIONS CHECK
#
# The env file holds shell assignments (export NAME="value"):
#   ITEM_LOOKUP_GALERA_CONNECT         the recipe DSN (odbc.ini) as a connection string, through
#                                      the router
#   ITEM_LOOKUP_GALERA_NODE1_CONNECT   straight to node1 (and _NODE2_, _NODE3_)
#   ITEM_LOOKUP_GALERA_NODE1_PORT      each node's port (and _NODE2_, _NODE3_), the router's
#   ITEM_LOOKUP_GALERA_ROUTER_PORT
#   ITEM_LOOKUP_GALERA_NODE1_SOCKET    each node's unix socket, for the mariadb client as the
#                                      account that started the cluster (and _NODE2_, _NODE3_)
#   ITEM_LOOKUP_GALERA_DIR             the folder
#
# The config files beside this script are the recipe: server.cnf (every node), haproxy.cfg and
# odbc.ini (the DSN); @NAME@ placeholders are filled in. The system's MariaDB and HAProxy
# services are not used: everything runs here with these files only, on ports of its own.
#
# Settings from the environment:
#   ITEM_LOOKUP_GALERA_DIR        the folder (default: ${TMPDIR:-/tmp}/item-lookup-galera); one
#                                 that holds files these scripts did not make is refused
#   ITEM_LOOKUP_GALERA_PORT       first port to try (default 24700); each node takes the first
#                                 free ports from there on for its SQL, group, IST and SST ports,
#                                 the router the next; a listener that does not come up is tried
#                                 on the next port
#   ITEM_LOOKUP_MARIADB_OS_USER   account everything runs as when started by root (default mysql)
#   ITEM_LOOKUP_SERVER_OWNER_PID  everything is stopped once this process has ended
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../throwaway_server.sh
. "$here/../throwaway_server.sh"

throwaway_folder ITEM_LOOKUP_GALERA_DIR "${TMPDIR:-/tmp}/item-lookup-galera"
readonly base
readonly first_port=${ITEM_LOOKUP_GALERA_PORT:-24700}
readonly env_file=$base/env
readonly db_user=item_lookup
readonly db_password=item_lookup
readonly db_name=item_lookup
# The router's check logs in as this account (haproxy.cfg holds the name in its login packet).
readonly check_user=item_lookup_check
readonly nodes=(node1 node2 node3)
# The server, and what a state transfer runs (wsrep_sst_rsync through sh and bash, rsync).
readonly node_programs=(mariadbd sh bash rsync)
# How long a node, a state transfer or the router may take before a command gives up.
readonly patience_seconds=120
# What every connection of a host must run first (odbc.ini's InitStmt says the same).
readonly standard_literals="SET SESSION sql_mode=CONCAT(@@sql_mode,',NO_BACKSLASH_ESCAPES')"

account() {
  throwaway_account "${ITEM_LOOKUP_MARIADB_OS_USER:-mysql}"
}

as_owner() {
  throwaway_run_as "$(account)" "$@"
}

is_node() {
  local name
  for name in "${nodes[@]}"; do [[ $name == "$1" ]] && return 0; done
  return 1
}

# A listener's port (node1..node3, router), or one of a node's other ports
# (port_of node1 group_port).
port_of() {
  cat "$base/$1/${2:-port}"
}

running() {
  [[ -f $env_file ]] && router_pid >/dev/null
}

# --- the nodes ---

# The data folder lets in the account that created it, through the socket, without a password.
admin_user() {
  id -un
}

# The mariadb client on node $1 as the administrator, one value per column, no decoration.
sql_on() {
  local name=$1
  shift
  mariadb --no-defaults --socket="$base/$name/mariadbd.sock" --user="$(admin_user)" \
    --connect-timeout=5 --batch --skip-column-names "$@"
}

# The value of the global status variable $2 on node $1.
status_of() {
  sql_on "$1" -e "SHOW GLOBAL STATUS LIKE '$2'" 2>/dev/null | cut -f2
}

node_synced() {
  [[ $(status_of "$1" wsrep_ready) == ON && $(status_of "$1" wsrep_local_state) == 4 ]]
}

node_not_ready() {
  [[ $(status_of "$1" wsrep_ready) == OFF ]]
}

# "127.0.0.1:PORT,..." for every node whose group port is known.
cluster_address() {
  local name address=""
  for name in "${nodes[@]}"; do
    [[ -f $base/$name/group_port ]] && address+="${address:+,}127.0.0.1:$(port_of "$name" group_port)"
  done
  echo "$address"
}

# Fills the @NAME@ placeholders of a recipe file; $3, for server.cnf, names the node.
render() {
  local template=$1 target=$2 node=${3:-}
  local sed_args=(-e "s|@FOLDER@|$(dirname "$target")|g")
  local name
  for name in "${nodes[@]}" router; do
    [[ -f $base/$name/port ]] && sed_args+=(-e "s|@${name^^}_PORT@|$(port_of "$name")|g")
  done
  if [[ -n $node ]]; then
    sed_args+=(-e "s|@NODE_NAME@|$node|g" -e "s|@NODE_PORT@|$(port_of "$node")|g"
      -e "s|@GROUP_PORT@|$(port_of "$node" group_port)|g"
      -e "s|@IST_PORT@|$(port_of "$node" ist_port)|g"
      -e "s|@SST_PORT@|$(port_of "$node" sst_port)|g"
      -e "s|@CLUSTER_ADDRESS@|$(cluster_address)|g")
  fi
  sed "${sed_args[@]}" "$here/$template" >"$target"
  chown "$(account):" "$target"
}

# The node's own processes: its server, and while a state transfer runs the programs that carry
# it (the transfer script, rsync), all of which run in its data folder.
node_processes() {
  local program
  for program in "${node_programs[@]}"; do
    throwaway_processes "$(throwaway_program "$program")" "$base/$1/data"
  done
}

node_server_pid() {
  throwaway_processes "$(throwaway_program mariadbd)" "$base/$1/data"
}

# A node that crashed (its grastate.dat names no position: it was running) learns from its own
# data how far it got, so that it catches up by IST from another node's cache rather than by a
# full copy: prints the option that says so. Nothing for a node that stopped cleanly, or whose
# data does not tell (a joiner killed during its state transfer gets a full copy then).
node_recovered_position() {
  local name=$1 data=$base/$1/data position
  grep -q '^seqno: *-1' "$data/grastate.dat" 2>/dev/null && [[ -f $data/ibdata1 ]] || return 0
  (cd "$base/$name" && mariadbd --defaults-file="$base/$name/server.cnf" --user="$(account)" \
    --wsrep-recover --log-error="$base/$name/recover.log" </dev/null >/dev/null 2>&1) || return 0
  position=$(sed -n 's/.*WSREP: Recovered position: *//p' "$base/$name/recover.log" | tail -1)
  [[ -z $position ]] || echo "--wsrep-start-position=$position"
}

# Starts node $1 (with --wsrep-new-cluster as $2 for the first node of a new cluster) and waits
# until it is synced with the cluster; a node that ends meanwhile, or is not synced in time, is
# stopped again and the start fails.
node_start() {
  local name=$1 server waited position
  shift
  render server.cnf "$base/$name/server.cnf" "$name"
  position=$(node_recovered_position "$name")
  # The server drops to the account by itself when started by root (--user).
  (cd "$base/$name" && exec setsid mariadbd --defaults-file="$base/$name/server.cnf" \
    --user="$(account)" $position "$@" </dev/null >/dev/null 2>&1) &
  server=$!
  for ((waited = 0; waited < patience_seconds * 5; ++waited)); do
    node_synced "$name" && return 0
    # The server, or the transfer that precedes it, still runs.
    kill -0 "$server" 2>/dev/null || [[ -n $(node_server_pid "$name") ]] || return 1
    sleep 0.2
  done
  node_kill "$name" || true
  return 1
}

# Stops node $1: cleanly, the server leaving the cluster, or with SIGTERM and then SIGKILL for
# what is left after a minute. Returns 1, having said what, when something of it still runs.
node_stop() {
  local name=$1 pids
  mapfile -t pids < <(node_processes "$name")
  ((${#pids[@]} > 0)) || return 0
  # A paused server would never act on the shutdown.
  kill -CONT "${pids[@]}" 2>/dev/null || true
  sql_on "$name" -e "SHUTDOWN" >/dev/null 2>&1 || true
  throwaway_end_processes "$(throwaway_program mariadbd)" "$base/$name/data" TERM 60 || return 1
  # What a state transfer left once its server is gone.
  local program
  for program in "${node_programs[@]:1}"; do
    throwaway_end_processes "$(throwaway_program "$program")" "$base/$name/data" TERM 5 || return 1
  done
}

# Kills every process of node $1 with SIGKILL at once. Fails when none runs.
node_kill() {
  local name=$1 pids waited
  mapfile -t pids < <(node_processes "$name")
  ((${#pids[@]} > 0)) || return 1
  kill -KILL "${pids[@]}" 2>/dev/null || true
  for ((waited = 0; waited < 50; ++waited)); do
    [[ -z $(node_processes "$name") ]] && return 0
    sleep 0.1
  done
  return 1
}

# Sends the signal to node $1's server; a pause returns once the kernel shows every thread of it
# stopped, so that nothing sent to it afterwards is read.
node_signal() {
  local name=$1 signal=$2 pid waited
  pid=$(node_server_pid "$name")
  [[ -n $pid ]] || return 1
  kill -"$signal" "$pid" || return 1
  [[ $signal == STOP ]] || return 0
  for ((waited = 0; waited < 500; ++waited)); do
    # The state follows the command name, which ends with ")".
    sed 's/.*) //; s/ .*//' "/proc/$pid/task/"*/stat 2>/dev/null | grep -qv '^[Tt]$' || return 0
    sleep 0.01
  done
  return 1
}

eventually() {
  local deadline=$((SECONDS + patience_seconds))
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

node_isolate() {
  sql_on "$1" -e "SET GLOBAL wsrep_provider_options='gmcast.isolate=1'" &&
    eventually node_not_ready "$1"
}

node_rejoin() {
  sql_on "$1" -e "SET GLOBAL wsrep_provider_options='gmcast.isolate=0'" &&
    eventually node_synced "$1"
}

# start_server_on PORT starts the listener named by $starting on PORT (throwaway_start_on_a_port);
# a node takes its group, IST and SST ports among the free ones after it.
start_server_on() {
  local port=$1 kind next
  echo "$port" >"$base/$starting/port"
  if [[ $starting == router ]]; then
    router_start
    return
  fi
  next=$port
  for kind in group_port ist_port sst_port; do
    next=$((next + 1))
    while throwaway_port_taken "$next"; do next=$((next + 1)); done
    echo "$next" >"$base/$starting/$kind"
  done
  node_start "$starting" $bootstrap && return 0
  node_stop "$starting" || true
  return 1
}

# Starts the listener $1 on the first free port from $2 on.
start_listener() {
  starting=$1
  mkdir -p "$base/$starting"
  chown "$(account):" "$base/$starting"
  local port
  port=$(throwaway_start_on_a_port "$2")
  echo "$port" >"$base/$starting/port"
}

# The first port after every port listener $1 holds.
next_port() {
  local last
  last=$(cat "$base/$1"/*port | sort -n | tail -1)
  echo $((last + 1))
}

init_first_node() {
  mkdir -p "$base/node1"
  chown "$(account):" "$base/node1"
  mariadb-install-db --no-defaults --datadir="$base/node1/data" --user="$(account)" \
    --auth-root-authentication-method=socket --skip-test-db --tmpdir="$base/node1" \
    >"$base/node1/install.log" 2>&1 ||
    throwaway_fail "mariadb-install-db failed, see $base/node1/install.log"
}

# node1, stopped cleanly once the new cluster has its identity and accounts, leaves data that
# names the cluster and the position it reached: the other nodes start from copies of it, and
# join without a state transfer. node1 starts the cluster again from its own.
seed_other_nodes() {
  local name
  node_stop node1 || throwaway_fail "node1 did not stop, see $base/node1/server.log"
  for name in node2 node3; do
    mkdir -p "$base/$name"
    chown "$(account):" "$base/$name"
    cp -a "$base/node1/data" "$base/$name/data"
  done
  node_start node1 --wsrep-new-cluster ||
    throwaway_fail "node1 did not start the cluster again, see $base/node1/server.log"
}

create_accounts() {
  sql_on node1 <<EOF || throwaway_fail "could not create database $db_name and its accounts"
CREATE DATABASE $db_name CHARACTER SET utf8mb4;
CREATE USER '$db_user'@'127.0.0.1' IDENTIFIED BY '$db_password';
GRANT ALL ON \`${db_name}%\`.* TO '$db_user'@'127.0.0.1';
CREATE USER '$check_user'@'127.0.0.1';
EOF
}

# Loaded on node1 once the cluster is whole: the other nodes get the rows by replication.
load_demo_tables() {
  {
    # The rows are standard SQL literals; the server's default reads backslashes as escapes.
    echo "$standard_literals;"
    cat "$here/../mariadb/schema.sql" "$here/../demo_rows.sql"
  } | sql_on node1 "$db_name" >"$base/node1/load.log" 2>&1 ||
    throwaway_fail "loading the demo tables failed, see $base/node1/load.log"
}

# Every node has applied every write set node1 has (the demo rows among them).
nodes_caught_up() {
  local name last
  last=$(status_of node1 wsrep_last_committed)
  [[ -n $last ]] || return 1
  for name in "${nodes[@]}"; do
    [[ $(status_of "$name" wsrep_cluster_size) == 3 ]] && node_synced "$name" || return 1
    (($(status_of "$name" wsrep_last_committed) >= last)) || return 1
  done
}

# --- the router (HAProxy) ---

router_is() {
  throwaway_process_is "$1" "$(throwaway_program haproxy)" "$base/router/haproxy.cfg"
}

router_pid() {
  local pid
  pid=$(cat "$base/router/haproxy.pid" 2>/dev/null) && router_is "$pid" && echo "$pid"
}

# Ends every router of this folder (during a restart there are two).
router_stop() {
  throwaway_end_processes "$(throwaway_program haproxy)" "$base/router/haproxy.cfg"
}

router_start() {
  render haproxy.cfg "$base/router/haproxy.cfg"
  as_owner haproxy -q -D -f "$base/router/haproxy.cfg" -p "$base/router/haproxy.pid" \
    >"$base/router/haproxy.log" 2>&1
}

# The new process takes the listening socket over from the old one through the stats socket
# (-x), then ends it (-st): the old one closes every session it carried.
router_restart() {
  local old
  old=$(router_pid) || throwaway_fail "the router is not running"
  as_owner haproxy -q -D -f "$base/router/haproxy.cfg" -p "$base/router/haproxy.pid" \
    -x "$base/router/haproxy.sock" -st "$old" >>"$base/router/haproxy.log" 2>&1 ||
    throwaway_fail "the new router did not start, see $base/router/haproxy.log"
  local deadline=$((SECONDS + patience_seconds))
  while router_is "$old"; do
    ((SECONDS < deadline)) || throwaway_fail "the old router $old did not end"
    sleep 0.1
  done
  router_pid >/dev/null || throwaway_fail "the new router is not running"
}

router_command() {
  python3 - "$base/router/haproxy.sock" "$1" <<'EOF_PY'
import socket, sys
with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
    s.settimeout(5)
    s.connect(sys.argv[1])
    s.sendall(sys.argv[2].encode() + b"\n")
    reply = b""
    while chunk := s.recv(65536):
        reply += chunk
sys.stdout.write(reply.decode())
EOF_PY
}

# NAME STATUS SESSIONS CHECK for each node, from the router's statistics (CSV: proxy name, server
# name, ..., current sessions in field 5, status in field 18, last check's result in field 37).
# A status in transition reads "UP-1/3"; the check's result loses the mark of a check running.
router_state() {
  router_command "show stat" | awk -F, '$1 == "galera" && $2 != "FRONTEND" && $2 != "BACKEND" {
    gsub(/ /, "-", $18); sub(/^\* /, "", $37); print $2, $18, $5, $37 }'
}

router_sends_to_every_node() {
  [[ $(router_state | awk '$2 == "UP"' | wc -l) == "${#nodes[@]}" ]]
}

# --- the whole cluster ---

write_env_file() {
  local connect name upper
  render odbc.ini "$base/router/odbc.ini"
  # The recipe DSN as a connection string: its lines "Key = Value", comments and section left out.
  connect=$(sed -n 's/^\([A-Za-z_]*\) *= *\(.*\)$/\1=\2;/p' "$base/router/odbc.ini" | tr -d '\n')
  {
    echo "export ITEM_LOOKUP_GALERA_CONNECT=\"$connect\""
    for name in "${nodes[@]}"; do
      upper=${name^^}
      echo "export ITEM_LOOKUP_GALERA_${upper}_CONNECT=\"${connect/Port=$(port_of router);/Port=$(port_of "$name");}\""
      echo "export ITEM_LOOKUP_GALERA_${upper}_PORT=$(port_of "$name")"
      echo "export ITEM_LOOKUP_GALERA_${upper}_SOCKET=\"$base/$name/mariadbd.sock\""
    done
    echo "export ITEM_LOOKUP_GALERA_ROUTER_PORT=$(port_of router)"
    echo "export ITEM_LOOKUP_GALERA_DIR=\"$base\""
  } >"$env_file.new"
  mv "$env_file.new" "$env_file"
}

wait_until_whole() {
  local name
  for name in "${nodes[@]}"; do
    eventually node_synced "$name" ||
      throwaway_fail "node $name is not synced with the cluster, see $base/$name/server.log"
  done
  eventually nodes_caught_up ||
    throwaway_fail "not every node has applied node1's write sets: $(for name in "${nodes[@]}"; do
      echo -n "$name $(status_of "$name" wsrep_last_committed) "; done)"
  eventually router_sends_to_every_node ||
    throwaway_fail "the router does not send connections to every node: $(router_state | tr '\n' ' ')"
}

start() {
  command -v mariadbd >/dev/null || throwaway_fail "no MariaDB server (Debian package mariadb-server)"
  [[ -f /usr/lib/galera/libgalera_smm.so ]] || throwaway_fail "no Galera provider (Debian package galera-4)"
  command -v rsync >/dev/null || throwaway_fail "no rsync (Debian package rsync)"
  command -v haproxy >/dev/null || throwaway_fail "no haproxy (Debian package haproxy)"
  if running; then
    echo "$env_file"
    return
  fi
  throwaway_fresh_folder "$(account)"
  # Whatever started is stopped again should a later step fail.
  trap 'stop_server || true' EXIT
  throwaway_watch_owner

  init_first_node
  bootstrap=--wsrep-new-cluster
  start_listener node1 "$first_port"
  bootstrap=
  create_accounts
  seed_other_nodes
  start_listener node2 "$(next_port node1)"
  start_listener node3 "$(next_port node2)"
  load_demo_tables
  start_listener router "$(next_port node3)"
  wait_until_whole
  write_env_file
  trap - EXIT
  echo "$env_file"
}

# Stops every part that runs, whatever a crash left of the others; fails naming those that still
# run.
stop_server() {
  local name left=()
  router_stop || left+=(router)
  for name in node3 node2 node1; do node_stop "$name" || left+=("$name"); done
  ((${#left[@]} == 0)) || {
    throwaway_warn "could not stop: ${left[*]}"
    return 1
  }
}

node_command() {
  local name=${1:-} action=${2:-}
  is_node "$name" || throwaway_fail "no node '$name' (nodes: ${nodes[*]})"
  [[ -f $base/$name/server.cnf ]] || throwaway_fail "the cluster is not running (start it with: $0 start)"
  case $action in
    stop) node_stop "$name" || throwaway_fail "node $name still runs" ;;
    kill) node_kill "$name" || throwaway_fail "node $name is not running, or still runs" ;;
    pause) node_signal "$name" STOP || throwaway_fail "node $name is not running" ;;
    resume) node_signal "$name" CONT || throwaway_fail "node $name is not running" ;;
    start)
      [[ -z $(node_server_pid "$name") ]] || throwaway_fail "node $name runs already"
      node_start "$name" || throwaway_fail "node $name did not start, see $base/$name/server.log"
      ;;
    isolate) node_isolate "$name" || throwaway_fail "node $name was not cut off, see $base/$name/server.log" ;;
    rejoin) node_rejoin "$name" || throwaway_fail "node $name did not rejoin, see $base/$name/server.log" ;;
    pids) node_processes "$name" ;;
    *) throwaway_fail "usage: $0 node NAME stop|kill|pause|resume|start|isolate|rejoin|pids" ;;
  esac
}

case ${1:-} in
  node) node_command "${2:-}" "${3:-}" ;;
  router)
    case ${2:-} in
      state) router_state ;;
      restart) router_restart ;;
      *) throwaway_fail "usage: $0 router state|restart" ;;
    esac
    ;;
  wait)
    running || throwaway_fail "the cluster is not running (start it with: $0 start)"
    wait_until_whole
    ;;
  start | stop | env) throwaway_main "$1" ;;
  *)
    echo "usage: $0 start|stop|env|wait | node NAME stop|kill|pause|resume|start|isolate|rejoin|pids | router state|restart" >&2
    exit 2
    ;;
esac
