#!/usr/bin/env bash
# The Wine prefix of one test run: "setup" creates it afresh (CTest fixture
# setup) and starts its wineserver for the run, "cleanup" stops the server
# (fixture cleanup). Programs with a window need a display: setup also starts
# a private X server for the run, whose display number it leaves in
# <prefix>.display for the tests.
#   wine-prefix.sh setup|cleanup|detect <prefix>
# ("detect" only says which path setup will try first.)
#
# Setup also decides which programs the run tests, and leaves that in
# <prefix>.mode (first line "win32" or "win64", second line the reason):
# the 32-bit test variants of the shipped programs in a 32-bit prefix where
# this kernel executes 32-bit programs, otherwise their x86-64 twins in a
# 64-bit prefix. Debian's
# /usr/bin/wine takes the 32-bit loader whenever wine32 is installed, even
# where it cannot run, so the twin path calls the 64-bit loader directly.
# VI_WINE_TWINS=1 forces the twin path. A prefix that cannot be made on
# either path is a test failure with the reasons, never a skip.
set -uo pipefail
action=$1
prefix=$2
export WINEDEBUG=-all WINEPREFIX=$prefix
# No Mono or Gecko installer dialogs while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64

start_display() {
  display=
  for n in $(seq 87 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if [ -e "/tmp/.X11-unix/X$n" ]; then
      display=$n
      echo "$pid" > "$prefix.xvfb.pid"
      break
    fi
    kill "$pid" 2>/dev/null
  done
  [ -n "$display" ] || { echo "FAIL: no X server could be started for the Wine tests"; exit 1; }
  echo ":$display" > "$prefix.display"
  export DISPLAY=":$display"
}

# Sets path (win32 or win64) and why: which programs the machine runs.
choose_path() {
  path=win32
  why=
  if [ -n "${VI_WINE_TWINS:-}" ] && [ "${VI_WINE_TWINS}" != 0 ]; then
    path=win64 why="forced by VI_WINE_TWINS"
  elif ! "$WINE32_LOADER" --version >/dev/null 2>&1; then
    path=win64 why="this kernel cannot run 32-bit programs"
    [ -x "$WINE32_LOADER" ] || why="wine32 is not installed"
  fi
}

# make_prefix <arch>: creates the prefix with that loader; prints why not
# and returns 1 when it cannot.
make_prefix() {
  local arch=$1 wine out ver
  if [ "$arch" = win32 ]; then
    wine=wine
    unset WINELOADER
  else
    wine=$WINE64_LOADER
    export WINELOADER=$WINE64_LOADER
  fi
  export WINEARCH=$arch
  [ -d "$prefix" ] && timeout 20 wineserver -k 2>/dev/null
  rm -rf "$prefix"
  if ! out=$(timeout 150 "$wine" wineboot.exe -i 2>&1); then
    echo "wineboot could not create the $arch prefix $prefix:"
    echo "$out" | tail -20
    return 1
  fi
  timeout 60 wineserver -w
  if [ ! -d "$prefix/drive_c/windows/system32" ]; then
    echo "wineboot ended but $prefix has no drive_c/windows/system32:"
    echo "$out" | tail -20
    return 1
  fi
  # A program has to run; otherwise every Wine test would fail with a less
  # helpful message.
  if ! ver=$(timeout 60 "$wine" cmd /c ver 2>&1); then
    echo "Wine cannot run a program in the $arch prefix $prefix:"
    echo "$ver" | tail -20
    return 1
  fi
}

case $action in
setup)
  for tool in wineserver Xvfb; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool not found; run scripts/bootstrap"; exit 1; }
  done
  # A server left over from an earlier run would hold the old prefix open.
  [ -d "$prefix" ] && timeout 20 wineserver -k 2>/dev/null
  [ -f "$prefix.xvfb.pid" ] && kill "$(cat "$prefix.xvfb.pid")" 2>/dev/null
  rm -rf "$prefix" "$prefix.display" "$prefix.xvfb.pid" "$prefix.mode"
  start_display
  start=$(date +%s)
  reasons=
  choose_path
  if [ "$path" = win32 ]; then
    if reasons=$(make_prefix win32); then
      printf 'win32\nWine: 32-bit test variants of the shipped programs\n' > "$prefix.mode"
    else
      why="the 32-bit prefix failed"
    fi
  fi
  if [ ! -f "$prefix.mode" ]; then
    if [ ! -x "$WINE64_LOADER" ]; then
      reasons+=$'\n'"$WINE64_LOADER not found; run scripts/bootstrap (wine64)"
    elif more=$(make_prefix win64); then
      printf 'win64\nWine: x86-64 twins (%s)\n' "$why" > "$prefix.mode"
    else
      reasons+=$'\n'"$more"
    fi
  fi
  if [ ! -f "$prefix.mode" ]; then
    echo "FAIL: no Wine prefix could be made ($why):$reasons"
    exit 1
  fi
  # One wineserver for the whole run. Left to itself it exits three seconds
  # after its last program, and a program started while it shuts down can
  # fail at once with exit status 1 and no output; the cleanup kills it.
  wineserver -p </dev/null >/dev/null 2>&1
  sed -n 2p "$prefix.mode"
  echo "Wine prefix ready in $(( $(date +%s) - start )) s: $prefix"
  ;;
detect)
  choose_path
  if [ "$path" = win32 ]; then echo "Wine: 32-bit test variants of the shipped programs"; else echo "Wine: x86-64 twins ($why)"; fi
  ;;
cleanup)
  timeout 30 wineserver -k 2>/dev/null
  [ -f "$prefix.xvfb.pid" ] && kill "$(cat "$prefix.xvfb.pid")" 2>/dev/null
  rm -f "$prefix.xvfb.pid" "$prefix.display"
  exit 0
  ;;
*)
  echo "usage: $0 setup|cleanup|detect <prefix>"
  exit 2
  ;;
esac
