#!/usr/bin/env bash
# Builds the .deb with cpack from the build folder (the binaries are the build's), unpacks it with
# dpkg-deb -x and checks what a technician's machine would get.
set -uo pipefail
build=$1
version=$2
with_poll=${3:-0}  # 1 when the build has kestrel-poll
source_dir=${4:-}
for tool in dpkg-deb dpkg-shlibdeps cpack desktop-file-validate; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

(cd "$build" && cpack -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log"; echo "FAIL: cpack"; exit 1; }
arch=$(dpkg --print-architecture)
deb="$tmp/out/kestrel_${version}_${arch}.deb"
[ -f "$deb" ] || { ls "$tmp/out"; echo "FAIL: no $deb"; exit 1; }

root="$tmp/root"
dpkg-deb -x "$deb" "$root"

expected=(
  usr/bin/kestrel
  usr/bin/kestrel-sim
  usr/share/applications/kestrel.desktop
  usr/share/icons/hicolor/scalable/apps/kestrel.svg
  usr/share/icons/hicolor/48x48/apps/kestrel.png
  usr/share/icons/hicolor/256x256/apps/kestrel.png
  usr/share/man/man1/kestrel.1.gz
  usr/share/man/man1/kestrel-sim.1.gz
)
[ "$with_poll" = 1 ] && expected+=(usr/bin/kestrel-poll)
[ -f "$source_dir/docs/kestrel-poll.1" ] && expected+=(usr/share/man/man1/kestrel-poll.1.gz)
for f in "${expected[@]}"; do
  [ -e "$root/$f" ] || fail "missing /$f"
done
# Nothing else lands outside /usr, and the icons are the sizes their folders say.
outside=$(cd "$root" && find . -mindepth 1 -maxdepth 1 ! -name usr)
[ -z "$outside" ] || fail "files outside /usr: $outside"
for size in 48 256; do
  got=$(file -b "$root/usr/share/icons/hicolor/${size}x${size}/apps/kestrel.png" | grep -o '[0-9]* x [0-9]*')
  [ "$got" = "$size x $size" ] || fail "${size}px icon is $got"
done

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libc6 libqt6core6 libqt6widgets6 libqt6serialport6 libqt6sql6 libqt6sql6-sqlite libsqlite3-0; do
  grep -Eq "(^|, )$lib( |,|$)" <<<"$depends" || fail "Depends lacks $lib"
done
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "Version is $(dpkg-deb -f "$deb" Version)"

got=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/kestrel" --version 2>/dev/null)
[ "$got" = "kestrel $version" ] || fail "kestrel --version said: $got"
"$root/usr/bin/kestrel-sim" --help >"$tmp/help" 2>&1 || fail "kestrel-sim --help failed"
grep -q -- "--link" "$tmp/help" || fail "kestrel-sim --help does not name --link"

desktop-file-validate "$root/usr/share/applications/kestrel.desktop" || fail "desktop entry"
grep -qx "Exec=kestrel" "$root/usr/share/applications/kestrel.desktop" || fail "Exec is not kestrel"

[ "$failures" -eq 0 ] && echo "package $(basename "$deb") OK"
exit "$failures"
