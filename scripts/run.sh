#!/usr/bin/env bash
# Quick start: install, build, make the embedded database and connect.ini in the working
# directory when they are absent (never overwriting), and start VELTA.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh"

if [ ! -e connect.ini ]; then
  printf '[SECTION]\r\nMode=local_SYS\r\nServer_SYS=\r\n' >connect.ini
  echo "connect.ini を作成しました（Mode=local_SYS）。"
fi
if [ ! -e data/DATA.GDB ]; then
  mkdir -p data
  "$top/build/tools/velta-createdb" "$PWD/data/DATA.GDB"
  echo "データベース data/DATA.GDB を作成しました。"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: starting VELTA on a virtual X server (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$top/build/src/app/velta"
fi
exec "$top/build/src/app/velta"
