# A PostgreSQL server known by its data folder: its postmaster, its processes, and stopping it
# whatever state a crash left it in. Sourced, after db/throwaway_server.sh, by throwaway.sh and by
# db/replicated_postgres/cluster.sh, which define `bin` (the server programs) and `account`.

# Prints the PID of the postmaster serving data folder $1, when postmaster.pid names one that
# runs there; the file a killed postmaster left names nothing.
postmaster_pid() {
  local pgdata=$1 pid
  pid=$(head -1 "$pgdata/postmaster.pid" 2>/dev/null) &&
    throwaway_process_is "$pid" "$bin/postgres" "$pgdata" && echo "$pid"
}

# Every process of the server of data folder $1, its postmaster first: each of them runs in that
# folder, a child whose postmaster was killed included.
postmaster_processes() {
  local pgdata=$1 postmaster pid
  postmaster=$(postmaster_pid "$pgdata") && echo "$postmaster"
  for pid in $(throwaway_processes "$bin/postgres" "$pgdata"); do
    [[ $pid == "${postmaster:-}" ]] || echo "$pid"
  done
}

postmaster_ctl() {
  local pgdata=$1
  shift
  throwaway_run_as "$(account)" "$bin/pg_ctl" --pgdata="$pgdata" "$@"
}

# Stops the server of data folder $1 in mode $2 (fast or immediate; immediate when that fails),
# then ends whatever is left of it: the children of a postmaster killed with SIGKILL. pg_ctl runs
# only on a postmaster proven the server's own: it signals whatever PID postmaster.pid holds.
# Returns 1, having said which, when a process of the server still runs.
postmaster_stop() {
  local pgdata=$1 mode=$2 pids
  if postmaster_pid "$pgdata" >/dev/null; then
    # A paused server would never act on the signal to stop.
    mapfile -t pids < <(postmaster_processes "$pgdata")
    kill -CONT "${pids[@]}" 2>/dev/null || true
    postmaster_ctl "$pgdata" --mode="$mode" --wait stop >/dev/null 2>&1 ||
      postmaster_ctl "$pgdata" --mode=immediate --wait stop >/dev/null 2>&1 || true
  fi
  # Children of a killed postmaster end once they notice; SIGQUIT ends them at once.
  throwaway_end_processes "$bin/postgres" "$pgdata" QUIT || return 1
  postmaster_forget_killed "$pgdata"
}

# Once no process of the server of data folder $1 runs: removes the lock file a killed postmaster
# left, which would keep the server from starting again once its PID is some other process's,
# and the shared memory segment it names, which no process holds any more and which would
# otherwise outlive the folder.
postmaster_forget_killed() {
  local pgdata=$1 segment
  [[ -f $pgdata/postmaster.pid ]] || return 0
  postmaster_pid "$pgdata" >/dev/null && return 0
  # Line 7: the segment's key and id.
  segment=$(sed -n '7{s/^ *[0-9]* *//;p}' "$pgdata/postmaster.pid")
  if [[ $segment =~ ^[0-9]+$ ]] &&
    ipcs -m -i "$segment" 2>/dev/null | grep -Eq '(^|[[:space:]])nattch=0([[:space:]]|$)'; then
    ipcrm -m "$segment" 2>/dev/null || true
  fi
  rm -f "$pgdata/postmaster.pid"
}
