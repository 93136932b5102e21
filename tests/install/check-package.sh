#!/usr/bin/env bash
# check-package.sh <build dir> <version> <Qt Multimedia version>
# Builds the Debian package from the build with CPack into a temporary folder and checks its
# control fields: dependencies found by dpkg-shlibdeps plus the run-time pieces it cannot see,
# and the files with their places and owners. As root in CI (CI=true) or with
# HOPWISE_TEST_INSTALL=1 it also installs the package, starts it and removes it again.
set -euo pipefail
build=$1 version=$2 multimedia=$3

out=$(mktemp -d "${TMPDIR:-/tmp}/hopwise-package.XXXXXX")
trap 'rm -rf "$out"' EXIT
status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}

if ! log=$(cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" 2>&1); then
  echo "$log" >&2
  fail "cpack"
  exit 1
fi
debs=("$out"/hopwise_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { fail "no single hopwise_*.deb in: $(ls "$out")"; exit 1; }
deb=${debs[0]}
field() { dpkg-deb -f "$deb" "$1"; }

[ "$(field Package)" = hopwise ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), the project is $version"
[ "$(field Section)" = games ] || fail "Section: $(field Section)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"

# One package name a line, without the version constraints.
names() { tr ',' '\n' | sed 's/^ *//; s/[ (].*//' | sort -u; }
depends=$(field Depends | names)
# Linked libraries (seen by dpkg-shlibdeps) and what is loaded at run time (declared by us).
# Debian 13 renamed the libraries whose ABI the 64-bit time_t changed (libqt6core6t64).
need=(libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6
  libqt6webenginecore6 libqt6webenginewidgets6 libqt6multimedia6 libqt6dbus6
  libqt6webenginecore6-bin xdg-utils)
# Until Qt 6.5 Qt Multimedia plays through GStreamer, whose plugins nothing else pulls in; from
# 6.5 through FFmpeg, whose libraries libqt6multimedia6 depends on itself.
if [ "$(printf '%s\n' "$multimedia" 6.5 | sort -V | head -n1)" != 6.5 ]; then
  need+=(gstreamer1.0-plugins-base gstreamer1.0-plugins-good)
elif grep -q '^gstreamer' <<<"$depends"; then
  fail "Depends has GStreamer plugins the FFmpeg back end does not use: $(field Depends)"
fi
for n in "${need[@]}"; do
  grep -qxF -e "$n" -e "${n}t64" <<<"$depends" || fail "Depends lacks $n: $(field Depends)"
done
# Build-only packages must not be pulled onto a player's machine.
if grep -E -- '-dev$|^qt6-httpserver|^libqt6httpserver|^libqt6test' <<<"$depends"; then
  fail "Depends has build or test packages"
fi
for want in fonts-wine xdg-desktop-portal; do
  grep -qx "$want" <<<"$(field Recommends | names)" || fail "Recommends lacks $want: $(field Recommends)"
done

# The description: a summary line, then at least one paragraph for the player.
description=$(field Description)
[ "$(wc -l <<<"$description")" -ge 3 ] || fail "Description is one line: $description"
grep -qi runescape <<<"$description" || fail "Description does not say what it is for"

# Files: every one under /usr, owned by root, the program executable.
listing=$(dpkg-deb -c "$deb")
grep -vq ' root/root ' <<<"$listing" && fail "files not owned by root: $(grep -v ' root/root ' <<<"$listing")"
grep -E -- ' \./' <<<"$listing" | grep -Ev ' \./(usr/)?$| \./usr/' && fail "files outside /usr"
grep -Eq -- '^-rwxr-xr-x .* \./usr/bin/hopwise$' <<<"$listing" || fail "no executable ./usr/bin/hopwise"
for f in ./usr/share/applications/net.quillon.HopWise.desktop ./usr/share/metainfo/net.quillon.HopWise.metainfo.xml \
  ./usr/share/icons/hicolor/256x256/apps/hopwise.png; do
  grep -q -- " $f$" <<<"$listing" || fail "no $f"
done
# Debug information stays out of a player's download.
dpkg-deb -x "$deb" "$out/root"
if readelf -S "$out/root/usr/bin/hopwise" | grep -q '\.debug_info'; then
  fail "usr/bin/hopwise is not stripped"
fi

# Installed on the release it was built on: its Depends are met there, it starts and shows a
# window, and it leaves nothing behind when removed. Only on a machine that is there to be
# changed, and never over a copy already installed.
if [ "$(id -u)" -eq 0 ] && { [ "${CI:-}" = true ] || [ "${HOPWISE_TEST_INSTALL:-}" = 1 ]; }; then
  if [ "$(dpkg-query -W -f='${Status}' hopwise 2>/dev/null)" = "install ok installed" ]; then
    echo "SKIP install: hopwise is installed on this machine already"
  else
    apt=(apt-get -o DPkg::Lock::Timeout=600 -y -q --no-install-recommends)
    if ! log=$(DEBIAN_FRONTEND=noninteractive "${apt[@]}" install "$deb" 2>&1); then
      echo "$log" >&2
      fail "the package does not install here"
    else
      HOPWISE_UPDATE_SERVER=127.0.0.1:9 /usr/bin/hopwise >"$out/run.log" 2>&1 &
      pid=$!
      timeout 120 xdotool search --sync --onlyvisible --pid "$pid" >/dev/null ||
        fail "the installed program shows no window: $(tail -n 20 "$out/run.log")"
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      DEBIAN_FRONTEND=noninteractive "${apt[@]}" purge hopwise >/dev/null 2>&1 || fail "the package does not remove"
      [ ! -e /usr/bin/hopwise ] || fail "/usr/bin/hopwise is left after removing the package"
    fi
  fi
fi

[ $status -eq 0 ] && echo "$(basename "$deb"): $(field Depends)"
exit $status
