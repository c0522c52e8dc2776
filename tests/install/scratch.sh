# Sourced by the install and command-line tests: strict mode, a scratch
# folder in $work that goes away however the test ends, and fail.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
