#!/usr/bin/env bash
# itemlookup.exe --timeout under Wine: a lookup, a batch and `check` each end within a few seconds
# of the bound, with exit status 2 and a message naming it, against a server that accepts and
# never answers (a listener of this script's own) and against a paused PostgreSQL (a throwaway
# server of its own, stopped with SIGSTOP). The batch on PostgreSQL is paused between its two
# lines: the first line's answer is written before the second line is sent, the second gets the
# error, the summary follows.
# Check held by a lock mid-run writes its findings so far and the timeout finding.
# Runs in the Wine prefix its caller names (WINEPREFIX and the rest, wine_prefix.sh environment).
# Usage: itemlookup_exe_timeout.sh WINDOWS_FOLDER WORK_FOLDER
# WINDOWS_FOLDER holds itemlookup.exe beside the DLLs; WORK_FOLDER is emptied and then holds
# each run's output.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
exe=$(cd "$1" && pwd)/itemlookup.exe
work=$2
# The Wine loader of the build's width (its CMake setting), wine64 when run by hand.
wine=${WINE:-$(command -v wine64 || echo /usr/lib/wine/wine64)}
# Two seconds: on a loaded machine a connect under Wine may take more than one.
readonly bound=2
# What the waiting step says, in every case.
readonly named="no answer from the database in $bound s (--timeout $bound)"

rm -rf "$work" && mkdir -p "$work"
work=$(cd "$work" && pwd)
cleanup=()
# shellcheck disable=SC2317 # run at the exit
clean_up() {
  local step
  for step in "${cleanup[@]}"; do eval "$step" >/dev/null 2>&1 || true; done
}
trap clean_up EXIT

# Milliseconds since some fixed point.
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# run NAME CONNECTION_STRING ARGUMENT...: itemlookup.exe with the bound, standard input from
# NAME.in if there is one; sets status and took (ms). Ended at 60 s: a run without a bound.
run() {
  local name=$1 connection=$2 started
  shift 2
  [[ -f $work/$name.in ]] || : >"$work/$name.in"
  started=$(now_ms)
  status=0
  timeout 60 "$wine" "$exe" --timeout "$bound" --connect "$connection" "$@" <"$work/$name.in" \
    >"$work/$name.out" 2>"$work/$name.err" || status=$?
  took=$(($(now_ms) - started))
}

failed=0
fail() {
  echo "FAIL $1" >&2
  echo "  standard output:" >&2
  sed 's/^/    /' "$work/$1.out" >&2
  echo "  standard error:" >&2
  sed 's/^/    /' "$work/$1.err" >&2
  failed=1
}

# expect NAME STREAM TEXT: the run ended with status 2, within a few seconds of the bound
# beyond what Wine takes to start and end itemlookup.exe here (`baseline`), and its STREAM
# (out or err) holds TEXT.
expect() {
  local name=$1 stream=$2 text=$3 most=$((baseline + bound * 1000 + 5000))
  if ((status != 2)); then
    echo "  exit status $status, not 2" >&2
    fail "$name"
  elif ((took > most)); then
    echo "  took $took ms, more than $most ms" >&2
    fail "$name"
  elif ! grep -qF -- "$text" "$work/$name.$stream"; then
    echo "  no '$text' on standard ${stream/err/error}" >&2
    fail "$name"
  else
    echo "ok $name: exit status 2 after $took ms (Wine alone: $baseline ms)"
  fi
}

# Wine's own time, from start to end, of a run that waits for nothing: the port is closed.
closed=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
postgres_at() { echo "DRIVER=PostgreSQL Unicode;Server=127.0.0.1;Port=$1;Database=items;Uid=items;CommLog=0;"; }
run baseline "$(postgres_at "$closed")" item 1001
baseline=$took
if ((status != 2)) || ! grep -q 'Connection refused' "$work/baseline.err"; then
  fail baseline
  exit 1
fi

# The silent server: the kernel completes each connect from the backlog; nothing is ever read.
python3 -c '
import socket, sys
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(16)
print(listener.getsockname()[1], flush=True)
held = []
while True:
    held.append(listener.accept()[0])
' >"$work/silent.port" &
cleanup+=("kill $!")
for _ in $(seq 100); do [[ -s $work/silent.port ]] && break; sleep 0.1; done
silent=$(postgres_at "$(cat "$work/silent.port")")
run silent_lookup "$silent" item 1001
expect silent_lookup err "itemlookup: $named"
run silent_lookup_json "$silent" --json item 1001
expect silent_lookup_json out "{\"error\":\"$named; on Windows a wait cannot be cut"
echo "item 1001" >"$work/silent_batch.in"
run silent_batch "$silent" batch
expect silent_batch err "itemlookup: $named"
run silent_check "$silent" check
expect silent_check err "itemlookup: $named"

# The paused PostgreSQL: a throwaway server of this script's own, with the demo tables. Its
# folder is a new one in the temporary folder: the server's socket path must stay short.
ITEM_LOOKUP_PG_DIR=$(mktemp -d "${TMPDIR:-/tmp}/itemlookup-exe-timeout.XXXXXX")
export ITEM_LOOKUP_PG_DIR ITEM_LOOKUP_SERVER_OWNER_PID=$$
cleanup=(resume_server "\"$root/db/postgres_server/throwaway.sh\" stop" "${cleanup[@]}")
# shellcheck disable=SC1090
. "$("$root/db/postgres_server/throwaway.sh" start)"
cat "$root/db/postgres/schema.sql" "$root/db/demo_rows.sql" | psql -X -q -v ON_ERROR_STOP=1 >/dev/null
postgres=$ITEM_LOOKUP_PG_CONNECT
# Every process of the server, the postmaster first: none answers, none takes a connection.
paused=()
pause_server() {
  local postmaster
  postmaster=$(head -1 "$ITEM_LOOKUP_PG_DIR/data/postmaster.pid")
  kill -STOP "$postmaster"
  mapfile -t paused < <(pgrep -P "$postmaster")
  paused=("$postmaster" "${paused[@]}")
  kill -STOP "${paused[@]}"
}
# shellcheck disable=SC2317 # called by clean_up
resume_server() { ((${#paused[@]} == 0)) || kill -CONT "${paused[@]}"; }

# Check, held mid-run by a lock on the items table that another session keeps: the findings
# before the table's are written, then the timeout finding.
locker_name=itemlookup-exe-timeout-lock-$$
PGAPPNAME=$locker_name psql -X -q \
  -c "BEGIN; LOCK TABLE vndadfit IN ACCESS EXCLUSIVE MODE; SELECT pg_sleep(600);" >/dev/null 2>&1 &
locker=$!
# Its backend sleeps on after psql ends: ended from another session, the lock goes with it.
unlock() {
  psql -X -q -c "SELECT pg_terminate_backend(pid, 30000) FROM pg_stat_activity
                 WHERE application_name = '$locker_name'" >/dev/null
  wait "$locker" || true
}
granted="SELECT count(*) FROM pg_locks WHERE relation = 'vndadfit'::regclass AND granted
           AND mode = 'AccessExclusiveLock'"
for _ in $(seq 600); do [[ $(psql -X -A -t -c "$granted") == 1 ]] && break; sleep 0.1; done
run locked_check "$postgres" --json check
expect locked_check out "{\"topic\":\"timeout\",\"ok\":false,\"detail\":\"$named; "
if ! grep -qF '{"topic":"string literals","ok":true,' "$work/locked_check.out"; then
  echo "  not the findings made before the wait" >&2
  fail locked_check
fi
unlock

# The batch: the first line answered, the server paused, then the second line.
mkfifo "$work/paused_batch.fifo"
application=itemlookup-exe-timeout-$$
"$wine" "$exe" --timeout "$bound" --connect "$postgres;Pqopt={application_name=$application}" \
  batch <"$work/paused_batch.fifo" >"$work/paused_batch.out" 2>"$work/paused_batch.err" &
batch=$!
exec 3>"$work/paused_batch.fifo"
echo "item 1001" >&3
# Once its backend ran the first lookup and waits for the next statement (bounded, so that a
# batch that never gets there fails the test instead of hanging it).
idle="SELECT count(*) FROM pg_stat_activity WHERE application_name = '$application'
      AND state = 'idle' AND query LIKE '%VNDADFIT%'"
for _ in $(seq 600); do
  if ! kill -0 "$batch" 2>/dev/null || [[ $(psql -X -A -t -c "$idle") == 1 ]]; then break; fi
  sleep 0.1
done
# The first line's answer is out before the batch waits for the next line: a host that waits for
# each answer before it writes its next line is answered.
for _ in $(seq 100); do [[ -s $work/paused_batch.out ]] && break; sleep 0.1; done
if [[ ! -s $work/paused_batch.out ]]; then
  echo "  the first line's answer was not written before the batch waited for the next" >&2
  fail paused_batch
fi
pause_server
started=$(now_ms)
echo "item 1002" >&3
exec 3>&-
status=0
# Bounded: a batch that never ends fails the test instead of hanging it.
for _ in $(seq 600); do kill -0 "$batch" 2>/dev/null || break; sleep 0.1; done
kill "$batch" 2>/dev/null || true
wait "$batch" || status=$?
took=$(($(now_ms) - started))
# Wine started long before the wait: only the bound and the ending count here.
baseline_before=$baseline
baseline=0
expect paused_batch out '"sqlstate":"HYT00"'
baseline=$baseline_before
if [[ $(sed -n 1p "$work/paused_batch.out") != '{"line":1,'*'"found":true,'* ]] ||
  [[ $(sed -n 2p "$work/paused_batch.out") != '{"line":2,'*"\"error\":{\"sqlstate\":\"HYT00\",\"native\":0,\"message\":\"$named; "* ]] ||
  (($(wc -l <"$work/paused_batch.out") != 2)); then
  echo "  not the first line's answer, then the second's with HYT00 and the bound" >&2
  fail paused_batch
elif ! grep -qF "itemlookup: 2 lines: 1 found, 0 not found, 0 with warnings, 1 error" \
  "$work/paused_batch.err"; then
  echo "  no summary of both lines" >&2
  fail paused_batch
fi
# The lookup and check, on the server still paused: the connect waits.
run paused_lookup "$postgres" --json item 1001
expect paused_lookup out "{\"error\":\"$named; "
run paused_check "$postgres" check
expect paused_check err "itemlookup: $named"
exit "$failed"
