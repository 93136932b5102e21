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
hopwise_xvfb() {
  xvfb-run -a -s "-screen 0 1920x1080x24 -dpi 96" "$@"
}
