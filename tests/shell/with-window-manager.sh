#!/usr/bin/env bash
# Runs one test on a display of its own with a real window manager (openbox), so that window
# frames, title bars and maximising behave as on a desktop. Usage: with-window-manager.sh test [args]
set -euo pipefail
command -v openbox >/dev/null || { echo "openbox is not installed (scripts/setup installs it)"; exit 1; }
command -v Xvfb >/dev/null || { echo "Xvfb is not installed"; exit 1; }

fifo=$(mktemp -u /tmp/hopwise-wm.XXXXXX)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -dpi 96 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r display <"$fifo"
rm -f "$fifo"
export DISPLAY=":$display"
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
cleanup() {
  kill "$wm" "$xvfb" 2>/dev/null || true
  wait "$wm" "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export HOPWISE_TEST_EXPECT_WM=1
"$@"
