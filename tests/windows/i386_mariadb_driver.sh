#!/usr/bin/env bash
# The i386 MariaDB Connector/ODBC for 32-bit Wine programs, unpacked into a folder of the checks'
# own: odbc-mariadb:i386 cannot be installed beside the machine's 64-bit odbc-mariadb, so its
# package is fetched with apt-get download and unpacked with dpkg-deb, once per folder. Its
# libmariadb3:i386 is installed (scripts/install-dependencies). Prints the driver's full path, for
# a connection string's DRIVER=; exits 1 with the reason on standard error if it cannot.
# Usage: i386_mariadb_driver.sh FOLDER
set -euo pipefail
folder=$1
driver=$folder/usr/lib/i386-linux-gnu/odbc/libmaodbc.so
if [[ ! -f $driver ]]; then
  mkdir -p "$folder"
  folder=$(cd "$folder" && pwd)
  driver=$folder/usr/lib/i386-linux-gnu/odbc/libmaodbc.so
  if ! (cd "$folder" && apt-get download -q odbc-mariadb:i386 >download.log 2>&1); then
    echo "apt-get download odbc-mariadb:i386 failed: $(tail -1 "$folder/download.log")" >&2
    exit 1
  fi
  dpkg-deb -x "$folder"/odbc-mariadb_*_i386.deb "$folder"
fi
[[ -f $driver ]] || { echo "odbc-mariadb:i386 holds no $driver" >&2; exit 1; }
cd "$(dirname "$driver")" && echo "$PWD/$(basename "$driver")"
