#!/usr/bin/env bash
# Sets up and builds as needed, then runs the whole test suite under one Xvfb,
# several tests at a time. Extra arguments go to ctest (e.g. -R sim, or -j 1 to run
# one test at a time).
#   TESSEL_TEST_JOBS=N   tests at a time (default: twice the cores, since most tests
#                        spend their time waiting on Wine)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
"$ROOT/scripts/setup.sh"
export ROOT BUILD_DIR
TESSEL_TEST_JOBS=${TESSEL_TEST_JOBS:-$(($(nproc) * 2))}
export TESSEL_TEST_JOBS
log "running the tests, $TESSEL_TEST_JOBS at a time"
# One persistent wineserver for the whole run: without it every test process
# waits seconds for the server to exit. It is ended however the run ends. An
# interrupt ends the whole run (ctest alone would go on with the next test).
xvfb-run -a -s '-screen 0 1280x1024x24' bash -c '
  source "$ROOT/scripts/common.sh"
  wineserver -f -p >/dev/null 2>&1 &
  trap "end_wine $!" EXIT
  wine cmd /c exit >/dev/null 2>&1
  sim_registered || register_sim || exit 1
  ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error \
    --parallel "$TESSEL_TEST_JOBS" "$@" </dev/null &
  ctest_pid=$!
  trap "kill $ctest_pid 2>/dev/null; log \"interrupted\"; exit 130" INT TERM
  wait $ctest_pid' bash "$@"
