#!/usr/bin/env bash
# Runs a command with DISPLAY set to a private Xvfb server of its own.
# Xvfb picks a free display itself (-displayfd) and names it only once it
# takes connections, so there is no race with other servers or a stale lock;
# -noreset keeps it from resetting, and refusing connections meanwhile, each
# time its last client leaves.
# The server and the command die with this script, even when it is killed
# outright (as ctest does at its timeout): a hung test left running would
# spin on unseen.
# Usage: with_xvfb.sh COMMAND [ARGS...]
set -euo pipefail
fifo=$(mktemp -u)
mkfifo "$fifo"
setpriv --pdeathsig KILL Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3> "$fifo" > /dev/null 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; rm -f "$fifo"' EXIT
display=""
read -r -t 30 display < "$fifo" || true
[ -n "$display" ] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$display"
# The real X server, even where the environment asks Qt for another platform
# (QT_QPA_PLATFORM=offscreen is common in headless CI).
export QT_QPA_PLATFORM=xcb
setpriv --pdeathsig KILL "$@"
