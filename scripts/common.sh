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

# The stand-in's class id (contract/CalderContract.h).
SIM_CLASS_ID={5541D10A-0AAC-4797-8ECA-C1A222CE5026}

# True when the prefix's registry file registers the stand-in at its place in this
# build (the wineserver writes that file when it ends; a path the file spells
# otherwise, in another language say, reads as not registered).
sim_registered() {
  [ -f "$SIM_DLL" ] && [ -f "$WINEPREFIX/system.reg" ] || return 1
  # Lines as the file writes them: backslashes doubled.
  local dll="Z:${SIM_DLL//\//\\}"
  KEY='[software\\classes\\clsid\\'"${SIM_CLASS_ID,,}"'\\inprocserver32]' \
    DLL="@=\"${dll//\\/\\\\}\"" awk '
    /^\[/ { inside = index(tolower($0), ENVIRON["KEY"]) == 1 }
    inside && $0 == ENVIRON["DLL"] { found_dll = 1 }
    inside && $0 == "\"ThreadingModel\"=\"Apartment\"" { found_model = 1 }
    END { exit !(found_dll && found_model) }' "$WINEPREFIX/system.reg"
}

# Registers the stand-in receiver component in the prefix (needs a running wineserver).
# Its output goes nowhere: the prefix's programs that it may start keep that open.
register_sim() {
  [ -f "$SIM_DLL" ] || { log "error: the stand-in component $SIM_DLL is not built"; return 1; }
  local status=0
  wine regsvr32 /s "Z:${SIM_DLL//\//\\}" >/dev/null 2>&1 || status=$?
  [ $status -eq 0 ] || log "error: registering the stand-in component failed (exit $status)"
  return $status
}

# Ends the programs of the prefix and its wineserver, if the server is the one this
# shell started in the foreground mode (wineserver -f), whose pid is $1; a server
# that another command started is left to it. Asked to end, the server gives the
# programs it started for the prefix (services, devices, the desktop) half a second
# to go, and on this machine that is always the full half second: they end at once,
# but its first process does not collect ended processes, so the server still sees
# them. They hold nothing to save, so they are killed here; the server, told to end
# with SIGTERM, saves the registry and goes.
end_wine() {
  local server=$1 environ pid
  kill -0 "$server" 2>/dev/null || return 0
  for environ in $(grep -lzxF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null); do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    case "$(readlink "/proc/$pid/exe" 2>/dev/null)" in
      */wine | */wine64 | */wine-preloader | */wine64-preloader) kill -KILL "$pid" 2>/dev/null ;;
    esac
  done
  kill -TERM "$server" 2>/dev/null
  wait "$server" 2>/dev/null || true
}
