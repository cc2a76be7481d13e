#!/usr/bin/env bash
# Sets up and builds as needed, then runs the whole test suite under one Xvfb.
# Extra arguments go to ctest (e.g. -R sim).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
"$ROOT/scripts/setup.sh"
export ROOT BUILD_DIR
log "running the tests"
xvfb-run -a -s '-screen 0 1280x1024x24' bash -c '
  source "$ROOT/scripts/common.sh"
  wineserver -p >/dev/null 2>&1
  wine cmd /c exit >/dev/null 2>&1
  register_sim
  ctest --test-dir "$BUILD_DIR" --output-on-failure "$@"
  rc=$?
  wineserver -k
  exit $rc' bash "$@"
