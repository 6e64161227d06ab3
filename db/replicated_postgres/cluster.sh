#!/usr/bin/env bash
# A throwaway replicated PostgreSQL 15 topology for the drills and the scale benchmark: a primary,
# two hot standbys that follow it by streaming replication, and PgBouncer pooling the hosts'
# lookups onto the standbys, its host list taking them in turn. Everything listens on loopback
# only and is gone again after "stop". The standbys listen on addresses of their own (127.0.0.2
# and 127.0.0.3) and one port, as two machines would: the pooler's host list has one port.
#
#   cluster.sh start             starts everything, loads the demo tables on the primary; prints
#                                the path of the env file
#   cluster.sh env               prints the path of the env file of the running topology
#   cluster.sh stop              stops whatever of it runs (what a crash left included) and
#                                removes the folder
#   cluster.sh wait              waits until every node runs, both standbys have replayed the
#                                primary and the pooler answers
#   cluster.sh node NAME stop    stops node NAME (primary, standby1, standby2) cleanly
#   cluster.sh node NAME kill    kills every process of it at once (SIGKILL), as a crash would,
#                                a paused node too: what it was working on is never answered
#   cluster.sh node NAME pause   freezes it (SIGSTOP): its kernel still accepts connections
#   cluster.sh node NAME resume  lets it go on (SIGCONT)
#   cluster.sh node NAME start   starts it again, same port, same data
#   cluster.sh node NAME pids    prints the PIDs of its processes (its backends' among them)
#   cluster.sh pooler restart    restarts PgBouncer online: a new process takes over its sockets
#
# The env file holds shell assignments (export NAME="value"):
#   ITEM_LOOKUP_CLUSTER_CONNECT           the recipe DSN (odbc.ini) as a connection string: the
#                                         pooler, to a standby
#   ITEM_LOOKUP_CLUSTER_PRIMARY_CONNECT   straight to the primary (and _STANDBY1_, _STANDBY2_)
#   ITEM_LOOKUP_CLUSTER_POOLER_STANDBY1_CONNECT  the pooler straight to standby1 over its Unix
#                                         socket (its database item_lookup_standby1): for
#                                         measuring only
#   ITEM_LOOKUP_CLUSTER_PRIMARY_HOST      each node's address and port (and _STANDBY1_,
#   ITEM_LOOKUP_CLUSTER_PRIMARY_PORT      _STANDBY2_); the pooler's port (on 127.0.0.1; its
#   ITEM_LOOKUP_CLUSTER_POOLER_PORT       console is its database "pgbouncer")
#   ITEM_LOOKUP_CLUSTER_POOL_SIZE         server connections the pooler opens at most
#   ITEM_LOOKUP_CLUSTER_DIR               the folder
#   PGHOST PGUSER PGDATABASE              for psql and the other client programs (add -p PORT)
#
# The config files beside this script are the recipe: server.conf (every node), pgbouncer.ini
# with userlist.txt, and odbc.ini (the DSN); @NAME@ placeholders are filled in. The system's
# PgBouncer service is not used: PgBouncer runs here with these files only, on a port of its own.
#
# Settings from the environment:
#   ITEM_LOOKUP_CLUSTER_DIR   the folder (default: ${TMPDIR:-/tmp}/item-lookup-cluster); one
#                             that holds files these scripts did not make is refused
#   ITEM_LOOKUP_CLUSTER_PORT  first port to try (default 24500); the primary, the standbys (one
#                             port for both) and the pooler take the first free ports from there
#                             on, each tried on the next port when it does not come up
#   ITEM_LOOKUP_PG_BIN        server binaries (default /usr/lib/postgresql/15/bin)
#   ITEM_LOOKUP_PG_OS_USER    account everything runs as when started by root (default postgres)
#   ITEM_LOOKUP_SERVER_OWNER_PID  everything is stopped once this process has ended
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../throwaway_server.sh
. "$here/../throwaway_server.sh"
# shellcheck source=../postgres_server/postmaster.sh
. "$here/../postgres_server/postmaster.sh"

throwaway_folder ITEM_LOOKUP_CLUSTER_DIR "${TMPDIR:-/tmp}/item-lookup-cluster"
readonly base
readonly first_port=${ITEM_LOOKUP_CLUSTER_PORT:-24500}
readonly bin=${ITEM_LOOKUP_PG_BIN:-/usr/lib/postgresql/15/bin}
readonly env_file=$base/env
readonly db_user=item_lookup
readonly db_name=item_lookup
readonly nodes=(primary standby1 standby2)
# Each node's address: the standbys' are their own, as machines of their own would have.
declare -A address=([primary]=127.0.0.1 [standby1]=127.0.0.2 [standby2]=127.0.0.3 [pooler]=127.0.0.1)
readonly pool_size=4
# How long a node, the replay or the pooler may take before start or wait gives up.
readonly patience_seconds=60

account() {
  throwaway_account "${ITEM_LOOKUP_PG_OS_USER:-postgres}"
}

# Runs a program as the account everything runs as, from a directory that account may enter.
as_owner() {
  throwaway_run_as "$(account)" "$@"
}

is_node() {
  local name
  for name in "${nodes[@]}"; do [[ $name == "$1" ]] && return 0; done
  return 1
}

port_of() {
  cat "$base/$1/port"
}

running() {
  [[ -f $env_file ]] && pooler_pid >/dev/null
}

# psql on one listener (a node or the pooler) as the database user, one value per line, no
# decoration.
sql_on() {
  local name=$1
  shift
  PGCONNECT_TIMEOUT=5 psql -X -q -At -h "${address[$name]}" -p "$(port_of "$name")" -U "$db_user" "$@"
}

# Fills the @NAME@ placeholders of a recipe file from the ports chosen.
render() {
  local template=$1 target=$2
  local sed_args=(-e "s|@FOLDER@|$(dirname "$target")|g")
  local name
  for name in primary standby1 standby2 pooler; do
    if [[ -f $base/$name/port ]]; then
      sed_args+=(-e "s|@${name^^}_PORT@|$(port_of "$name")|g")
      sed_args+=(-e "s|@${name^^}_HOST@|${address[$name]}|g")
      sed_args+=(-e "s|@${name^^}_SOCKET_DIR@|$base/$name|g")
    fi
  done
  sed "${sed_args[@]}" "$here/$template" >"$target"
  chown "$(account):" "$target"
}

# --- PostgreSQL nodes ---

node_options() {
  local name=$1 port=$2
  # Loopback only, socket in the node's folder. The data is thrown away, so a crash may lose the
  # last commits; the standbys' data comes from the primary again.
  echo "-c listen_addresses=${address[$name]} -c port=$port -c unix_socket_directories=$base/$name" \
    "-c cluster_name=$name -c fsync=off -c synchronous_commit=off -c full_page_writes=off"
}

node_start() {
  local name=$1
  postmaster_ctl "$base/$name/data" --log="$base/$name/server.log" \
    --options="$(cat "$base/$name/server.options")" --wait --timeout="$patience_seconds" start >/dev/null
}

# Signals every process of node $1, the postmaster first; fails when the node does not run.
node_signal() {
  local name=$1 signal=$2 pid
  local pids
  postmaster_pid "$base/$name/data" >/dev/null || return 1
  mapfile -t pids < <(postmaster_processes "$base/$name/data")
  if [[ $signal == STOP ]]; then
    # The postmaster first, so that it starts nothing new meanwhile.
    for pid in "${pids[@]}"; do kill -STOP "$pid" 2>/dev/null || true; done
  else
    for ((i = ${#pids[@]} - 1; i >= 0; --i)); do kill -"$signal" "${pids[i]}" 2>/dev/null || true; done
  fi
}

node_stop() {
  postmaster_stop "$base/$1/data" "$2"
}

# Kills every process of node $1 with SIGKILL, all at once: no backend answers, flushes or says
# goodbye, whether the node was running or paused. Fails when the node does not run.
node_kill() {
  local name=$1 pids waited
  mapfile -t pids < <(postmaster_processes "$base/$name/data")
  ((${#pids[@]} > 0)) || return 1
  kill -KILL "${pids[@]}" 2>/dev/null || true
  for ((waited = 0; waited < 50; ++waited)); do
    throwaway_processes_gone "$base/$name/data" "$bin/postgres" "${pids[@]}" && break
    sleep 0.1
  done
  throwaway_processes_gone "$base/$name/data" "$bin/postgres" "${pids[@]}" || return 1
  postmaster_forget_killed "$base/$name/data"
}

# start_server_on PORT starts the listener named by $starting on PORT (throwaway_start_on_a_port).
start_server_on() {
  local port=$1
  echo "$port" >"$base/$starting/port"
  case $starting in
    pooler) pooler_start ;;
    *)
      node_options "$starting" "$port" >"$base/$starting/server.options"
      node_start "$starting" && return 0
      node_stop "$starting" immediate || true
      return 1
      ;;
  esac
}

# Starts the listener $1 on the first free port after $2; prints nothing.
start_listener() {
  starting=$1
  mkdir -p "$base/$starting"
  chown "$(account):" "$base/$starting"
  local port
  port=$(throwaway_start_on_a_port "$2")
  echo "$port" >"$base/$starting/port"
}

# Starts node $1 on port $2 exactly, on its own address: the second standby takes the first's
# port, as the pooler's host list has one.
start_node_on_port() {
  starting=$1
  mkdir -p "$base/$starting"
  chown "$(account):" "$base/$starting"
  start_server_on "$2" ||
    throwaway_fail "$starting did not start on ${address[$starting]}:$2, see $base/$starting/server.log"
}

next_port() {
  echo $(($(port_of "$1") + 1))
}

init_primary() {
  mkdir -p "$base/primary"
  chown "$(account):" "$base/primary"
  as_owner "$bin/initdb" --pgdata="$base/primary/data" --username="$db_user" --auth=trust \
    --encoding=UTF8 --locale=C --no-sync >"$base/primary/initdb.log" 2>&1 ||
    throwaway_fail "initdb failed, see $base/primary/initdb.log"
  # pg_hba.conf from initdb trusts loopback for connections and for replication.
  {
    echo
    echo "# The replicated topology's own settings (db/replicated_postgres/server.conf)."
    cat "$here/server.conf"
  } >>"$base/primary/data/postgresql.conf"
}

# A standby: the primary's data through pg_basebackup, with a replication slot of its own so
# the primary keeps the WAL a standby that was down still needs.
init_standby() {
  local name=$1
  mkdir -p "$base/$name"
  chown "$(account):" "$base/$name"
  as_owner "$bin/pg_basebackup" --host="${address[primary]}" --port="$(port_of primary)" \
    --username="$db_user" --pgdata="$base/$name/data" --write-recovery-conf \
    --create-slot --slot="$name" --wal-method=stream --checkpoint=fast --no-sync \
    >"$base/$name/basebackup.log" 2>&1 ||
    throwaway_fail "pg_basebackup failed, see $base/$name/basebackup.log"
}

load_demo_tables() {
  local port
  port=$(port_of primary)
  "$bin/createdb" --host="${address[primary]}" --port="$port" --username="$db_user" "$db_name" ||
    throwaway_fail "could not create database $db_name"
  # The rows are standard SQL literals; the server's default reads backslashes as escapes.
  PGOPTIONS="-c standard_conforming_strings=on" sql_on primary -d "$db_name" \
    -v ON_ERROR_STOP=1 -f "$here/../postgres/schema.sql" -f "$here/../demo_rows.sql" \
    >"$base/primary/load.log" 2>&1 || throwaway_fail "loading the demo tables failed, see $base/primary/load.log"
}

# Runs "$@" until it succeeds, five times a second for at most $patience_seconds.
eventually() {
  local deadline=$((SECONDS + patience_seconds))
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

standby_replayed() {
  local name=$1 lsn=$2
  [[ $(sql_on "$name" -d "$db_name" \
    -c "SELECT pg_is_in_recovery() AND pg_last_wal_replay_lsn() >= '$lsn'") == t ]]
}

# --- the pooler (PgBouncer) ---

# Whether process $1 is this folder's pooler: PgBouncer started with its configuration.
pooler_is() {
  throwaway_process_is "$1" "$(throwaway_program pgbouncer)" "$base/pooler/pgbouncer.ini"
}

# The PID its pid file names, when that is this folder's pooler.
pooler_pid() {
  local pid
  pid=$(cat "$base/pooler/pgbouncer.pid" 2>/dev/null) && pooler_is "$pid" && echo "$pid"
}

# Ends every pooler of this folder: during an online restart there are two.
pooler_stop() {
  throwaway_end_processes "$(throwaway_program pgbouncer)" "$base/pooler/pgbouncer.ini"
}

pooler_start() {
  render pgbouncer.ini "$base/pooler/pgbouncer.ini"
  cp "$here/userlist.txt" "$base/pooler/userlist.txt"
  chown "$(account):" "$base/pooler/userlist.txt"
  : >"$base/pooler/pgbouncer.log"
  chown "$(account):" "$base/pooler/pgbouncer.log"
  as_owner pgbouncer -q -d "$base/pooler/pgbouncer.ini" >>"$base/pooler/start.log" 2>&1 || return 1
  local deadline=$((SECONDS + patience_seconds))
  until pooler_up; do
    # PgBouncer that cannot bind its port still runs, on its Unix socket only.
    if grep -q "cannot listen on 127.0.0.1" "$base/pooler/pgbouncer.log" || ((SECONDS > deadline)); then
      pooler_stop || true
      return 1
    fi
    sleep 0.2
  done
}

# Our own pooler answers on its port (not some other program that took the port): the
# configuration it reports names our folder.
pooler_up() {
  pooler_pid >/dev/null &&
    sql_on pooler -d pgbouncer -c "SHOW CONFIG" 2>/dev/null | grep -qF "|$base/pooler|"
}

pooler_answers() {
  sql_on pooler -d pgbouncer -c "SHOW VERSION"
}

# The new process connects to the running one through the Unix socket, takes over its listening
# socket and every client and server connection, and then the old one exits.
pooler_restart() {
  local old
  old=$(pooler_pid) || throwaway_fail "the pooler is not running"
  as_owner pgbouncer -q -d -R "$base/pooler/pgbouncer.ini" >>"$base/pooler/start.log" 2>&1 ||
    throwaway_fail "the online restart of the pooler failed, see $base/pooler/pgbouncer.log"
  local deadline=$((SECONDS + patience_seconds))
  while pooler_is "$old"; do
    ((SECONDS < deadline)) || throwaway_fail "the old pooler $old did not hand over"
    sleep 0.1
  done
  eventually pooler_up || throwaway_fail "the restarted pooler does not answer"
}

# --- the whole topology ---

write_env_file() {
  local connect
  # The recipe DSN as a connection string: its lines "Key = Value", comments and section left out.
  render odbc.ini "$base/pooler/odbc.ini"
  connect=$(sed -n 's/^\([A-Za-z]*\) *= *\(.*\)$/\1=\2;/p' "$base/pooler/odbc.ini" | tr -d '\n')
  {
    echo "export ITEM_LOOKUP_CLUSTER_CONNECT=\"$connect\""
    local name upper straight
    for name in "${nodes[@]}"; do
      upper=${name^^}
      straight=${connect/Servername=${address[pooler]};/Servername=${address[$name]};}
      echo "export ITEM_LOOKUP_CLUSTER_${upper}_CONNECT=\"${straight/Port=$(port_of pooler);/Port=$(port_of "$name");}\""
      echo "export ITEM_LOOKUP_CLUSTER_${upper}_HOST=${address[$name]}"
      echo "export ITEM_LOOKUP_CLUSTER_${upper}_PORT=$(port_of "$name")"
    done
    echo "export ITEM_LOOKUP_CLUSTER_POOLER_STANDBY1_CONNECT=\"${connect/Database=$db_name;/Database=${db_name}_standby1;}\""
    echo "export ITEM_LOOKUP_CLUSTER_POOLER_PORT=$(port_of pooler)"
    echo "export ITEM_LOOKUP_CLUSTER_POOL_SIZE=$pool_size"
    echo "export ITEM_LOOKUP_CLUSTER_DIR=\"$base\""
    echo "export PGHOST=127.0.0.1"
    echo "export PGUSER=$db_user"
    echo "export PGDATABASE=$db_name"
  } >"$env_file.new"
  mv "$env_file.new" "$env_file"
}

wait_until_whole() {
  local name lsn
  for name in "${nodes[@]}"; do
    eventually sql_on "$name" -d postgres -c "SELECT 1" ||
      throwaway_fail "node $name does not answer, see $base/$name/server.log"
  done
  lsn=$(sql_on primary -d postgres -c "SELECT pg_current_wal_lsn()")
  for name in standby1 standby2; do
    eventually standby_replayed "$name" "$lsn" ||
      throwaway_fail "$name has not replayed the primary up to $lsn, see $base/$name/server.log"
  done
  eventually pooler_up || throwaway_fail "the pooler does not answer"
}

start() {
  [[ -x $bin/initdb && -x $bin/pg_basebackup ]] || throwaway_fail "no PostgreSQL server programs in $bin"
  command -v pgbouncer >/dev/null || throwaway_fail "no pgbouncer (Debian package pgbouncer)"
  if running; then
    echo "$env_file"
    return
  fi
  throwaway_fresh_folder "$(account)"
  # Whatever started is stopped again should a later step fail.
  trap 'stop_server || true' EXIT
  throwaway_watch_owner

  init_primary
  start_listener primary "$first_port"
  load_demo_tables
  init_standby standby1
  start_listener standby1 "$(next_port primary)"
  init_standby standby2
  start_node_on_port standby2 "$(port_of standby1)"
  start_listener pooler "$(next_port standby2)"
  wait_until_whole
  write_env_file
  trap - EXIT
  echo "$env_file"
}

# Stops every part that runs, whatever a crash left of the others; fails naming those that still
# run.
stop_server() {
  local name left=()
  pooler_stop || left+=(pooler)
  for name in standby2 standby1 primary; do node_stop "$name" fast || left+=("$name"); done
  ((${#left[@]} == 0)) || {
    throwaway_warn "could not stop: ${left[*]}"
    return 1
  }
}

node_command() {
  local name=${1:-} action=${2:-}
  is_node "$name" || throwaway_fail "no node '$name' (nodes: ${nodes[*]})"
  [[ -f $base/$name/server.options ]] || throwaway_fail "the topology is not running (start it with: $0 start)"
  case $action in
    stop) node_stop "$name" fast || throwaway_fail "node $name still runs" ;;
    kill) node_kill "$name" || throwaway_fail "node $name is not running, or still runs" ;;
    pause) node_signal "$name" STOP || throwaway_fail "node $name is not running" ;;
    resume) node_signal "$name" CONT || throwaway_fail "node $name is not running" ;;
    start) node_start "$name" || throwaway_fail "node $name did not start, see $base/$name/server.log" ;;
    pids) postmaster_processes "$base/$name/data" ;;
    *) throwaway_fail "usage: $0 node NAME stop|kill|pause|resume|start|pids" ;;
  esac
}

case ${1:-} in
  node) node_command "${2:-}" "${3:-}" ;;
  pooler)
    [[ ${2:-} == restart ]] || throwaway_fail "usage: $0 pooler restart"
    pooler_restart
    ;;
  wait)
    running || throwaway_fail "the topology is not running (start it with: $0 start)"
    wait_until_whole
    ;;
  start | stop | env) throwaway_main "$1" ;;
  *)
    echo "usage: $0 start|stop|env|wait | node NAME stop|kill|pause|resume|start|pids | pooler restart" >&2
    exit 2
    ;;
esac
