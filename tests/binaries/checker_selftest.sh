#!/usr/bin/env bash
# Builds small DLLs with known faults and shows that check_binaries.sh finds each
# one, and passes a clean one.
#
# checker_selftest.sh --cxx PATH --objdump PATH --windres PATH
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cxx=""
objdump=""
windres=""
while [ $# -gt 0 ]; do
  case "$1" in
    --cxx) cxx=$2; shift 2 ;;
    --objdump) objdump=$2; shift 2 ;;
    --windres) windres=$2; shift 2 ;;
    *) echo "usage: $0 --cxx PATH --objdump PATH --windres PATH" >&2; exit 2 ;;
  esac
done
[ -n "$cxx" ] && [ -n "$objdump" ] && [ -n "$windres" ] || { echo "missing tool path" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 2

cat >entry.cpp <<'SRC'
#include <stdexcept>
#include <string>
extern "C" int __stdcall Alpha(int a, int b) { return a + b; }
extern "C" int __stdcall Beta() {
  try {
    throw std::runtime_error(std::string("b"));
  } catch (const std::exception& e) {
    return e.what()[0];
  }
}
SRC
sed 's/extern "C"/extern "C" __declspec(dllexport)/' entry.cpp >exported.cpp
printf 'LIBRARY good.dll\nEXPORTS\n  Alpha = Alpha@8\n  Beta = Beta@0\n' >plain.def
cat >version.rc <<'SRC'
#include <winver.h>
VS_VERSION_INFO VERSIONINFO
FILEVERSION 1, 0, 0, 0
PRODUCTVERSION 1, 0, 0, 0
FILETYPE VFT_DLL
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904B0"
    BEGIN
      VALUE "OriginalFilename", "good.dll\0"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x0409, 1200
  END
END
SRC

build() {
  local out=$1
  shift
  "$cxx" -shared -O0 -o "$out" "$@" || { echo "cannot build $out" >&2; exit 2; }
}
"$windres" version.rc -O coff -o version.o || { echo "cannot compile version.rc" >&2; exit 2; }
build good.dll entry.cpp plain.def version.o -static
cp good.dll renamed.dll
build decorated.dll exported.cpp plain.def version.o -static
build shared_runtime.dll entry.cpp plain.def

failures=0
# expect <pass|fail> <text the output must hold> <checker arguments...>
expect() {
  local outcome=$1 text=$2
  shift 2
  local output rc
  output=$(bash "$here/check_binaries.sh" --objdump "$objdump" --windres "$windres" "$@")
  rc=$?
  if { [ "$outcome" = pass ] && [ $rc -ne 0 ]; } || { [ "$outcome" = fail ] && [ $rc -ne 1 ]; } ||
    ! grep -qF -- "$text" <<<"$output"; then
    echo "NOT AS EXPECTED ($outcome, '$text') for: $*"
    echo "$output" | sed 's/^/    /'
    failures=$((failures + 1))
  fi
}

expect pass "checked 1 binaries: 0 faults" --exports good.dll "Alpha Beta"
expect fail "missing: [Gamma]" --exports good.dll "Alpha Beta Gamma"
expect fail "unexpected: [Alpha@8 Beta@0]" --exports decorated.dll "Alpha Beta"
expect fail "exports 4 entries, expected 2" --exports decorated.dll "Alpha Beta"
expect fail "shared_runtime.dll: imports libgcc_s_dw2-1.dll" --file shared_runtime.dll
expect fail "shared_runtime.dll: has no version resource" --file shared_runtime.dll
expect fail "renamed.dll: its version resource does not name it" --file renamed.dll
# A scan finds the faulty files among clean ones.
mkdir -p tree/sub tree/wineprefix tree/CMakeFiles
cp good.dll tree/
cp shared_runtime.dll tree/sub/
cp shared_runtime.dll tree/wineprefix/
cp shared_runtime.dll tree/CMakeFiles/
expect fail "checked 2 binaries: 3 faults" --scan tree

if [ $failures -eq 0 ]; then
  echo "the checker found every planted fault"
fi
[ $failures -eq 0 ]
