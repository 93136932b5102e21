#!/usr/bin/env bash
# Runs one test on a display of its own with a real window manager (openbox), so that window
# frames, title bars and maximising behave as on a desktop. With --no-window-manager the display
# is bare: for a test that types on the real keyboard, which a window shown by another test on a
# shared display could take. Usage: with-window-manager.sh [--no-window-manager] test [args]
set -euo pipefail
wm=1
if [ "${1:-}" = --no-window-manager ]; then
  wm=0
  shift
fi
[ $wm = 0 ] || command -v openbox >/dev/null || { echo "openbox is not installed (scripts/setup installs it)"; exit 1; }
command -v Xvfb >/dev/null || { echo "Xvfb is not installed"; exit 1; }

fifo=$(mktemp -u /tmp/hopwise-wm.XXXXXX)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -dpi 96 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r display <"$fifo"
rm -f "$fifo"
export DISPLAY=":$display"
pids=("$xvfb")
if [ $wm = 1 ]; then
  openbox --sm-disable >/dev/null 2>&1 &
  pids+=("$!")
  export HOPWISE_TEST_EXPECT_WM=1
fi
cleanup() {
  kill "${pids[@]}" 2>/dev/null || true
  wait "${pids[@]}" 2>/dev/null || true
}
trap cleanup EXIT
"$@"
