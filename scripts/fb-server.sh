#!/usr/bin/env bash
# Starts or stops a private Firebird server for the server tests, apart from the host's own:
# its configuration, security database (SYSDBA with the program's password), lock files and
# databases live in DIR, and it listens on 127.0.0.1 on a free port of its own, never 3050.
# The host's Firebird service, its users and its port are left as they are.
#   fb-server.sh start DIR   prints the host to use (localhost/PORT); databases go in DIR/data
#   fb-server.sh stop DIR
# The server runs as the firebird user; starting it needs root (sudo for a normal user).
set -euo pipefail
dir=${2:?folder for the private server}
system=/usr/lib/x86_64-linux-gnu/firebird/3.0

listening() {
  ss -ltnH "sport = :$1" | grep -q .
}

case "${1:-}" in
start)
  port=
  for candidate in $(seq 30500 30599); do
    if ! listening "$candidate"; then
      port=$candidate
      break
    fi
  done
  if [ -z "$port" ]; then
    echo "no free port between 30500 and 30599 for the test server" >&2
    exit 1
  fi
  mkdir -p "$dir"/{root,lock,data}
  for part in firebird.msg plugins UDF lib plugins.conf; do
    ln -sfn "$system/$part" "$dir/root/$part"
  done
  # The character sets' module is copied, not linked: the engine knows a module by its real
  # path, and one outside the root defines no character set (SJIS_0208 would be unknown).
  mkdir -p "$dir/root/intl"
  cp -L "$system/intl/fbintl.conf" "$system/intl/libfbintl.so" "$dir/root/intl/"
  cat >"$dir/root/firebird.conf" <<CONF
RemoteServicePort = $port
RemoteBindAddress = 127.0.0.1
SecurityDatabase = $dir/root/security3.fdb
IpcName = velta_test_$port
CONF
  cat >"$dir/root/databases.conf" <<CONF
security.db = $dir/root/security3.fdb
{
	RemoteAccess = false
}
CONF
  export FIREBIRD=$dir/root FIREBIRD_LOCK=$dir/lock
  rm -f "$dir/root/security3.fdb"
  echo "create database '$dir/root/security3.fdb';" | isql-fb -q >/dev/null
  isql-fb -q -i /usr/share/firebird/3.0/security.sql "$dir/root/security3.fdb" >/dev/null
  # The program signs in as SYSDBA with its own password: set in this server's users only.
  echo "create or alter user SYSDBA password 'tidewater' using plugin Srp; commit;" |
    isql-fb -q -user SYSDBA "$dir/root/security3.fdb" >/dev/null
  chown -R firebird:firebird "$dir"
  chmod 0755 "$dir"
  if ! setpriv --reuid=firebird --regid=firebird --init-groups test -r "$dir/root/firebird.conf"; then
    echo "the firebird user cannot reach $dir (a folder above it is closed to it)" >&2
    exit 1
  fi
  # setpriv runs the server in its own process (runuser would stand between), so the pid
  # checked at the port below is the server's.
  setpriv --reuid=firebird --regid=firebird --init-groups \
    /usr/sbin/firebird >"$dir/server.log" 2>&1 &
  echo $! >"$dir/server.pid"
  for _ in $(seq 1 100); do
    # Ours, not a listener that took the port meanwhile.
    if ss -ltnpH "sport = :$port" | grep -q "pid=$(cat "$dir/server.pid")[,)]"; then
      echo "localhost/$port"
      exit 0
    fi
    sleep 0.1
  done
  echo "the test server did not start on port $port; see $dir/server.log" >&2
  exit 1
  ;;
stop)
  "$(dirname "$0")/stop-service.sh" "$dir/server.pid"
  ;;
*)
  echo "usage: $0 start DIR | stop DIR" >&2
  exit 2
  ;;
esac
