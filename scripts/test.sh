#!/usr/bin/env bash
# Installs, builds, starts a Firebird server on loopback and a private CUPS scheduler with a
# cups-pdf queue for the server and printing tests, runs every test with ctest, and stops both.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"

# The test services run as root (the Firebird server then drops to its own user; cups-pdf
# needs a root scheduler); starting them needs root (sudo for a normal user).
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
server_dir=$(mktemp -d /var/tmp/velta-test-db.XXXXXX)
cups_dir=$(mktemp -d /tmp/velta-test-cups.XXXXXX)
cleanup() {
  as_root "$top/scripts/cups-server.sh" stop "$cups_dir" || true
  as_root rm -rf "$cups_dir"
  as_root "$top/scripts/fb-server.sh" stop
  as_root rm -rf "$server_dir"
}
trap cleanup EXIT
as_root "$top/scripts/fb-server.sh" start "$server_dir"
export VELTA_TEST_CUPS_SERVER=$(as_root "$top/scripts/cups-server.sh" start "$cups_dir")
export VELTA_TEST_SERVER_DIR=$server_dir
cd "$top/build"
ctest --output-on-failure -j2 "$@"
