#!/usr/bin/env bash
# Stops the process whose pid a test service's script left in PIDFILE: asked to end, then, after
# 5 s (a Firebird server waits for connections a test cut), killed.
#   stop-service.sh PIDFILE
set -euo pipefail
pidfile=${1:?pid file}
if [ -f "$pidfile" ]; then
  pid=$(cat "$pidfile")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    kill -9 "$pid" 2>/dev/null || true
    for _ in $(seq 1 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -f "$pidfile"
fi
