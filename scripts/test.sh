#!/usr/bin/env bash
# Installs, builds, starts a private Firebird server on a loopback port of its own and a private
# CUPS scheduler with a cups-pdf queue for the server and printing tests, runs every test with
# ctest, and stops both. The host's own Firebird and CUPS services are not touched.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" --tests
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
  as_root "$top/scripts/fb-server.sh" stop "$server_dir" || true
  as_root rm -rf "$server_dir"
}
trap cleanup EXIT
VELTA_TEST_SERVER_HOST=$(as_root "$top/scripts/fb-server.sh" start "$server_dir")
VELTA_TEST_CUPS_SERVER=$(as_root "$top/scripts/cups-server.sh" start "$cups_dir")
export VELTA_TEST_SERVER_HOST VELTA_TEST_CUPS_SERVER
export VELTA_TEST_SERVER_DIR=$server_dir/data
cd "$top/build"
ctest --output-on-failure -j2 "$@"
