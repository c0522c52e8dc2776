#!/usr/bin/env bash
# The Wine prefix of one test run: "setup" creates it afresh (CTest fixture
# setup), "cleanup" stops its wineserver (fixture cleanup). Programs with a
# window need a display: setup also starts a private X server for the run,
# whose display number it leaves in <prefix>.display for the tests.
#   wine-prefix.sh setup|cleanup <prefix>
# A prefix that cannot be made is a test failure with the reason, never a skip.
set -uo pipefail
action=$1
prefix=$2
export WINEPREFIX=$prefix WINEDEBUG=-all WINEARCH=win32
# No Mono or Gecko installer dialogs while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="

case $action in
setup)
  for tool in wine wineboot wineserver; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool not found; run scripts/bootstrap (wine, wine32:i386)"; exit 1; }
  done
  command -v Xvfb >/dev/null || { echo "FAIL: Xvfb not found; run scripts/bootstrap (xvfb)"; exit 1; }
  # A server left over from an earlier run would hold the old prefix open.
  [ -d "$prefix" ] && timeout 20 wineserver -k 2>/dev/null
  [ -f "$prefix.xvfb.pid" ] && kill "$(cat "$prefix.xvfb.pid")" 2>/dev/null
  rm -rf "$prefix" "$prefix.display" "$prefix.xvfb.pid"
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
  start=$(date +%s)
  if ! out=$(timeout 150 wineboot -i 2>&1); then
    echo "FAIL: wineboot could not create the prefix $prefix:"
    echo "$out" | tail -20
    exit 1
  fi
  timeout 60 wineserver -w
  if [ ! -d "$prefix/drive_c/windows/system32" ]; then
    echo "FAIL: wineboot ended but $prefix has no drive_c/windows/system32:"
    echo "$out" | tail -20
    exit 1
  fi
  # A 32-bit program has to run; otherwise every Wine test would fail with
  # a less helpful message.
  if ! ver=$(timeout 60 wine cmd /c ver 2>&1); then
    echo "FAIL: Wine cannot run a 32-bit program in $prefix:"
    echo "$ver" | tail -20
    exit 1
  fi
  echo "Wine prefix ready in $(( $(date +%s) - start )) s: $prefix"
  ;;
cleanup)
  timeout 30 wineserver -k 2>/dev/null
  [ -f "$prefix.xvfb.pid" ] && kill "$(cat "$prefix.xvfb.pid")" 2>/dev/null
  rm -f "$prefix.xvfb.pid" "$prefix.display"
  exit 0
  ;;
*)
  echo "usage: $0 setup|cleanup <prefix>"
  exit 2
  ;;
esac
