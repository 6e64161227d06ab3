# Shared by the throwaway database servers (sourced, not run): the folder a server lives in, the
# account it runs as, the port it listens on, the proof that a process is its own, the watcher
# that stops it with its owner, and the start|stop|env commands. A script that sources this calls
# throwaway_folder (which sets `base`), defines `env_file` and the functions running,
# start_server_on PORT, stop_server (which returns 1, having said what, when something of the
# server still runs); then it calls throwaway_main "$@".

throwaway_fail() {
  echo "$(basename "$0"): $*" >&2
  exit 1
}

throwaway_warn() {
  echo "$(basename "$0"): $*" >&2
}

# --- the folder ---

# Sets `base` to the folder the variable named $1 names ($2 when unset), made absolute so that
# the servers, which run from other folders, and the owner watcher find it; the variable is
# exported so.
throwaway_folder() {
  local folder=${!1:-$2}
  base=$(realpath -m -- "$folder")
  export "$1=$base"
}

# A folder the scripts made holds this file, naming the script's kind (its folder's name): only
# such a folder, an empty one or none at all is ever emptied, so that a variable naming a folder
# of someone else's never wipes it.
throwaway_marker() {
  echo "$base/.item-lookup-throwaway"
}

throwaway_kind() {
  basename "$(cd "$(dirname "$0")" && pwd)"
}

throwaway_folder_is_ours() {
  [[ $(cat "$(throwaway_marker)" 2>/dev/null) == "$(throwaway_kind)" ]]
}

# Refuses a folder that exists and holds anything but was not made by this kind of script.
throwaway_check_folder() {
  [[ -e $base ]] || return 0
  [[ -d $base ]] || throwaway_fail "$base is not a folder; name a new or empty folder"
  throwaway_folder_is_ours && return 0
  [[ -z $(ls -A "$base" 2>/dev/null) && -r $base ]] ||
    throwaway_fail "$base holds files these scripts did not make; refusing to touch it (name a new or empty folder)"
}

# --- the server's own processes ---

# Whether process $1 is one of this folder's servers: it runs program $2 (a path), and it was
# started with the argument $3 or runs in the folder $3. A pid file that outlived its process
# (a server killed with SIGKILL, a reboot) may name anyone's process by now: its PID is never
# signalled without this proof. It starts no program: stop tries it on every process of the
# program's name, other servers' included.
throwaway_process_is() {
  local pid=$1 program=$2 where=$3 arg args
  [[ $pid =~ ^[0-9]+$ && /proc/$pid/exe -ef $program ]] || return 1
  [[ /proc/$pid/cwd -ef $where ]] && return 0
  mapfile -d '' args 2>/dev/null <"/proc/$pid/cmdline" || return 1
  for arg in "${args[@]}"; do [[ $arg == "$where" ]] && return 0; done
  return 1
}

# The PIDs of this folder's processes of program $1 (see throwaway_process_is), whatever their pid
# files say: a server whose parent was killed, or whose pid file is gone, is found too.
throwaway_processes() {
  local program=$1 where=$2 entry
  for entry in /proc/[0-9]*; do
    if throwaway_process_is "${entry#/proc/}" "$program" "$where"; then echo "${entry#/proc/}"; fi
  done
}

# The path of program $1 as PATH finds it (the bare name when it finds none: no process runs that).
throwaway_program() {
  command -v "$1" || echo "$1"
}

# Whether none of the processes is still this folder's process of program $2 (a zombie is not).
throwaway_processes_gone() {
  local where=$1 program=$2 pid
  shift 2
  for pid; do
    if throwaway_process_is "$pid" "$program" "$where"; then return 1; fi
  done
}

# Ends this folder's processes of program $1 (see throwaway_processes): signal $3 (TERM by
# default), SIGKILL for those still there after $4 seconds (5 by default). Returns 1, having
# said which, when some outlive even SIGKILL.
throwaway_end_processes() {
  local program=$1 where=$2 signal=${3:-TERM} patience=${4:-5} pids waited
  mapfile -t pids < <(throwaway_processes "$program" "$where")
  ((${#pids[@]} > 0)) || return 0
  # A paused (SIGSTOP) process would never act on the signal.
  kill -CONT "${pids[@]}" 2>/dev/null || true
  kill -"$signal" "${pids[@]}" 2>/dev/null || true
  for ((waited = 0; waited < patience * 10; ++waited)); do
    throwaway_processes_gone "$where" "$program" "${pids[@]}" && return 0
    sleep 0.1
  done
  mapfile -t pids < <(throwaway_processes "$program" "$where")
  ((${#pids[@]} > 0)) || return 0
  kill -KILL "${pids[@]}" 2>/dev/null || true
  for ((waited = 0; waited < 50; ++waited)); do
    throwaway_processes_gone "$where" "$program" "${pids[@]}" && return 0
    sleep 0.1
  done
  throwaway_warn "$(basename "$program") still runs for $where: PID ${pids[*]}"
  return 1
}

# Servers refuse to run as root, so root hands them to an unprivileged account ($1 by default,
# created when missing).
throwaway_account() {
  if [[ $(id -u) -ne 0 ]]; then
    id -un
    return
  fi
  if ! id "$1" >/dev/null 2>&1; then
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$1" >&2
  fi
  echo "$1"
}

# Runs a program as account $1 from the folder, which that account may enter.
throwaway_run_as() {
  local account=$1
  shift
  if [[ $account == "$(id -un)" ]]; then
    (cd "$base" && "$@")
  else
    (cd "$base" && runuser -u "$account" -- "$@")
  fi
}

# Replaces the folder, and any server still in it, with an empty one owned by account $1, which
# must be able to reach it, marked as this kind of script's.
throwaway_fresh_folder() {
  local account=$1
  throwaway_main stop
  mkdir -p "$base"
  throwaway_kind >"$(throwaway_marker)"
  chmod 755 "$base"
  chown "$account:" "$base"
  if [[ $(id -u) -eq 0 ]] && ! runuser -u "$account" -- test -x "$base"; then
    throwaway_fail "$account cannot reach $base; name a folder it can reach"
  fi
}

# Ports are taken below the kernel's ephemeral range, where no client connection picks its
# local port by chance; a free-looking port can still be bound by someone else before the server
# binds it, so the server is tried on the next one when it does not come up.
throwaway_port_taken() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# Starts the server (start_server_on PORT) on the first free port from $1 on, trying the next
# port up to five times; prints the port it came up on.
throwaway_start_on_a_port() {
  local port=$1 attempt
  for ((attempt = 1; ; ++attempt)); do
    local last=$((port + 19))
    while ((port <= last)) && throwaway_port_taken "$port"; do port=$((port + 1)); done
    ((port <= last)) || throwaway_fail "no free port in $1..$last"
    start_server_on "$port" && break
    ((attempt < 5)) || throwaway_fail "the server did not start, see $base"
    echo "$(basename "$0"): no server on port $port (see $base); trying the next port" >&2
    port=$((port + 1))
  done
  echo "$port"
}

# With ITEM_LOOKUP_SERVER_OWNER_PID set, a detached watcher runs "$0 stop" once that process has
# gone, however it ended (a test killed at its timeout included). The folder records the owner,
# so a watcher never stops a later server that reuses the folder, and the watcher's PID, so that
# a stop run by anyone else ends the watcher too.
throwaway_watch_owner() {
  local owner=${ITEM_LOOKUP_SERVER_OWNER_PID:-}
  [[ -n $owner ]] || return 0
  echo "$owner" >"$base/owner"
  setsid bash -c '
    owner=$1 script=$2 folder=$3
    while kill -0 "$owner" 2>/dev/null; do sleep 1; done
    if [[ $(cat "$folder/owner" 2>/dev/null) == "$owner" ]]; then "$script" stop; fi
  ' throwaway-watcher "$owner" "$(cd "$(dirname "$0")" && pwd)/$(basename "$0")" "$base" \
    </dev/null >/dev/null 2>&1 &
  echo "$!" >"$base/watcher.pid"
}

# Ends the owner watcher, unless it is the one running this stop.
throwaway_end_watcher() {
  local pid
  pid=$(cat "$base/watcher.pid" 2>/dev/null) || return 0
  [[ $pid != "$PPID" ]] || return 0
  if throwaway_process_is "$pid" "$BASH" "$base"; then kill "$pid" 2>/dev/null || true; fi
}

# Stops everything of the folder's server and removes the folder; a folder not made by these
# scripts is left alone. When something still runs the folder stays, and stop fails saying so.
throwaway_stop() {
  throwaway_folder_is_ours || return 0
  stop_server || throwaway_fail "something of the server still runs (see above); $base is kept"
  throwaway_end_watcher
  # The marker goes last: a stop cut off while removing leaves a folder still known as ours.
  find "$base" -mindepth 1 -maxdepth 1 ! -name "$(basename "$(throwaway_marker)")" -exec rm -rf {} +
  rm -rf "$base"
}

throwaway_main() {
  case ${1:-} in
    start)
      throwaway_check_folder
      start
      ;;
    stop)
      throwaway_check_folder
      throwaway_stop
      ;;
    env)
      running || throwaway_fail "no throwaway server is running (start it with: $0 start)"
      echo "$env_file"
      ;;
    *)
      echo "usage: $0 start|stop|env" >&2
      exit 2
      ;;
  esac
}
