#!/usr/bin/env bash
# A fresh Wine prefix of a check's own, so that nothing of the user's own Wine, nor of an older
# run, takes part, and nothing is left behind: Wine's menu builder and caches write to the XDG
# folders, which point into the prefix, and the server's folder in the temporary folder (Debian's
# Wine names it in PREFIX/wineserver) outlives the server unless removed.
#
#   wine_prefix.sh start PREFIX   empties PREFIX, starts its server and makes the prefix; the
#                                 server stays up between the hosts, which then start in about a
#                                 second each, and ends by itself two minutes after the last one
#   wine_prefix.sh stop PREFIX    stops the server if it is still up, removes its folder
#
#   wine_prefix.sh environment PREFIX
#                                 prints the variables the callers run their Wine programs with,
#                                 one a line: WINEPREFIX=PREFIX, WINEDEBUG=-all, the XDG folders
set -euo pipefail
readonly command=$1 prefix=$2
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver64 || command -v wineserver || echo /usr/lib/wine/wineserver64)

environment() {
  echo "WINEPREFIX=$prefix"
  echo "WINEDEBUG=-all"
  echo "XDG_CONFIG_HOME=$prefix/xdg/config"
  echo "XDG_DATA_HOME=$prefix/xdg/data"
  echo "XDG_CACHE_HOME=$prefix/xdg/cache"
}
while read -r setting; do export "${setting?}"; done < <(environment)

stop() {
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
  local folder
  folder=$(cat "$prefix/wineserver" 2>/dev/null) || return 0
  [[ $folder =~ ^wine-[A-Za-z0-9]{6}$ ]] && rm -rf "${TMPDIR:-/tmp}/$folder"
  return 0
}

case $command in
  start)
    stop
    rm -rf "$prefix" && mkdir "$prefix"
    # Its output goes to a file: the detached server would hold the caller's open.
    setsid "$wineserver" -p120 </dev/null >"$prefix.log" 2>&1
    if ! "$wine" wineboot.exe --init </dev/null >>"$prefix.log" 2>&1; then
      cat "$prefix.log" >&2
      exit 1
    fi
    ;;
  stop) stop ;;
  environment) environment ;;
  *) echo "usage: $0 start|stop|environment PREFIX" >&2; exit 2 ;;
esac
