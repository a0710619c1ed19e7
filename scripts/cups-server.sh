#!/usr/bin/env bash
# Starts or stops a private CUPS scheduler for the printing tests, apart from the host's own:
# its configuration, spool and socket live in DIR, and it has one cups-pdf queue whose PPD
# defaults to A4 (as a new user's would).
#   cups-server.sh start DIR   prints the socket to use as CUPS_SERVER
#   cups-server.sh stop DIR
# cups-pdf only runs under a root scheduler, so this runs as root (sudo for a normal user).
set -euo pipefail
dir=${2:?folder for the private scheduler}
queue=velta-pdf
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd

case "${1:-}" in
start)
  mkdir -p "$dir"/{spool/tmp,cache,state,log,ppd}
  chmod 0755 "$dir" "$dir"/spool
  chmod 1777 "$dir"/spool/tmp
  cat >"$dir/cups-files.conf" <<EOF
ServerRoot $dir
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
SystemGroup root
FileDevice No
EOF
  cat >"$dir/cupsd.conf" <<EOF
Listen $dir/cups.sock
LogLevel info
Browsing No
WebInterface No
DefaultShared No
MaxJobTime 120
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
  /usr/sbin/cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
  echo $! >"$dir/cupsd.pid"
  for _ in $(seq 1 100); do
    [ -S "$dir/cups.sock" ] && break
    sleep 0.1
  done
  if ! [ -S "$dir/cups.sock" ]; then
    echo "cupsd did not start; see $dir/log" >&2
    exit 1
  fi
  # lpadmin warns that PPD files are deprecated; the warning goes to the log, a failure stops us.
  lpadmin -h "$dir/cups.sock" -p "$queue" -E -v cups-pdf:/ -P "$ppd" 2>>"$dir/log/lpadmin.log"
  lpadmin -h "$dir/cups.sock" -d "$queue"
  echo "$dir/cups.sock"
  ;;
stop)
  "$(dirname "$0")/stop-service.sh" "$dir/cupsd.pid"
  ;;
*)
  echo "usage: $0 start DIR | stop DIR" >&2
  exit 2
  ;;
esac
