#!/usr/bin/env bash
# Runs the exit probe COUNT times, spread evenly over its ways of ending and over a
# range of delays between the last call into the library and the end (0 to 500 us),
# JOBS at a time, and counts how each process ended. Every one must end with its way's own
# exit code and without Wine's report of an unhandled exception.
#   exit_runs.sh --probe EXE --folder DIR [--count N] [--jobs J] [--only VARIANT]
#                [--keep-output]
# Needs a running wineserver for the build's prefix (the test command starts one).
# Each job runs in a folder of its own under DIR, so that no two processes at a
# time share the settings file beside the probe. Exit status 0 when every process
# ended as planned; the table of endings is printed either way.
set -uo pipefail

probe="" folder="" count=100 jobs=4 keep_output=0 only=""
while [ $# -gt 0 ]; do
  case "$1" in
    --probe) probe=$2; shift 2 ;;
    --folder) folder=$2; shift 2 ;;
    --count) count=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --keep-output) keep_output=1; shift ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
  esac
done
[ -n "$probe" ] && [ -n "$folder" ] || { echo "usage: $0 --probe EXE --folder DIR" >&2; exit 2; }

# The ways of ending, in the probe's order: the first ends with 40, the next 41, ...
variants=(close-unload close-keep streaming unload-at-once exit-process window-on-worker
          worker-window-close-unload call-without-session)
delays=(0 20 50 100 200 500)
# --only runs one way of ending alone; its exit code stays its own.
first_code=40

rm -rf "$folder"
mkdir -p "$folder" || exit 1
name=${probe##*/}

# One job: runs its share of the processes one after another in its own folder,
# writing "variant expected actual crashed" a line.
run_job() {
  local job=$1 i v d out rc crashed
  local dir=$folder/job$job
  mkdir -p "$dir"
  ln -f "$probe" "$dir/$name" 2>/dev/null || cp -f "$probe" "$dir/$name"
  cd "$dir" || return 1
  for ((i = job; i < count; i += jobs)); do
    v=$((i % ${#variants[@]}))
    d=${delays[$((i / ${#variants[@]} % ${#delays[@]}))]}
    if [ -n "$only" ]; then
      for v in "${!variants[@]}"; do [ "${variants[$v]}" = "$only" ] && break; done
      d=${delays[$((i % ${#delays[@]}))]}
    fi
    out=$dir/out$i
    wine "$dir/$name" "${variants[$v]}" "$d" >"$out" 2>&1
    rc=$?
    crashed=0
    grep -qE 'wine: Unhandled|Unhandled exception|Backtrace' "$out" && crashed=1
    echo "${variants[$v]} $((first_code + v)) $rc $crashed"
    if [ "$keep_output" = 0 ] && [ "$crashed" = 0 ] && [ "$rc" = $((first_code + v)) ]; then
      rm -f "$out"
    fi
  done
}

for ((j = 0; j < jobs; ++j)); do
  run_job "$j" >"$folder/results$j" &
done
wait

cat "$folder"/results* >"$folder/results"
total=$(wc -l <"$folder/results")
bad=$(awk '$2 != $3 || $4 != 0' "$folder/results" | wc -l)
echo "exit probe: $total processes, $bad that did not end with their own exit code or crashed"
# How each way of ending ended: variant, exit code, crash report seen, processes.
awk '{ print $1, $3, ($4 ? "crashed" : "clean") }' "$folder/results" | sort | uniq -c |
  awk '{ printf "  %-28s exit %-4s %-8s %5d\n", $2, $3, $4, $1 }'
if [ "$bad" -gt 0 ]; then
  echo "the output of the first of them:"
  awk '$2 != $3 || $4 != 0' "$folder/results" | head -3
  ls "$folder"/job*/out* 2>/dev/null | head -1 | xargs -r cat | head -60
fi
[ "$total" -eq "$count" ] && [ "$bad" -eq 0 ]
