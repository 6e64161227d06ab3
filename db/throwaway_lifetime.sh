# Shared by the throwaway database servers (sourced, not run): choosing a port and making sure a
# server never outlives the process that asked for it.

# Ports are taken below the kernel's ephemeral range, where no client connection picks its
# local port by chance; a free-looking port can still be bound by someone else before the server
# binds it, so callers retry on the next one when the server does not come up.
throwaway_port_taken() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# Prints the first port from $1 on (at most $2 of them) that nothing listens on.
throwaway_free_port() {
  local first=$1 count=$2 port
  for ((port = first; port < first + count; ++port)); do
    if ! throwaway_port_taken "$port"; then
      echo "$port"
      return 0
    fi
  done
  return 1
}

# With ITEM_LOOKUP_SERVER_OWNER_PID set, a detached watcher runs "$1 stop" once that process has
# gone, however it ended (a test killed at its timeout included). The folder $2 records the
# owner, so a watcher never stops a later server that reuses the folder.
throwaway_watch_owner() {
  local script=$1 folder=$2 owner=${ITEM_LOOKUP_SERVER_OWNER_PID:-}
  [[ -n $owner ]] || return 0
  echo "$owner" >"$folder/owner"
  setsid bash -c '
    owner=$1 script=$2 folder=$3
    while kill -0 "$owner" 2>/dev/null; do sleep 1; done
    if [[ $(cat "$folder/owner" 2>/dev/null) == "$owner" ]]; then "$script" stop; fi
  ' watcher "$owner" "$script" "$folder" </dev/null >/dev/null 2>&1 &
}
