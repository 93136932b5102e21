# shellcheck shell=bash
# What scripts/test, run, bench and package share; sourced, never run, and installs nothing
# (those scripts run scripts/setup themselves). Sets `root` to the source tree.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# hopwise_configure BUILD_DIR BUILD_TYPE [CMAKE_ARG...]: a Ninja build, through ccache when
# there is one.
hopwise_configure() {
  local build=$1 type=$2
  shift 2
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${launcher[@]}" "$@" >/dev/null
}

# hopwise_build BUILD_DIR [TARGET...]: everything when no target is named.
hopwise_build() {
  local build=$1
  shift
  local only=()
  [ $# -gt 0 ] && only=(--target "$@")
  cmake --build "$build" --parallel "$(nproc)" "${only[@]}"
}

# hopwise_xvfb COMMAND...: under a virtual X display of the size and resolution every window is
# laid out for.
# xvfb-run -a skips the numbers whose lock files it sees; an Xvfb in a root of scripts/test-on
# has its lock files in another /tmp but shares the network, and with it the abstract socket of
# its number, so a number whose socket is listening is skipped as well.
hopwise_xvfb() {
  local n=${HOPWISE_XVFB_FIRST:-99} sockets
  sockets=$(cat /proc/net/unix 2>/dev/null || true)
  while [ -e "/tmp/.X$n-lock" ] || grep -q "@/tmp/.X11-unix/X$n\$" <<<"$sockets"; do n=$((n + 1)); done
  xvfb-run -a -n "$n" -s "-screen 0 1920x1080x24 -dpi 96" "$@"
}
