#!/usr/bin/env bash
# Builds the Debian package with CPack and checks its control fields and its
# contents.
# Usage: deb_package_test.sh BUILD_DIR
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp" > "$tmp/cpack.log" 2>&1 || {
  cat "$tmp/cpack.log"
  exit 1
}
debs=("$tmp"/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: expected one .deb, found: ${debs[*]}"; exit 1; }
deb=${debs[0]}

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

[ "$(dpkg-deb -f "$deb" Package)" = vellotune ] || fail "Package is $(dpkg-deb -f "$deb" Package)"
depends=$(dpkg-deb -f "$deb" Depends)
# The libraries the programs link (found by dpkg-shlibdeps) and what they
# load at run time.
for package in libqt6widgets6 libqt6gui6 libqt6core6 libfluidsynth3 libqt6svg6 fluid-soundfont-gm; do
  echo "$depends" | grep -Eq "(^|, )$package( |,|$)" || fail "Depends lacks $package: $depends"
done
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no Maintainer"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/vellotune ./usr/bin/vltn ./usr/libexec/vellotune/vltn-sound ./usr/share/applications/vellotune.desktop \
         ./usr/share/mime/packages/vellotune-mime.xml ./usr/share/icons/hicolor/scalable/apps/vellotune.svg \
         ./usr/share/vellotune/doc/guide.html ./usr/share/vellotune/examples/twinkle.hml \
         ./usr/share/man/man1/vltn.1 ./usr/share/man/man1/vellotune.1; do
  echo "$contents" | grep -qx "$f" || fail "the package lacks $f"
done

if [ "$failures" -ne 0 ]; then
  dpkg-deb -I "$deb"
  exit 1
fi
echo "deb package: $(basename "$deb"): all checks passed"
