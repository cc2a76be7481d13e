#!/usr/bin/env bash
# The native build of the units that need no window (native/), with the host's clang
# under AddressSanitizer and UndefinedBehaviorSanitizer, in <build>/native.
#   native.sh build              configures when needed and builds
#   native.sh fuzz NAME SECONDS  runs the fuzz target fuzz_NAME for SECONDS on its
#                                committed seeds (native/fuzz/corpus/NAME), keeping
#                                what it finds in <build>/native/corpus/NAME
#   native.sh check NAME RUNS    the test suite's run: the committed seeds, then RUNS
#                                inputs made from them by a fixed random seed, the
#                                same every time; nothing is kept but a failing input
# The main build's CTest calls it (tests/native); scripts/test.sh runs those tests.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
NATIVE_DIR=$BUILD_DIR/native

case "${1:-}" in
  build)
    if [ ! -f "$NATIVE_DIR/CMakeCache.txt" ] ||
      { [ ! -f "$NATIVE_DIR/Makefile" ] && [ ! -f "$NATIVE_DIR/build.ninja" ]; }; then
      # Ninja for a new folder; one configured before keeps its generator.
      generator=(-G Ninja)
      [ -f "$NATIVE_DIR/CMakeCache.txt" ] && generator=()
      CXX=clang++ cmake -S "$ROOT/native" -B "$NATIVE_DIR" "${generator[@]}" \
        >"$NATIVE_DIR.configure.log" 2>&1 ||
        { cat "$NATIVE_DIR.configure.log" >&2; fail "configuring the native build failed"; }
    fi
    cmake --build "$NATIVE_DIR" -j "$(nproc)"
    ;;
  fuzz)
    name=$2 seconds=$3
    seeds=$ROOT/native/fuzz/corpus/$name
    [ -d "$seeds" ] || fail "no seed corpus $seeds"
    found=$NATIVE_DIR/corpus/$name
    mkdir -p "$found"
    dict=()
    [ -f "$ROOT/native/fuzz/$name.dict" ] && dict=(-dict="$ROOT/native/fuzz/$name.dict")
    # New inputs go to the first folder; the committed seeds stay as they are. A
    # finding is written into the native build folder and fails the test.
    "$NATIVE_DIR/fuzz_$name" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=1024 \
      -print_final_stats=1 -artifact_prefix="$NATIVE_DIR/crash-$name-" "${dict[@]}" \
      "$found" "$seeds"
    ;;
  check)
    name=$2 runs=$3
    seeds=$ROOT/native/fuzz/corpus/$name
    [ -d "$seeds" ] || fail "no seed corpus $seeds"
    dict=()
    [ -f "$ROOT/native/fuzz/$name.dict" ] && dict=(-dict="$ROOT/native/fuzz/$name.dict")
    # What the run adds goes to a folder that is thrown away, so the next run starts
    # from the seeds alone again.
    scratch=$(mktemp -d "$NATIVE_DIR/check-$name.XXXXXX")
    trap 'rm -rf "$scratch"' EXIT
    "$NATIVE_DIR/fuzz_$name" -runs="$runs" -seed=1 -timeout=5 -rss_limit_mb=1024 \
      -print_final_stats=1 -artifact_prefix="$NATIVE_DIR/crash-$name-" "${dict[@]}" \
      "$scratch" "$seeds"
    ;;
  *)
    fail "usage: native.sh build | native.sh fuzz NAME SECONDS | native.sh check NAME RUNS"
    ;;
esac
