#!/usr/bin/env bash
# Runs a test program on a real Wayland desktop, started headless for it: sway (headless back
# end, software rendering, XWayland), a session bus whose activation environment points at it,
# pipewire, and the real xdg-desktop-portal with its wlroots back end. The program runs twice,
# as a native Wayland client and through XWayland. Exit 77 (a skip for CTest) when the desktop
# cannot be started here, with the reason on standard output.
# Usage: with-wayland-desktop.sh program [args]
set -euo pipefail
SKIP=77
skip() {
  echo "SKIP: $*"
  exit $SKIP
}

if [ "${1:-}" = --in-sway ]; then
  # Started by sway: WAYLAND_DISPLAY, DISPLAY and SWAYSOCK are set.
  shift
  work=$1
  shift
  export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway
  dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XDG_RUNTIME_DIR XDG_SESSION_TYPE \
    XDG_CURRENT_DESKTOP SWAYSOCK HOME
  pipewire >"$XDG_RUNTIME_DIR/pipewire.log" 2>&1 &
  pipewire=$!
  # The program asks for the portal first, so that it is started by the program's own request.
  status=0
  for platform in wayland xcb; do
    echo "== $* on QT_QPA_PLATFORM=$platform" >>"$work/test.log"
    QT_QPA_PLATFORM=$platform "$@" >>"$work/test.log" 2>&1 || status=1
  done
  # A failure where the desktop offers no screenshot portal says nothing about the program.
  if [ $status != 0 ] && ! answer=$(dbus-send --session --print-reply --reply-timeout=30000 \
    --dest=org.freedesktop.portal.Desktop /org/freedesktop/portal/desktop \
    org.freedesktop.DBus.Properties.Get string:org.freedesktop.portal.Screenshot \
    string:version 2>&1); then
    echo "the desktop portal offers no Screenshot interface here: $answer" >"$work/skip"
  fi
  echo "== done after ${SECONDS}s" >>"$work/test.log"
  # pipewire outlives the session bus and sway; it is this desktop's, so it ends with it.
  kill "$pipewire" 2>/dev/null || true
  wait "$pipewire" 2>/dev/null || true
  echo $status >"$work/status"
  swaymsg exit >/dev/null 2>&1 || true
  exit 0
fi

for tool in sway Xwayland swaybg grim pipewire dbus-run-session dbus-update-activation-environment \
  /usr/libexec/xdg-desktop-portal /usr/libexec/xdg-desktop-portal-wlr; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup installs it)"
done
# libqwayland-generic.so and its kin until Qt 6.10, one libqwayland.so since.
[ -n "$(find /usr/lib -path '*/qt6/plugins/platforms/libqwayland*.so' -print -quit)" ] ||
  skip "Qt's Wayland platform plugin is not installed (qt6-wayland)"

self=$(readlink -f "$0")
if [ "$(id -u)" -eq 0 ]; then
  # sway refuses to run as root: the desktop and the program run as a user of their own.
  user=hopwise-wayland
  if ! id "$user" >/dev/null 2>&1; then
    useradd --system --no-create-home --shell /usr/sbin/nologin "$user" ||
      skip "could not create the user $user for sway, which refuses to run as root"
  fi
  runuser -u "$user" -- test -x "$1" ||
    skip "$user cannot run $1 (a folder on its way is closed to other users)"
  # Every process of this desktop carries the run's mark, which tells it from another run's.
  mark=$$-$RANDOM
  status=0
  runuser -u "$user" -- env -u XDG_RUNTIME_DIR -u DBUS_SESSION_BUS_ADDRESS -u DISPLAY \
    -u WAYLAND_DISPLAY HOPWISE_WAYLAND_RUN="$mark" "$self" "$@" || status=$?
  # The desktop is the test's own: nothing of it may outlive the test (processes that ended
  # and wait for the system to collect them do not count).
  left=""
  for pid in $(ps -u "$user" -o pid=,stat= | awk '$2 !~ /^Z/ {print $1}'); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "HOPWISE_WAYLAND_RUN=$mark"; then
      left+="$(ps -o pid=,args= -p "$pid")"$'\n'
    fi
  done
  if [ -n "$left" ]; then
    echo "FAIL: the desktop left processes behind:"
    echo -n "$left"
    status=1
  fi
  exit $status
fi

work=$(mktemp -d /tmp/hopwise-wayland.XXXXXX)
# The wlroots back end writes every shot to /tmp/out.png: one left behind by this user would
# keep another user's run from taking any.
cleanup() {
  find /tmp -maxdepth 1 -name out.png -user "$(id -u)" -newer "$work/started" -delete 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
touch "$work/started"
export XDG_RUNTIME_DIR=$work/runtime HOME=$work/home
mkdir -m 700 "$XDG_RUNTIME_DIR" "$HOME"
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS XDG_DATA_HOME XDG_CONFIG_HOME XDG_CACHE_HOME
export WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1

args=""
for a in "$@"; do args+=" $(printf '%q' "$a")"; done
cat >"$work/sway.conf" <<CONF
output HEADLESS-1 resolution 640x480 bg #1d5c8a solid_color
xwayland enable
for_window [app_id=".*"] floating enable
for_window [class=".*"] floating enable
exec $(printf '%q' "$self") --in-sway $(printf '%q' "$work")$args
CONF

timeout --kill-after=5 150 dbus-run-session -- sway --config "$work/sway.conf" \
  >"$work/sway.log" 2>&1 || true
if [ -e "$work/test.log" ] && [ ! -s "$work/status" ]; then
  cat "$work/test.log"
  echo "--- sway log"
  tail -n 40 "$work/sway.log"
  echo "FAIL: the test did not finish on the Wayland desktop"
  exit 1
fi
if [ -s "$work/skip" ]; then
  cat "$work/test.log"
  skip "$(cat "$work/skip")"
fi
if [ ! -s "$work/status" ]; then
  echo "--- sway log"
  tail -n 40 "$work/sway.log"
  skip "the headless sway desktop did not start or did not run the test"
fi
cat "$work/test.log"
status=$(cat "$work/status")
if [ "$status" != 0 ]; then
  echo "--- sway log"
  tail -n 40 "$work/sway.log"
  echo "--- pipewire log"
  tail -n 20 "$XDG_RUNTIME_DIR/pipewire.log" 2>/dev/null || true
fi
exit "$status"
