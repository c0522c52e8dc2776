#!/usr/bin/env bash
# Runs one desktop flow: a private X server and session bus, the
# accessibility bus on it, then the flow script, which starts the builder.
#
#   tests/desktop/run_flow.sh FLOW.py PROGRAM EXAMPLE_PROJECT_DIR
set -euo pipefail
flow=$1; shift
here=$(cd "$(dirname "$0")" && pwd)
# Another test may take the display number xvfb-run picked just before our
# server starts; the flow then reports 75 and runs again.
for attempt in 1 2 3; do
  set +e
  xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  launcher=$!
  trap "kill $launcher 2>/dev/null" EXIT
  PYTHONPATH="'"$here"'" /usr/bin/python3 "$@"
' flow "$here/$flow" "$@"
  status=$?
  set -e
  [ $status -eq 75 ] || exit $status
done
exit 75
