#!/usr/bin/env bash
# Installs what is missing, creates the private Wine prefix and builds. Run again, it
# skips what is done. Any failing step stops it with a message and a non-zero exit.
#   setup.sh        everything, and the release ZIP (the test command)
#   setup.sh run    only what the run command uses: the plug-in, the stand-in
#                   receiver and the host tool, and only the packages they need
# What does not wait on each other runs side by side: the build starts as soon as
# the compilers are there, while Wine is installed and the prefix is made.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
SCOPE=${1:-all}
case "$SCOPE" in all | run) ;; *) fail "usage: setup.sh [run]" ;; esac

# The cross compiler (the posix-thread one alone), the build tools, and python3,
# which draws the widgets' pictures at build time.
BUILD_PACKAGES=(g++-mingw-w64-i686-posix cmake ninja-build python3)
# What runs the plug-in: 32-bit Wine, its fonts, and a display.
RUN_PACKAGES=(wine wine32:i386 xvfb xauth fonts-dejavu-core fonts-wine)
# Only the tests: GoogleTest's sources, clang and its sanitizer runtimes (the native
# tests and fuzz targets in native/), ImageMagick (the package test) and xwd.
TEST_PACKAGES=(googletest clang libclang-rt-14-dev imagemagick x11-apps)

# Prints the packages named that are not installed, one a line (one dpkg-query for
# all). A name without an architecture means the machine's own.
missing_packages() {
  local status p native
  native=$(dpkg --print-architecture)
  status=$(dpkg-query -W -f='${Package}:${Architecture} ${Status}\n' "${@%:*}" 2>/dev/null || true)
  for p in "$@"; do
    case "$p" in *:*) ;; *) p=$p:$native ;; esac
    grep -qxF "$p install ok installed" <<<"$status" ||
      grep -qxF "${p%:*}:all install ok installed" <<<"$status" || echo "${p%:"$native"}"
  done
}

# Reads the package lists again, once per run.
lists_read=0
read_lists() {
  log "reading the package lists"
  "${sudo[@]}" "${apt[@]}" update -qq || fail "apt-get update failed"
  lists_read=1
}

# Installs the packages named that are missing. The package lists are read again
# only when the ones on the machine cannot give them (a fresh machine, or lists
# without the i386 architecture).
install_packages() {
  local missing
  mapfile -t missing < <(missing_packages "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || fail "installing packages needs root (or sudo): ${missing[*]}"
    sudo=(sudo)
  fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386 || fail "could not add the i386 architecture"
  fi
  # A fresh machine may still be updating its package lists in the background.
  # dpkg need not wait for each file to reach the disk (only a machine that loses
  # power during the install would see the difference).
  local apt=(apt-get -o DPkg::Lock::Timeout=300 -o Dpkg::Options::=--force-unsafe-io)
  local install=("${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}")
  if [ "$lists_read" = 0 ] &&
    ! "${apt[@]}" install -s -qq --no-install-recommends "${missing[@]}" >/dev/null 2>&1; then
    read_lists
  fi
  if ! DEBIAN_FRONTEND=noninteractive "${sudo[@]}" "${install[@]}" >/dev/null; then
    # Lists older than the mirror name versions it no longer has.
    [ "$lists_read" = 1 ] && fail "installing ${missing[*]} failed"
    read_lists
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" "${install[@]}" >/dev/null ||
      fail "installing ${missing[*]} failed"
  fi
  mapfile -t missing < <(missing_packages "$@")
  [ ${#missing[@]} -eq 0 ] || fail "still not installed after apt-get: ${missing[*]}"
}

# Settings of a new prefix. The prefix is made anew whenever this function changes.
configure_prefix() {
  # A crash under Xvfb must not wait for a dialog nobody can close.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >/dev/null 2>&1 || return 1
  # Without a window manager (Xvfb), hiding a managed window waits 2 s for a state
  # change that never comes: let no window be managed.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    >/dev/null 2>&1 || return 1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Verdana /t REG_SZ /d 'DejaVu Sans' /f \
    >/dev/null 2>&1 || return 1
  local fonts=$WINEPREFIX/drive_c/windows/Fonts f
  mkdir -p "$fonts" || return 1
  for f in tahoma.ttf tahomabd.ttf; do
    if [ -f "/usr/share/wine/fonts/$f" ]; then cp "/usr/share/wine/fonts/$f" "$fonts/" || return 1; fi
  done
}

# True when the prefix exists with the settings of configure_prefix above.
prefix_ready() {
  local recipe
  recipe=$(declare -f configure_prefix | sha1sum | cut -d' ' -f1)
  [ -f "$WINEPREFIX/system.reg" ] && [ "$(cat "$WINEPREFIX/.tessel-ready" 2>/dev/null)" = "$recipe" ]
}

make_prefix() {
  local recipe
  recipe=$(declare -f configure_prefix | sha1sum | cut -d' ' -f1)
  log "creating the Wine prefix $WINEPREFIX"
  wineserver -k >/dev/null 2>&1 || true  # a server left over from an interrupted run
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >"$BUILD_DIR/wineboot.log" 2>&1 ||
    fail "wineboot could not create the prefix $WINEPREFIX; its output is in $BUILD_DIR/wineboot.log"
  configure_prefix || fail "configuring the prefix $WINEPREFIX failed"
  wineserver -w || fail "the wineserver of $WINEPREFIX did not end"
  echo "$recipe" >"$WINEPREFIX/.tessel-ready"
  log "the prefix is ready"
}

# True when the build folder was configured with the tests (GoogleTest was there).
configured_with_tests() {
  grep -qx 'TESSEL_TESTS:INTERNAL=ON' "$BUILD_DIR/CMakeCache.txt" 2>/dev/null
}

build() {
  # Configured when no build system was generated yet (also after a failed configure),
  # and again for the tests when the folder was first configured without them.
  if [ ! -f "$BUILD_DIR/CMakeCache.txt" ] ||
    { [ ! -f "$BUILD_DIR/Makefile" ] && [ ! -f "$BUILD_DIR/build.ninja" ]; } ||
    { [ "$SCOPE" = all ] && ! configured_with_tests; }; then
    log "configuring $BUILD_DIR"
    # Ninja: a build with nothing to do takes a tenth of a second (make takes more
    # than one). A build folder keeps the generator it was first configured with.
    local generator=(-G Ninja)
    [ -f "$BUILD_DIR/CMakeCache.txt" ] && generator=()
    cmake -S "$ROOT" -B "$BUILD_DIR" "${generator[@]}" \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=Release >"$BUILD_DIR/configure.log" ||
      fail "configuring failed; the output is in $BUILD_DIR/configure.log"
  fi
  local targets=()
  [ "$SCOPE" = run ] && targets=(--target Tessel_Calder CalderSim TesselHost)
  # The build's output goes to a log; it is shown when the build fails.
  if ! cmake --build "$BUILD_DIR" -j "$(nproc)" "${targets[@]}" >"$BUILD_DIR/build.log" 2>&1; then
    grep -E "error|Error" -A3 "$BUILD_DIR/build.log" | head -n 60 >&2 || true
    fail "the build failed; the whole output is in $BUILD_DIR/build.log"
  fi
  if [ "$SCOPE" = run ]; then
    log "built"
    return 0
  fi
  # The release ZIP, which the package test installs.
  if ! cmake --build "$BUILD_DIR" --target package >>"$BUILD_DIR/build.log" 2>&1; then
    tail -n 20 "$BUILD_DIR/build.log" >&2 || true
    fail "making the release ZIP failed; the whole output is in $BUILD_DIR/build.log"
  fi
  log "built"
}

mkdir -p "$BUILD_DIR"
packages=("${BUILD_PACKAGES[@]}")
[ "$SCOPE" = all ] && packages+=("${TEST_PACKAGES[@]}")
install_packages "${packages[@]}"
command -v i686-w64-mingw32-g++-posix >/dev/null || fail "no i686-w64-mingw32-g++-posix after the install"

# The build goes on in the background (in a process group of its own, which ends
# with this script) while Wine is installed and the prefix made.
log "building"
set -m
build &
build_pid=$!
set +m
trap 'kill -- -$build_pid 2>/dev/null || true' EXIT
install_packages "${RUN_PACKAGES[@]}"
prefix_ready || make_prefix
wait $build_pid || exit 1
trap - EXIT
