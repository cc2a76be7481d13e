#!/usr/bin/env bash
# Installs what is missing, creates the private Wine prefix and builds everything.
# Run again, it skips what is done.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

PACKAGES=(mingw-w64 g++-mingw-w64-i686 wine wine32:i386 xvfb xauth cmake googletest imagemagick
          x11-apps fonts-dejavu-core fonts-wine python3)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ! command -v i686-w64-mingw32-g++-posix >/dev/null; then missing+=(g++-mingw-w64-i686-posix); fi
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  if ! dpkg --print-foreign-architectures | grep -qx i386; then $sudo dpkg --add-architecture i386; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

make_prefix() {
  [ -f "$WINEPREFIX/.tessel-ready" ] && return 0
  log "creating the Wine prefix $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # Without a window manager (Xvfb), hiding a managed window waits 2 s for a state
  # change that never comes: let no window be managed.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Verdana /t REG_SZ /d 'DejaVu Sans' /f \
    >/dev/null 2>&1
  local fonts=$WINEPREFIX/drive_c/windows/Fonts
  mkdir -p "$fonts"
  for f in tahoma.ttf tahomabd.ttf; do
    [ -f "/usr/share/wine/fonts/$f" ] && cp "/usr/share/wine/fonts/$f" "$fonts/"
  done
  wineserver -w
  touch "$WINEPREFIX/.tessel-ready"
}

build() {
  if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    log "configuring $BUILD_DIR"
    cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  # The build's output goes to a log; it is shown when the build fails.
  if ! cmake --build "$BUILD_DIR" -j "$(nproc)" >"$BUILD_DIR/build.log" 2>&1; then
    grep -E "error|Error" -A3 "$BUILD_DIR/build.log" | head -n 60 >&2 || true
    log "the build failed; the whole output is in $BUILD_DIR/build.log"
    return 1
  fi
}

install_packages
make_prefix
log "building"
build
