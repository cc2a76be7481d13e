#!/usr/bin/env bash
# Checks the built Windows binaries without running them:
#  - each is a 32-bit PE file that imports only Windows system DLLs (no MinGW
#    runtime DLL may be needed beside it);
#  - each DLL carries a version resource naming its own file;
#  - a DLL given with --exports exports exactly the listed plain names, nothing
#    decorated and nothing by ordinal only.
#
# check_binaries.sh --objdump PATH --windres PATH
#                   [--scan DIR]... [--file PATH]... [--exports DLL "NAME NAME ..."]...
# --scan takes every .dll and .exe below DIR, except the Wine prefix and CMake's
# own probes. Exits 1 with one line per fault, or 2 when it is called wrongly.
set -uo pipefail

# Windows system DLLs an output may import (compared without regard to case).
declare -A SYSTEM_DLLS=()
for dll in advapi32 comctl32 comdlg32 gdi32 imm32 kernel32 msimg32 msvcrt oleacc ole32 oleaut32 rpcrt4 \
  shell32 shlwapi user32 uxtheme version winmm ws2_32; do
  SYSTEM_DLLS[$dll.dll]=1
done

objdump=""
windres=""
scan_dirs=()
files=()
declare -A expected_exports=()

usage() {
  echo "usage: $0 --objdump PATH --windres PATH [--scan DIR]... [--file PATH]... [--exports DLL NAMES]..." >&2
  exit 2
}

while [ $# -gt 0 ]; do
  case "$1" in
    --objdump) [ $# -ge 2 ] || usage; objdump=$2; shift 2 ;;
    --windres) [ $# -ge 2 ] || usage; windres=$2; shift 2 ;;
    --scan) [ $# -ge 2 ] || usage; scan_dirs+=("$2"); shift 2 ;;
    --file) [ $# -ge 2 ] || usage; files+=("$2"); shift 2 ;;
    --exports)
      [ $# -ge 3 ] || usage
      expected_exports[$(realpath -m -- "$2")]=$3
      files+=("$2")
      shift 3
      ;;
    *) usage ;;
  esac
done
[ -n "$objdump" ] && [ -n "$windres" ] || usage
command -v "$objdump" >/dev/null || { echo "no objdump at '$objdump'" >&2; exit 2; }
command -v "$windres" >/dev/null || { echo "no windres at '$windres'" >&2; exit 2; }

for dir in "${scan_dirs[@]}"; do
  [ -d "$dir" ] || { echo "no folder '$dir' to scan" >&2; exit 2; }
  while IFS= read -r -d '' f; do files+=("$f"); done < <(
    find "$dir" \( -name wineprefix -o -name CMakeFiles \) -prune -o \
      -type f \( -iname '*.dll' -o -iname '*.exe' \) -print0 | sort -z)
done
[ ${#files[@]} -gt 0 ] || { echo "no binaries to check" >&2; exit 2; }

faults=0
fault() {
  echo "FAULT $1: $2"
  faults=$((faults + 1))
}

# Prints the names of the export name table, one a line.
export_names() {
  sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$1" |
    sed -n 's/^[[:space:]]*\[ *[0-9]*\] \(.*\)$/\1/p'
}

# Prints how many entries the export address table has (0 with no export table).
export_address_count() {
  sed -n '/^Export Address Table -- Ordinal Base/,/^$/p' <<<"$1" | grep -c '+base\['
}

# True when the resource directory has an entry of type 16 (RT_VERSION) at its top level.
has_version_resource() {
  sed -n '/^The .rsrc Resource Directory section:/,/^$/p' <<<"$1" |
    grep -Eq '^[0-9a-f]+   Entry: ID: 0x0*10,'
}

declare -A seen=()
checked=0
for f in "${files[@]}"; do
  key=$(realpath -m -- "$f")
  [ -z "${seen[$key]:-}" ] || continue
  seen[$key]=1
  name=$(basename "$f")
  if [ ! -f "$f" ]; then
    fault "$name" "not built ($f)"
    continue
  fi
  if ! headers=$("$objdump" -p "$f" 2>&1); then
    fault "$name" "objdump cannot read it: $(head -n 1 <<<"$headers")"
    continue
  fi
  checked=$((checked + 1))
  grep -q 'file format pei-i386$' <<<"$headers" || fault "$name" "not a 32-bit Windows PE file"

  imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr -d '\r')
  while IFS= read -r dll; do
    [ -n "$dll" ] || continue
    lower=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
    if [ -z "${SYSTEM_DLLS[$lower]:-}" ]; then
      fault "$name" "imports $dll, which is no Windows system DLL (a MinGW runtime? link with -static)"
    fi
  done <<<"$imports"

  case "$name" in
    *.[dD][lL][lL])
      if ! has_version_resource "$headers"; then
        fault "$name" "has no version resource"
      elif ! resources=$("$windres" -J coff -i "$f" -O rc 2>&1); then
        fault "$name" "its version resource cannot be read: $(tail -n 1 <<<"$resources")"
      elif ! grep -Fqi "VALUE \"OriginalFilename\", \"$name\"" <<<"$resources"; then
        fault "$name" "its version resource does not name it as OriginalFilename"
      fi
      ;;
  esac

  if [ -n "${expected_exports[$key]+set}" ]; then
    actual=$(export_names "$headers" | sort)
    wanted=$(tr -s ' \t' '\n\n' <<<"${expected_exports[$key]}" | sed '/^$/d' | sort)
    if [ "$actual" != "$wanted" ]; then
      extra=$(comm -13 <(echo "$wanted") <(echo "$actual") | tr '\n' ' ')
      missing=$(comm -23 <(echo "$wanted") <(echo "$actual") | tr '\n' ' ')
      fault "$name" "export names differ; unexpected: [${extra% }] missing: [${missing% }]"
    fi
    addresses=$(export_address_count "$headers")
    count=$(sed '/^$/d' <<<"$wanted" | wc -l)
    if [ "$addresses" -ne "$count" ]; then
      fault "$name" "exports $addresses entries, expected $count (ordinal-only or duplicate exports)"
    fi
  fi
done

echo "checked $checked binaries: $faults faults"
[ "$faults" -eq 0 ]
