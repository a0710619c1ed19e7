#!/usr/bin/env bash
# Runs the input-method test binary ($1) on an X display with fcitx5 and Mozc started for it
# alone: Xvfb on a free display, a private D-Bus session and fcitx5 with Mozc, all as an
# unprivileged user (Mozc refuses root; when run as root a throwaway user is made and removed).
# Nothing of the host's own sessions or settings is touched. Exit 77 (skipped) without the
# packages.
set -euo pipefail
binary=$1
for tool in Xvfb dbus-daemon fcitx5 xdotool; do
  command -v "$tool" >/dev/null || { echo "not installed: $tool"; exit 77; }
done
[ -e /usr/share/fcitx5/inputmethod/mozc.conf ] || { echo "not installed: fcitx5-mozc"; exit 77; }

work=$(mktemp -d /tmp/velta-mozc.XXXXXX)
chmod 755 "$work"
mkdir -p "$work/home/.config/fcitx5" "$work/run"
user=""
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  sleep 0.5
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  if [ -n "$user" ]; then
    pkill -9 -u "$user" 2>/dev/null || true
    userdel "$user" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
if [ "$(id -u)" -eq 0 ]; then
  user=velta-ime-$$
  useradd --no-create-home --home-dir "$work/home" --shell /bin/sh "$user"
  chown -R "$user" "$work/home" "$work/run"
  as_user() { runuser -u "$user" -- env -i PATH="$PATH" HOME="$work/home" "$@"; }
else
  as_user() { env -i PATH="$PATH" HOME="$work/home" "$@"; }
fi
chmod 700 "$work/run"

cat >"$work/home/.config/fcitx5/profile" <<'PROFILE'
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=mozc

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=mozc
Layout=

[GroupOrder]
0=Default
PROFILE
[ -z "$user" ] || chown -R "$user" "$work/home"

# Where X servers put their sockets; made as the system makes it when nothing has yet.
if [ ! -d /tmp/.X11-unix ] && [ "$(id -u)" -eq 0 ]; then
  mkdir -m 1777 /tmp/.X11-unix
fi
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
as_user Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

as_user dbus-daemon --session --fork --print-address=1 --print-pid=1 >"$work/bus" 2>/dev/null
bus=$(sed -n 1p "$work/bus")
pids+=("$(sed -n 2p "$work/bus")")
session=(DISPLAY=":$display" DBUS_SESSION_BUS_ADDRESS="$bus" XDG_RUNTIME_DIR="$work/run")

as_user env "${session[@]}" fcitx5 --disable=wayland,notificationitem,classicui >"$work/fcitx5.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  as_user env "${session[@]}" dbus-send --session --print-reply --dest=org.fcitx.Fcitx5 \
    /controller org.fcitx.Fcitx.Controller1.State >/dev/null 2>&1 && break
  sleep 0.2
done
grep -q "Loaded addon mozc" "$work/fcitx5.log" || sleep 3

status=0
as_user env "${session[@]}" QT_IM_MODULE=fcitx QT_QPA_PLATFORM=xcb VELTA_TEST_FCITX5=1 \
  TMPDIR="$work/run" "$binary" || status=$?
[ "$status" -eq 0 ] || { echo "--- fcitx5 log"; tail -20 "$work/fcitx5.log"; }
exit "$status"
