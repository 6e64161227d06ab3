# Shared by the throwaway database servers (sourced, not run): the folder a server lives in, the
# account it runs as, the port it listens on, the watcher that stops it with its owner, and the
# start|stop|env commands. A script that sources this calls throwaway_folder (which sets `base`),
# defines `env_file` and the functions running, start_server_on PORT, stop_server; then it calls
# throwaway_main "$@".

throwaway_fail() {
  echo "$(basename "$0"): $*" >&2
  exit 1
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
# so a watcher never stops a later server that reuses the folder.
throwaway_watch_owner() {
  local owner=${ITEM_LOOKUP_SERVER_OWNER_PID:-}
  [[ -n $owner ]] || return 0
  echo "$owner" >"$base/owner"
  setsid bash -c '
    owner=$1 script=$2 folder=$3
    while kill -0 "$owner" 2>/dev/null; do sleep 1; done
    if [[ $(cat "$folder/owner" 2>/dev/null) == "$owner" ]]; then "$script" stop; fi
  ' watcher "$owner" "$(cd "$(dirname "$0")" && pwd)/$(basename "$0")" "$base" \
    </dev/null >/dev/null 2>&1 &
}

# Stops the folder's server and removes the folder; a folder not made by these scripts is left
# alone.
throwaway_stop() {
  throwaway_folder_is_ours || return 0
  stop_server
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
