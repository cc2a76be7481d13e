#!/usr/bin/env bash
# Runs one Wine test program in a folder of its own, so that tests running side by
# side never share what a program keeps beside itself or in its current folder (the
# plug-in's settings file beside the host's .exe, logs, pictures).
#
# run_wine_test.sh --folder DIR [--own-prefix [--keep-prefix] [--own-display] [--register DLL]]
#                  PROGRAM [ARGS...]
#   --folder DIR     the program is linked (or copied) into DIR and runs there, with
#                    DIR as its current folder; programs beside the original stay
#                    reachable by name (WINEPATH)
#   --own-prefix     the program runs in a copy of the build's prefix made in DIR,
#                    with a wineserver of its own, for a test that changes what the
#                    whole prefix sees (its display scale, a class registration)
#   --keep-prefix    uses the copy that an earlier test left in DIR, if there is one
#                    (a cleanup test after the one that made it)
#   --own-display    with --own-prefix: on an X server of its own as well, for a test
#                    that needs the keyboard focus or moves the pointer (the
#                    foreground window is the prefix's wineserver's, the pointer and
#                    the input focus the X server's)
#   --register DLL   registers the component DLL in that copy first
set -uo pipefail

folder="" own_prefix=0 keep_prefix=0 own_display=0 register=""
while [ $# -gt 0 ]; do
  case "$1" in
    --folder) folder=$2; shift 2 ;;
    --own-prefix) own_prefix=1; shift ;;
    --keep-prefix) keep_prefix=1; shift ;;
    --own-display) own_display=1; shift ;;
    --register) register=$2; shift 2 ;;
    *) break ;;
  esac
done
[ -n "$folder" ] && [ $# -ge 1 ] || {
  echo "usage: $0 --folder DIR [--own-prefix [--keep-prefix] [--own-display] [--register DLL]]" \
    "PROGRAM [ARGS...]" >&2
  exit 2
}
program=$1
shift

# A Windows path on drive Z: for a Unix path.
windows_path() {
  local p=$1
  echo "Z:${p//\//\\}"
}

mkdir -p "$folder" || exit 1
name=${program##*/}
# A hard link costs nothing; a copy serves where links are not possible.
ln -f "$program" "$folder/$name" 2>/dev/null || cp -f "$program" "$folder/$name" || exit 1
WINEPATH="$(windows_path "${program%/*}")${WINEPATH:+;$WINEPATH}"
export WINEPATH
cd "$folder" || exit 1

if [ "$own_prefix" = 0 ]; then
  exec wine "$folder/$name" "$@"
fi

# The copy shares the build prefix's files by hard links, which Wine only reads; the
# registry files, which its server rewrites, are copies of their own.
base=${WINEPREFIX:?the build prefix is not set}
prefix=$folder/wineprefix
if [ "$keep_prefix" = 0 ] || [ ! -f "$prefix/system.reg" ]; then
  rm -rf "$prefix"
  cp -al "$base" "$prefix" || exit 1
  for reg in "$base"/*.reg; do
    cp --remove-destination "$reg" "$prefix/${reg##*/}" || exit 1
  done
fi
export WINEPREFIX=$prefix
if [ "$own_display" = 1 ]; then
  # The X server chooses a free display itself and names it once it is ready.
  rm -f "$folder/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$folder/display" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do
    [ -s "$folder/display" ] && break
    kill -0 $xvfb 2>/dev/null || break
    sleep 0.05
  done
  [ -s "$folder/display" ] || { echo "the test's own X server did not start" >&2; exit 1; }
  export DISPLAY=:$(cat "$folder/display")
fi
# The server and the programs it starts write nowhere near this test's output, which
# they would otherwise hold open after the test has ended; they end with the test
# (end_wine), the X server after them.
source "$(dirname "$0")/../scripts/common.sh"
export WINEPREFIX=$prefix
wineserver -f -p >/dev/null 2>&1 &
server=$!
trap 'end_wine $server; [ -z "${xvfb:-}" ] || kill $xvfb 2>/dev/null' EXIT
if [ -n "$register" ]; then
  wine regsvr32 /s "$(windows_path "$register")" >/dev/null 2>&1 ||
    { echo "cannot register $register in the test's own prefix" >&2; exit 1; }
else
  wine cmd /c exit >/dev/null 2>&1
fi
wine "$folder/$name" "$@"
