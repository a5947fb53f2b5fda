#!/usr/bin/env bash
# Runs check_structure.py (the layout and the names of the C++ sources) with
# Python 3, or says plainly that Python 3 is missing.
# Usage: check_structure.sh SOURCE_DIR | --self-test
set -euo pipefail
if ! command -v python3 > /dev/null 2>&1; then
  echo "check_structure: python3 is not installed (scripts/install-deps.sh installs it)" >&2
  exit 1
fi
exec python3 "$(dirname "$0")/check_structure.py" "$@"
