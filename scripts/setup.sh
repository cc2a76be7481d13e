#!/usr/bin/env bash
# Installs what is missing, creates the private Wine prefix and builds. Run again, it
# skips what is done. Any failing step stops it with a message and a non-zero exit.
#   setup.sh        everything, and the release ZIP (the test command)
#   setup.sh run    only what the run command uses: the plug-in, the stand-in
#                   receiver and the host tool
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
SCOPE=${1:-all}
case "$SCOPE" in all | run) ;; *) fail "usage: setup.sh [run]" ;; esac

# clang and its runtimes build the native sanitizer tests and fuzz targets (native/).
PACKAGES=(mingw-w64 g++-mingw-w64-i686 wine wine32:i386 xvfb xauth cmake ninja-build googletest
          imagemagick x11-apps fonts-dejavu-core fonts-wine python3 clang libclang-rt-14-dev)

# Prints the packages of PACKAGES that are not installed, one a line.
missing_packages() {
  local p
  for p in "${PACKAGES[@]}"; do
    case "$(dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null)" in
      *"install ok installed"*) ;;
      *) echo "$p" ;;
    esac
  done
  command -v i686-w64-mingw32-g++-posix >/dev/null || echo g++-mingw-w64-i686-posix
}

install_packages() {
  local missing
  mapfile -t missing < <(missing_packages)
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
  local apt=(apt-get -o DPkg::Lock::Timeout=300)
  "${sudo[@]}" "${apt[@]}" update -qq || fail "apt-get update failed"
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" "${apt[@]}" install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null || fail "installing ${missing[*]} failed"
  mapfile -t missing < <(missing_packages)
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

make_prefix() {
  local marker=$WINEPREFIX/.tessel-ready recipe
  recipe=$(declare -f configure_prefix | sha1sum | cut -d' ' -f1)
  if [ -f "$WINEPREFIX/system.reg" ] && [ "$(cat "$marker" 2>/dev/null)" = "$recipe" ]; then
    return 0
  fi
  log "creating the Wine prefix $WINEPREFIX"
  wineserver -k >/dev/null 2>&1 || true  # a server left over from an interrupted run
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >"$BUILD_DIR/wineboot.log" 2>&1 ||
    fail "wineboot could not create the prefix $WINEPREFIX; its output is in $BUILD_DIR/wineboot.log"
  configure_prefix || fail "configuring the prefix $WINEPREFIX failed"
  wineserver -w || fail "the wineserver of $WINEPREFIX did not end"
  echo "$recipe" >"$marker"
}

build() {
  mkdir -p "$BUILD_DIR"
  # Configured when no build system was generated yet (also after a failed configure).
  if [ ! -f "$BUILD_DIR/CMakeCache.txt" ] ||
    { [ ! -f "$BUILD_DIR/Makefile" ] && [ ! -f "$BUILD_DIR/build.ninja" ]; }; then
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
  [ "$SCOPE" = run ] && return 0
  # The release ZIP, which the package test installs.
  if ! cmake --build "$BUILD_DIR" --target package >>"$BUILD_DIR/build.log" 2>&1; then
    tail -n 20 "$BUILD_DIR/build.log" >&2 || true
    fail "making the release ZIP failed; the whole output is in $BUILD_DIR/build.log"
  fi
}

install_packages
make_prefix
log "building"
build
