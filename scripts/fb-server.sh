#!/usr/bin/env bash
# Starts or stops a Firebird server on loopback for the server tests, without systemd.
#   fb-server.sh start DIR   sets SYSDBA's password, starts the server, makes DIR for databases
#   fb-server.sh stop
set -euo pipefail
pidfile=/run/velta-test-firebird.pid
security=/var/lib/firebird/3.0/system/security3.fdb

case "${1:-}" in
start)
  dir=${2:?database folder}
  if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null; then
    echo "Firebird server already running (pid $(cat "$pidfile"))"
  else
    # The program signs in as SYSDBA with its own password; set it in the server's user list.
    echo "create or alter user SYSDBA password 'tidewater' using plugin Srp; commit;" |
      isql-fb -q -user SYSDBA "$security" >/dev/null
    chown firebird:firebird "$security"
    mkdir -p /run/firebird3.0 && chown firebird:firebird /run/firebird3.0
    runuser -u firebird -- /usr/sbin/firebird >/tmp/velta-test-firebird.log 2>&1 &
    echo $! >"$pidfile"
  fi
  mkdir -p "$dir"
  chown firebird:firebird "$dir"
  for _ in $(seq 1 100); do
    if bash -c 'exec 3<>/dev/tcp/127.0.0.1/3050' 2>/dev/null; then
      echo "Firebird server listening on localhost:3050"
      exit 0
    fi
    sleep 0.1
  done
  echo "Firebird server did not start; see /tmp/velta-test-firebird.log" >&2
  exit 1
  ;;
stop)
  if [ -f "$pidfile" ]; then
    kill "$(cat "$pidfile")" 2>/dev/null || true
    for _ in $(seq 1 50); do kill -0 "$(cat "$pidfile")" 2>/dev/null || break; sleep 0.1; done
    rm -f "$pidfile"
  fi
  ;;
*)
  echo "usage: $0 start DIR | stop" >&2
  exit 2
  ;;
esac
