#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that everything a
# desktop needs lands where it looks: the programs, the menu entry, the icon,
# the file types, the documentation and the examples.
# Usage: install_layout_test.sh BUILD_DIR
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/usr

cmake --install "$build" --prefix "$prefix" > "$tmp/install.log"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_file() { for f in "$@"; do [ -f "$prefix/$f" ] || fail "not installed: $f"; done; }

expect_file bin/vellotune bin/vltn libexec/vellotune/vltn-sound \
  share/applications/vellotune.desktop \
  share/mime/packages/vellotune-mime.xml \
  share/icons/hicolor/scalable/apps/vellotune.svg \
  share/vellotune/doc/guide.html share/vellotune/doc/hmml-to-omp.html \
  share/vellotune/doc/hmml.html share/vellotune/doc/omp.html \
  share/vellotune/doc/style.css share/vellotune/doc/README.TXT \
  share/vellotune/examples/twinkle.hml share/vellotune/examples/kaeru.hml \
  share/man/man1/vltn.1 share/man/man1/vellotune.1
for program in bin/vellotune bin/vltn libexec/vellotune/vltn-sound; do
  [ -x "$prefix/$program" ] || fail "$program is not executable"
  # No run path into the build tree may survive the install.
  if readelf -d "$prefix/$program" | grep -Eq 'R(UN)?PATH'; then
    fail "$program keeps a run path: $(readelf -d "$prefix/$program" | grep -E 'R(UN)?PATH')"
  fi
done

# The menu entry: valid, starting the installed program with the file, its
# icon installed, and every file type it claims defined by our MIME package.
entry=$prefix/share/applications/vellotune.desktop
desktop-file-validate "$entry" || fail "desktop-file-validate rejects vellotune.desktop"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[ "$exec_line" = "vellotune %f" ] || fail "Exec is '$exec_line'"
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "icon '$icon' not installed"
xmllint --noout "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" || fail "the icon is not well-formed SVG"
mime_types=$(sed -n 's/^MimeType=//p' "$entry" | tr ';' '\n' | sed '/^$/d')
[ -n "$mime_types" ] || fail "the entry claims no file types"
for type in $mime_types; do
  grep -q "<mime-type type=\"$type\">" "$prefix/share/mime/packages/vellotune-mime.xml" \
    || fail "MimeType $type is not defined by vellotune-mime.xml"
done

# The file types as the desktop's MIME database sees them once built.
mime=$tmp/mime
mkdir -p "$mime/packages"
cp "$prefix/share/mime/packages/vellotune-mime.xml" "$mime/packages/"
update-mime-database "$mime" || fail "update-mime-database rejects vellotune-mime.xml"
for glob in 'application/x-vellotune-vtd:\*\.vtd' 'text/x-hmml:\*\.hml' 'text/x-hmml:\*\.hmml'; do
  grep -Eq "^[0-9]+:$glob(:|$)" "$mime/globs2" || fail "no glob $glob in the MIME database"
done
# H-MML stays text, so text editors still offer to open it.
grep -qx 'text/x-hmml text/plain' "$mime/subclasses" || fail "text/x-hmml is not a subclass of text/plain"
if grep -q '^application/x-vellotune-vtd ' "$mime/subclasses"; then
  fail "song files must open in Vellotune, not in a text editor"
fi

# The manual pages are made from the programs' own help: each names every
# option its program knows.
man=$prefix/share/man/man1
for verb in compile format vtd midi basic omplist play wav; do
  grep -q "^$verb " "$man/vltn.1" || fail "vltn.1 does not list '$verb'"
done
grep -q '\\-\\-version' "$man/vellotune.1" || fail "vellotune.1 does not list --version"
grep -q '^vellotune \\- ' "$man/vellotune.1" || fail "vellotune.1 has no NAME line"

# The documentation lies where the installed about box looks for it.
[ -d "$prefix/bin/../share/vellotune/doc" ] || fail "no share/vellotune/doc beside bin/"

# The installed command-line tool runs.
"$prefix/bin/vltn" compile "$prefix/share/vellotune/examples/twinkle.hml" > "$tmp/twinkle.omp" \
  || fail "the installed vltn cannot compile the installed example"
grep -q '^\$4:' "$tmp/twinkle.omp" || fail "unexpected OMP data: $(cat "$tmp/twinkle.omp")"
# ... and hands the verbs that make sound to its installed helper.
"$prefix/bin/vltn" wav -o "$tmp/kaeru.wav" "$prefix/share/vellotune/examples/kaeru.hml" \
  || fail "the installed vltn cannot render the installed example"
[ -s "$tmp/kaeru.wav" ] || fail "no WAV file from the installed vltn"

if [ "$failures" -ne 0 ]; then
  echo "$failures problem(s); install log:"
  cat "$tmp/install.log"
  exit 1
fi
echo "install layout: all checks passed"
