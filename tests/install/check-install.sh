#!/usr/bin/env bash
# check-install.sh <build dir> <version> <application id> <installed marker> <icon sizes>
# Installs the build into a temporary prefix and checks what a desktop needs of it: exactly the
# expected files, icons of the sizes their folders claim, and the .desktop and metainfo files
# accepted by desktop-file-validate and appstreamcli.
set -euo pipefail
build=$1 version=$2 appid=$3 marker=$4
read -r -a sizes <<<"${5//;/ }"

prefix=$(mktemp -d "${TMPDIR:-/tmp}/hopwise-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}

if ! log=$(cmake --install "$build" --prefix "$prefix" 2>&1); then
  echo "$log" >&2
  fail "cmake --install"
  exit 1
fi

desktop=share/applications/$appid.desktop
metainfo=share/metainfo/$appid.metainfo.xml
expected=(bin/hopwise "$desktop" "$metainfo")
for n in "${sizes[@]}"; do
  expected+=("share/icons/hicolor/${n}x${n}/apps/hopwise.png")
done

# Nothing else: test programs, static libraries or the demo servers have no place in an install.
diff -u <(printf '%s\n' "${expected[@]}" | sort) <(cd "$prefix" && find . -type f -printf '%P\n' | sort) >&2 ||
  fail "installed files differ from the expected list (- expected, + installed)"

[ -x "$prefix/bin/hopwise" ] || fail "bin/hopwise is not executable"
[ "$(head -c 4 "$prefix/bin/hopwise" | od -An -c | tr -d ' ')" = '177ELF' ] || fail "bin/hopwise is not an ELF program"

# The program tells an installed copy by this file beside it; if the install rules move the
# metainfo, notes would land in /usr/bin again.
[ -f "$prefix/bin/$marker" ] || fail "bin/$marker does not exist: the program would not see its installed layout"

for n in "${sizes[@]}"; do
  png=$prefix/share/icons/hicolor/${n}x${n}/apps/hopwise.png
  [ -f "$png" ] || continue
  # PNG signature, then the IHDR chunk: width and height as 32-bit big-endian numbers.
  sig=$(od -An -tx1 -N8 "$png" | tr -d ' \n')
  [ "$sig" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
  read -r w0 w1 w2 w3 h0 h1 h2 h3 < <(od -An -tu1 -j16 -N8 "$png")
  w=$(((w0 << 24) | (w1 << 16) | (w2 << 8) | w3))
  h=$(((h0 << 24) | (h1 << 16) | (h2 << 8) | h3))
  [ "$w" = "$n" ] && [ "$h" = "$n" ] || fail "$png is ${w}x${h}, its folder says ${n}x${n}"
done

# desktop-file-validate reports warnings and hints on standard output but exits 0 for them.
if [ -f "$prefix/$desktop" ]; then
  if ! out=$(desktop-file-validate "$prefix/$desktop" 2>&1) || [ -n "$out" ]; then
    echo "$out" >&2
    fail "desktop-file-validate $desktop"
  fi
  key() { sed -n "s/^$1=//p" "$prefix/$desktop" | head -n 1; }
  exec_cmd=$(key Exec)
  [ -x "$prefix/bin/${exec_cmd%% *}" ] || fail "Exec=$exec_cmd is not the installed program"
  [ "$(key Icon)" = hopwise ] || fail "Icon=$(key Icon) is not the installed icon's name"
fi

if [ -f "$prefix/$metainfo" ]; then
  if ! out=$(appstreamcli validate --no-net --no-color "$prefix/$metainfo" 2>&1) ||
    grep -q '^ *[EW]:' <<<"$out"; then
    echo "$out" >&2
    fail "appstreamcli validate $metainfo"
  fi
  # The metainfo and the desktop file must name each other, and its newest release be this one.
  if ! out=$(appstreamcli validate-tree --no-net --no-color "$prefix" 2>&1) ||
    grep -q '^ *[EW]:' <<<"$out"; then
    echo "$out" >&2
    fail "appstreamcli validate-tree"
  fi
  grep -q "<id>$appid</id>" "$prefix/$metainfo" || fail "metainfo id is not $appid"
  grep -q "<launchable type=\"desktop-id\">$appid.desktop</launchable>" "$prefix/$metainfo" ||
    fail "metainfo does not launch $appid.desktop"
  newest=$(grep -o '<release [^>]*version="[^"]*"' "$prefix/$metainfo" | head -n 1 | sed 's/.*version="//; s/"$//')
  [ "$newest" = "$version" ] || fail "newest release in the metainfo is '$newest', the project is $version"
fi

[ $status -eq 0 ] && echo "installed layout under a temporary prefix is complete and valid"
exit $status
