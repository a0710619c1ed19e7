#!/usr/bin/env bash
# Installs, builds, starts a Firebird server on loopback for the server tests, runs every test
# with ctest, and stops the server again.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"

# The test server runs as the firebird user; starting it needs root (sudo for a normal user).
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
server_dir=$(mktemp -d /var/tmp/velta-test-db.XXXXXX)
as_root "$top/scripts/fb-server.sh" start "$server_dir"
cleanup() {
  as_root "$top/scripts/fb-server.sh" stop
  as_root rm -rf "$server_dir"
}
trap cleanup EXIT
export VELTA_TEST_SERVER_DIR=$server_dir
cd "$top/build"
ctest --output-on-failure -j2 "$@"
