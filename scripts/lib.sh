# Shared by the scripts: paths, the private Wine prefix and the X display.
# Source it; it defines functions and sets ROOT, BUILD and the Wine variables.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${QUILMAR_BUILD:-$ROOT/build/mingw}

wine_env() {  # wine_env PREFIX
  export WINEPREFIX=$1
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
}

# Runs a program under Wine (the emulator script picks the loader this kernel runs).
wine() { "$ROOT/cmake/wine-emulator" "$@"; }

# Creates the prefix once (WoW64, so 32- and 64-bit programs both run). With
# "isolate", the profile's links to the Linux home are replaced by real folders
# so nothing ever reads or writes the real home.
ensure_prefix() {  # ensure_prefix isolate|keep
  local marker=$WINEPREFIX/.quilmar-ready
  [ -f "$marker" ] && return 0
  echo "Creating Wine prefix $WINEPREFIX (about 20 s)..." >&2
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  WINEARCH=win64 wine wineboot.exe -i >/dev/null 2>&1 </dev/null || true
  wineserver -w
  if [ "$1" = isolate ]; then
    local users=$WINEPREFIX/drive_c/users
    for d in "$users"/*/ ; do
      for link in "$d"*; do
        if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
      done
    done
  fi
  touch "$marker"
}

XVFB_PID=""
# Starts Xvfb on a free display unless one is usable already (or always, with "own").
ensure_display() {  # ensure_display [own]
  if [ "${1:-}" != own ] && [ -n "${DISPLAY:-}" ] && xset q >/dev/null 2>&1; then return 0; fi
  local n=90
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
  Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 1 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
  export DISPLAY=:$n
}

# A server started before the display was set makes every window fail: start a
# fresh one here, with its output away from any caller that waits on it.
start_wineserver() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  wineserver -p >/dev/null 2>&1 </dev/null
  wine wineboot.exe >/dev/null 2>&1 </dev/null || true
}

stop_wine_and_display() {
  wineserver -k 2>/dev/null || true
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
}

configure_and_build() {  # configure_and_build [extra cmake args]
  if [ ! -f "$BUILD/build.ninja" ]; then
    cmake --preset mingw -B "$BUILD" "$@" >/dev/null
  elif [ $# -gt 0 ]; then
    cmake -B "$BUILD" "$@" >/dev/null
  fi
  cmake --build "$BUILD"
}
