# Shared by the setup, run and test scripts: where things are, and the Wine environment.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR=$ROOT/$BUILD_DIR ;; esac
export WINEPREFIX=$BUILD_DIR/wineprefix
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
SIM_DLL=$BUILD_DIR/sim/CalderSim.dll

log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*" >&2; }

# Ends the script with a message saying what failed.
fail() {
  log "error: $*"
  exit 1
}

# Registers the stand-in receiver component in the prefix (needs a running wineserver).
register_sim() {
  [ -f "$SIM_DLL" ] || { log "error: the stand-in component $SIM_DLL is not built"; return 1; }
  wine regsvr32 /s "$(winepath -w "$SIM_DLL")" ||
    { log "error: registering the stand-in component failed (exit $?)"; return 1; }
}
