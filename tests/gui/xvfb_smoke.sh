#!/usr/bin/env bash
# Smoke test of the real application: starts `vellotune` with a bundled song
# under Xvfb, waits for its window, takes a screenshot and checks that the
# window is there, with its caption, and painted.
# Usage: xvfb_smoke.sh VELLOTUNE_BINARY SONG OUT_PNG VERSION
set -euo pipefail
app=$1 song=$2 shot=$3 version=$4

if [ -z "${DISPLAY_IS_XVFB:-}" ]; then
  export DISPLAY_IS_XVFB=1
  exec bash "$(dirname "$0")/with_xvfb.sh" bash "$0" "$@"
fi

home=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$home"' EXIT
export HOME="$home" Temp="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

"$app" "$song" > "$home/app.log" 2>&1 &
pid=$!

wid=""
for _ in $(seq 1 300); do
  wid=$(xdotool search --onlyvisible --name '^Vellotune Version' 2>/dev/null | head -n 1 || true)
  [ -n "$wid" ] && break
  kill -0 "$pid" 2>/dev/null || { echo "vellotune ended early:"; cat "$home/app.log"; exit 1; }
  sleep 0.1
done
[ -n "$wid" ] || { echo "no window within 30 s"; cat "$home/app.log"; exit 1; }

title=$(xdotool getwindowname "$wid")
[ "$title" = "Vellotune Version$version" ] || { echo "unexpected caption: $title"; exit 1; }
geometry=$(xdotool getwindowgeometry "$wid" | sed -n 's/.*Geometry: //p')
echo "window $wid \"$title\" $geometry"

sleep 1 # let it paint
import -window root "$shot"
# A painted window: the screenshot is not one flat colour.
spread=$(convert "$shot" -colorspace Gray -format '%[fx:standard_deviation]' info:)
echo "screenshot $shot, grey spread $spread"
awk -v s="$spread" 'BEGIN { exit !(s > 0.05) }' || { echo "the screenshot is blank"; exit 1; }
kill -0 "$pid" || { echo "vellotune died"; exit 1; }
echo "smoke test passed"
