#!/usr/bin/env bash
# The private test server stays apart from the host's: two started side by side while port 3050
# is busy each take a free port of their own, answer with their own SYSDBA, and leave the
# listener on 3050 as it was.
set -euo pipefail
script=${1:?path of fb-server.sh}
[ "$(id -u)" -eq 0 ] || exit 77 # it starts servers as the firebird user
work=$(mktemp -d /var/tmp/velta-fb-test.XXXXXX)
chmod 0755 "$work" # the servers run as the firebird user
holder=
cleanup() {
  "$script" stop "$work/one" || true
  "$script" stop "$work/two" || true
  [ -n "$holder" ] && kill "$holder" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Whatever holds 3050 now (a host's Firebird, or our stand-in) must hold it afterwards.
if ! ss -ltnH "sport = :3050" | grep -q .; then
  python3 -c 'import socket,time; s=socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1); s.bind(("127.0.0.1", 3050)); s.listen(); time.sleep(600)' &
  holder=$!
  for _ in $(seq 1 50); do ss -ltnH "sport = :3050" | grep -q . && break; sleep 0.1; done
fi
before=$(ss -ltnpH "sport = :3050")

one=$("$script" start "$work/one")
two=$("$script" start "$work/two")
[ "$one" != "$two" ] || { echo "both servers on $one"; exit 1; }
for host in "$one" "$two"; do
  case "$host" in localhost/3050) echo "a test server took 3050"; exit 1 ;; esac
done
i=0
for host in "$one" "$two"; do
  i=$((i + 1))
  folder=$([ $i -eq 1 ] && echo "$work/one/data" || echo "$work/two/data")
  echo "create database '$host:$folder/probe.fdb' user SYSDBA password 'tidewater'; commit;" |
    isql-fb -q
  [ -f "$folder/probe.fdb" ] || { echo "no database made through $host"; exit 1; }
done
# Another password is refused: the users are the private server's own.
if echo "connect '$one:$work/one/data/probe.fdb' user SYSDBA password 'masterkey';" |
  isql-fb -q 2>/dev/null; then
  echo "the private server took a password it was never given"
  exit 1
fi
"$script" stop "$work/one"
"$script" stop "$work/two"
after=$(ss -ltnpH "sport = :3050")
[ "$before" = "$after" ] || { echo "port 3050 changed: $before / $after"; exit 1; }
echo "private servers on $one and $two; 3050 untouched"
