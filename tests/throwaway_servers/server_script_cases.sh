#!/usr/bin/env bash
# The throwaway servers' scripts and the replicated topologies' cluster.sh never hurt what is not
# theirs: a folder of someone else's is refused untouched, a pid file that outlived its server
# never gets the process now holding its PID signalled, and stop ends whatever a crash left
# running. Usage: server_script_cases.sh CASE. Every function named case_* is one CTest test
# (CMakeLists.txt reads the names from here); a case that needs server programs missing here
# exits 77 (skipped).
set -uo pipefail

case_name=$1
db=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../db" && pwd)
readonly skipped=77

work=$(realpath "$(mktemp -d)")
# Run by root, the servers run as an account of their own, which must reach their folders.
chmod 755 "$work"
# Servers a failed case left are stopped once this process ends (the scripts' owner watcher).
export ITEM_LOOKUP_SERVER_OWNER_PID=$$
# Ports of the cases' own, away from the shared servers' and the drills' topology's.
export ITEM_LOOKUP_PG_PORT=24690 ITEM_LOOKUP_MARIADB_PORT=23390 ITEM_LOOKUP_CLUSTER_PORT=24620
sleepers=()
cleanup() {
  ((${#sleepers[@]} == 0)) || kill "${sleepers[@]}" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The four scripts, each with the variable that names its folder. The Galera cluster's stop after
# crashes is proven by its drills' last test (tests/galera_mariadb/), on the cluster they ran on.
scripts=(
  "postgres_server/throwaway.sh ITEM_LOOKUP_PG_DIR"
  "mariadb_server/throwaway.sh ITEM_LOOKUP_MARIADB_DIR"
  "replicated_postgres/cluster.sh ITEM_LOOKUP_CLUSTER_DIR"
  "galera_mariadb/cluster.sh ITEM_LOOKUP_GALERA_DIR"
)

# run SCRIPT VARIABLE FOLDER COMMAND...: runs db/SCRIPT with its folder variable set to FOLDER,
# from $work, leaving stdout, stderr and the exit status in $out, $err, $status.
run() {
  local script=$1 variable=$2 folder=$3
  shift 3
  (cd "$work" && env "$variable=$folder" "$db/$script" "$@") >"$work/out" 2>"$work/err"
  status=$?
  out=$(cat "$work/out")
  err=$(cat "$work/err")
}

expect_status() {
  [[ $status == "$1" ]] || fail "$2: exit status $status, expected $1 (stderr: $err)"
}

# A process that stands for anyone's: a stale pid file may name it. Its PID is left in $sleeper.
start_sleeper() {
  sleep 600 &
  sleeper=$!
  sleepers+=("$sleeper")
}

# The processes still running in folder $1 (their working folder, even once removed) or naming
# it in their command line: found without the scripts' own means, so that a fault there shows.
processes_of() {
  local folder=$1 entry
  {
    find /proc -mindepth 2 -maxdepth 2 -name cwd \( -lname "$folder" -o -lname "$folder/*" \
      -o -lname "$folder (deleted)" -o -lname "$folder/* (deleted)" \) 2>/dev/null
    grep -lsF -- "$folder" /proc/[0-9]*/cmdline
  } | while read -r entry; do
    entry=${entry#/proc/}
    echo "${entry%%/*} $(tr '\0' ' ' <"/proc/${entry%%/*}/cmdline" 2>/dev/null)"
  done
}

expect_nothing_runs_in() {
  local left
  left=$(processes_of "$1")
  [[ -z $left ]] || fail "still running for $1: $left"
}

require_programs() {
  local program
  for program; do
    if ! command -v "$program" >/dev/null && [[ ! -x $program ]]; then
      echo "skipped: no $program here"
      exit "$skipped"
    fi
  done
}

readonly pg_bin=${ITEM_LOOKUP_PG_BIN:-/usr/lib/postgresql/15/bin}

# A folder holding a file of its owner, or made by another of the scripts, is refused by start
# and by stop alike: exit 1, a message naming it, nothing in it touched.
case_foreign_folder_refused() {
  local entry script variable command folder other=$work/other-kind
  mkdir -p "$other"
  echo postgres_server >"$other/.item-lookup-throwaway"
  echo "a file of the folder's owner" >"$other/notes.txt"
  for entry in "${scripts[@]}"; do
    read -r script variable <<<"$entry"
    for command in start stop; do
      folder=$work/foreign
      rm -rf "$folder"
      mkdir -p "$folder"
      echo "a file of the folder's owner" >"$folder/notes.txt"
      run "$script" "$variable" foreign "$command"
      expect_status 1 "$script $command in a foreign folder"
      [[ $err == *"$folder holds files these scripts did not make; refusing to touch it"* ]] ||
        fail "$script $command: no refusal naming $folder: $err"
      [[ $(ls -A "$folder") == notes.txt && $(cat "$folder/notes.txt") == "a file of the folder's owner" ]] ||
        fail "$script $command touched the foreign folder: $(ls -A "$folder")"
      [[ $script == postgres_server/* ]] && continue
      run "$script" "$variable" "$other" "$command"
      expect_status 1 "$script $command in a folder of postgres_server/throwaway.sh"
      [[ -f $other/notes.txt ]] || fail "$script $command removed another script's folder"
    done
  done
}

# Pid files naming a live process that is not the server's (its server was killed with SIGKILL,
# the PID taken since): env says nothing runs, and stop leaves that process alone, exits 0 and
# removes the folder.
case_stale_pid_files_spare_their_process() {
  local entry script variable folder pid_file
  start_sleeper
  for entry in "${scripts[@]}"; do
    read -r script variable <<<"$entry"
    folder=$work/stale
    mkdir -p "$folder"/{data,pooler,router,primary/data,standby1/data,standby2/data}
    mkdir -p "$folder"/{node1,node2,node3}/data
    dirname "$script" >"$folder/.item-lookup-throwaway"
    echo "export NOTHING=1" >"$folder/env"
    for pid_file in data/postmaster.pid mariadbd.pid pooler/pgbouncer.pid router/haproxy.pid \
      {primary,standby1,standby2}/data/postmaster.pid {node1,node2,node3}/mariadbd.pid; do
      echo "$sleeper" >"$folder/$pid_file"
    done
    run "$script" "$variable" "$folder" env
    expect_status 1 "$script env with stale pid files"
    run "$script" "$variable" "$folder" stop
    expect_status 0 "$script stop with stale pid files"
    kill -0 "$sleeper" 2>/dev/null || fail "$script stop killed the process a stale pid file named"
    [[ ! -e $folder ]] || fail "$script stop left its folder"
    if ! kill -0 "$sleeper" 2>/dev/null; then start_sleeper; fi
  done
}

# A throwaway server in a relative folder starts; killed with SIGKILL, it is stopped: exit 0,
# nothing of it left running, the folder gone. MariaDB is left out where it is not installed.
case_killed_server_stopped() {
  require_programs "$pg_bin/initdb"
  local entry script variable pid_file folder
  for entry in "postgres_server/throwaway.sh ITEM_LOOKUP_PG_DIR data/postmaster.pid" \
    "mariadb_server/throwaway.sh ITEM_LOOKUP_MARIADB_DIR mariadbd.pid"; do
    read -r script variable pid_file <<<"$entry"
    if [[ $script == mariadb_* ]] && ! command -v mariadbd >/dev/null; then
      echo "no mariadbd here: $script left out"
      continue
    fi
    folder=$work/${script%%/*}
    run "$script" "$variable" "${script%%/*}" start
    expect_status 0 "$script start in a relative folder"
    [[ $out == "$folder/env" ]] || fail "$script start printed '$out', expected $folder/env"
    ((status == 0)) || continue
    kill -KILL "$(head -1 "$folder/$pid_file")"
    run "$script" "$variable" "${script%%/*}" stop
    expect_status 0 "$script stop after its server was killed"
    expect_nothing_runs_in "$folder"
    [[ ! -e $folder ]] || fail "$script stop left its folder"
  done
}

# The whole topology, started once in a relative folder. A standby's postmaster is killed with
# SIGKILL, so is the pooler, whose pid file then names a live process of someone else's: stop
# ends every other part, spares that process, exits 0 and leaves nothing of the topology running.
case_topology_stopped_after_crashes() {
  require_programs "$pg_bin/initdb" pgbouncer psql
  local script=replicated_postgres/cluster.sh variable=ITEM_LOOKUP_CLUSTER_DIR
  local folder=$work/cluster
  run "$script" "$variable" cluster start
  expect_status 0 "cluster.sh start in a relative folder"
  ((status == 0)) || return
  grep -qxF "export ITEM_LOOKUP_CLUSTER_DIR=\"$folder\"" "$folder/env" ||
    fail "the env file does not name $folder: $(grep CLUSTER_DIR "$folder/env")"
  kill -KILL "$(head -1 "$folder/standby1/data/postmaster.pid")"
  kill -KILL "$(cat "$folder/pooler/pgbouncer.pid")"
  start_sleeper
  echo "$sleeper" >"$folder/pooler/pgbouncer.pid"
  run "$script" "$variable" cluster env
  expect_status 1 "cluster.sh env with the pooler killed"
  run "$script" "$variable" cluster stop
  expect_status 0 "cluster.sh stop after a standby and the pooler were killed"
  kill -0 "$sleeper" 2>/dev/null || fail "cluster.sh stop killed the process the pooler's stale pid file named"
  expect_nothing_runs_in "$folder"
  [[ ! -e $folder ]] || fail "cluster.sh stop left its folder"
}

if [[ $(type -t "case_$case_name") != function ]]; then
  echo "no such case: $case_name" >&2
  exit 2
fi
"case_$case_name"
if ((failures > 0)); then
  echo "$failures check(s) failed in $case_name" >&2
  exit 1
fi
