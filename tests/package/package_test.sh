#!/usr/bin/env bash
# Installs the release ZIP as a user would and uses only what it holds: unpacked into
# an empty folder, a fresh Wine prefix, the stand-in registered with the bundled
# script, a stream through the bundled host tool with its waterfall picture, then
# the stand-in unregistered again. The prefix and its wineserver are gone afterwards.
#
# package_test.sh --zip FILE --version X.Y.Z --windres PATH
# Needs a display (scripts/test.sh runs the tests under Xvfb).
set -uo pipefail

zip="" version="" windres=""
while [ $# -gt 0 ]; do
  case "$1" in
    --zip) zip=$2; shift 2 ;;
    --version) version=$2; shift 2 ;;
    --windres) windres=$2; shift 2 ;;
    *) echo "usage: $0 --zip FILE --version X.Y.Z --windres PATH" >&2; exit 2 ;;
  esac
done
here=$(cd "$(dirname "$0")" && pwd)

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# Ends the test at once: what follows depends on this step.
stop() {
  echo "FAIL: $*"
  exit 1
}

[ -f "$zip" ] || stop "no release ZIP at $zip: build it with cmake --build <build> --target package" \
  "(scripts/setup.sh does)"
[ -n "${DISPLAY:-}" ] || stop "no display: run the tests under Xvfb, as scripts/test.sh does"

work=$(mktemp -d "${TMPDIR:-/tmp}/tessel-package.XXXXXX") || stop "cannot make a temporary folder"
export WINEPREFIX=$work/prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
cleanup() {
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

echo "== unpacking $(basename "$zip") ($(stat -c %s "$zip") bytes) into an empty folder"
mkdir -p "$work/unpacked" "$WINEPREFIX"
(cd "$work/unpacked" && cmake -E tar xf "$zip") || stop "the ZIP cannot be unpacked"
folder=$work/unpacked/Tessel_Calder-$version-win32
[ -d "$folder" ] || stop "the ZIP holds no folder Tessel_Calder-$version-win32: $(ls "$work/unpacked")"
for f in Tessel_Calder.dll TesselHost.exe CalderSim.dll register-stand-in.cmd \
  unregister-stand-in.cmd UserGuide.txt ShapedForm.exe sample.bmp; do
  [ -f "$folder/$f" ] || fail "the ZIP has no $f"
done
grep -q $'\r$' "$folder/register-stand-in.cmd" || fail "the scripts do not have Windows line ends"

# Every version resource in the release says the one version; these three must have one.
for f in "$folder"/*.dll "$folder"/*.exe; do
  name=$(basename "$f")
  rc=$("$windres" -J coff -i "$f" -O rc 2>/dev/null | grep -F '"FileVersion"')
  case "$name" in Tessel_Calder.dll | TesselHost.exe | CalderSim.dll) ;; *) [ -n "$rc" ] || continue ;; esac
  grep -Fq "VALUE \"FileVersion\", \"$version.0\"" <<<"$rc" ||
    fail "$name: its version resource does not say $version.0: ${rc:-none}"
done

echo "== a fresh Wine prefix"
# The server's output goes nowhere: one writing to the test's pipe would keep it open.
wineserver -p >/dev/null 2>&1
wineboot -i >"$work/wineboot.log" 2>&1 || stop "wineboot failed: $(tail -n 3 "$work/wineboot.log")"
# A crash must end the process instead of waiting for a dialog nobody can close.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
  >/dev/null 2>&1

cd "$folder" || stop "cannot enter $folder"
# Runs a Windows program of the release with its output in $work/out.txt; the exit
# code is in $status.
run() {
  wine "$@" >"$work/out.txt" 2>&1 </dev/null
  status=$?
  tr -d '\r' <"$work/out.txt" >"$work/out.log"
}

echo "== the host tool before anything is registered"
run TesselHost.exe --version
grep -qx "TesselHost $version" "$work/out.log" || fail "--version printed: $(cat "$work/out.log")"
run TesselHost.exe --seconds 1 --out unused.wav
[ "$status" -eq 3 ] && grep -q "Calder/Marlo control not installed" "$work/out.log" ||
  fail "without the stand-in, exit $status and: $(cat "$work/out.log")"

echo "== the shaped form on its bundled picture"
run ShapedForm.exe sample.bmp --seconds 1
[ "$status" -eq 0 ] || fail "ShapedForm.exe sample.bmp: exit $status: $(cat "$work/out.log")"

echo "== registering the stand-in with the bundled script"
run cmd /c register-stand-in.cmd /q
[ "$status" -eq 0 ] || stop "register-stand-in.cmd: exit $status: $(cat "$work/out.log")"
grep -q "is registered" "$work/out.log" || fail "the script said: $(cat "$work/out.log")"

# Streams with the carrier at $1 Hz and checks the WAV, the strongest frequency and
# the waterfall picture: the carrier's column is the brightest of every row.
stream_and_draw() {
  local carrier=$1 png=$2 wav=${2%.png}.wav
  echo "== streaming with the carrier at $carrier Hz"
  export CALDER_SIM_CARRIER_HZ=$carrier
  run TesselHost.exe --seconds 2 --out "$wav" --waterfall "$png"
  unset CALDER_SIM_CARRIER_HZ
  cat "$work/out.log"
  [ "$status" -eq 0 ] || { fail "TesselHost exit $status"; return; }
  grep -q "InitHW: true" "$work/out.log" || fail "InitHW did not succeed"
  local peak
  peak=$(sed -n 's/^strongest frequency in the last second: \([-+0-9]*\) Hz.*/\1/p' "$work/out.log")
  [ -n "$peak" ] && [ $((peak - carrier)) -le 160 ] && [ $((carrier - peak)) -le 160 ] ||
    fail "strongest frequency '$peak', not $carrier"
  [ -s "$wav" ] || fail "no $wav beside the picture"

  local geometry
  geometry=$(sed -n 's/^wrote .*: \([0-9]*\) x \([0-9]*\) pixels; plot \([0-9]*\) x \([0-9]*\) at (\([0-9]*\), \([0-9]*\)), .*, \([0-9.]*\) Hz per column, 0 Hz in column \([0-9]*\)$/\1 \2 \3 \4 \5 \6 \7 \8/p' "$work/out.log")
  [ -n "$geometry" ] || { fail "no line describing $png"; return; }
  local width height plot_w plot_h left top hz_per_column zero
  read -r width height plot_w plot_h left top hz_per_column zero <<<"$geometry"
  local identified
  identified=$(identify -format '%m %w %h' "$png" 2>&1)
  [ "$identified" = "PNG $width $height" ] ||
    fail "identify says '$identified', the tool said PNG $width x $height"
  local expected
  expected=$(python3 -c "print(round($zero + $carrier / $hz_per_column))")
  convert "$png" -crop "${plot_w}x${plot_h}+${left}+${top}" +repage -depth 8 rgb:- |
    python3 "$here/check_waterfall.py" "$plot_w" "$plot_h" "$expected" ||
    fail "the carrier at $carrier Hz (column $expected) is not the brightest of every row"
}
stream_and_draw 10000 iq.png
stream_and_draw -25000 low.png

# The settings file lies beside the host program, written when it closed the plug-in.
ini=$(tr -d '\r' <Tessel-Calder_Marlo.ini 2>/dev/null)
grep -qx "\[Parameters\]" <<<"$ini" && grep -qx "Srate=158730" <<<"$ini" ||
  fail "no settings file with the rate beside TesselHost.exe: '$ini'"

echo "== unregistering the stand-in with the bundled script"
run cmd /c unregister-stand-in.cmd /q
[ "$status" -eq 0 ] || fail "unregister-stand-in.cmd: exit $status: $(cat "$work/out.log")"
run TesselHost.exe --seconds 1 --out unused.wav
[ "$status" -eq 3 ] && grep -q "Calder/Marlo control not installed" "$work/out.log" ||
  fail "after unregistering, exit $status and: $(cat "$work/out.log")"

echo "package test: $failures failures"
[ "$failures" -eq 0 ]
