#!/usr/bin/env bash
# Sets up and builds what it needs (the plug-in, the stand-in receiver, the host tool),
# then streams from the stand-in through the plug-in with the host tool. Extra
# arguments go to the host tool (see --help).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
"$ROOT/scripts/setup.sh" run
export ROOT BUILD_DIR
HOST=$BUILD_DIR/tools/host/TesselHost.exe
if [ ! -f "$HOST" ]; then
  [ ! -f "$ROOT/tools/host/CMakeLists.txt" ] || fail "the build made no host tool $HOST"
  log "the host tool is not built yet; outputs so far:"
  find "$BUILD_DIR" -maxdepth 3 \( -name '*.dll' -o -name '*.exe' \) -not -path '*/wineprefix/*' >&2
  exit 0
fi
# The waterfall picture goes beside the WAV file unless the arguments name one.
case " $* " in *" --waterfall "*) ;; *) set -- --waterfall waterfall.png "$@" ;; esac
mkdir -p "$ROOT/out"
cd "$ROOT/out"
# The wineserver writes nowhere, so that it never holds the output of this script
# open; it and the prefix's programs end with the host tool, before the display
# goes (end_wine). The stand-in is registered only when the prefix does not say so
# already.
xvfb-run -a -s '-screen 0 1280x1024x24' bash -c '
  source "$ROOT/scripts/common.sh"
  wineserver -f -p >/dev/null 2>&1 &
  trap "end_wine $!" EXIT
  sim_registered || register_sim || exit 1
  wine "$0" "$@"' "$HOST" "$@"
