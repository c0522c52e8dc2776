#!/usr/bin/env bash
# scripts/bootstrap against a stand-in apt: a mirror mid-sync (the first
# updates fail), a resolver that cannot match the amd64 and i386 candidates
# unless one suite is given, and a package that cannot be had at all.
#   bootstrap_test.sh <source folder>
set -uo pipefail
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mkdir -p "$work/bin"
cat > "$work/bin/dpkg-query" <<'SH'
#!/usr/bin/env bash
# dpkg-query -W -f='${Status}' NAME
name=${!#}
grep -qxF "$name" "$STATE/installed" && printf 'install ok installed'
exit 0
SH
cat > "$work/bin/dpkg" <<'SH'
#!/usr/bin/env bash
case $1 in
--print-foreign-architectures) echo i386 ;;
esac
SH
cat > "$work/bin/apt-get" <<'SH'
#!/usr/bin/env bash
echo "apt-get $*" >> "$STATE/calls"
if [ "$1" = update ]; then
  n=$(( $(cat "$STATE/updates" 2>/dev/null || echo 0) + 1 ))
  echo $n > "$STATE/updates"
  if [ "$n" -le "${FAILING_UPDATES:-0}" ]; then
    echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
    exit 100
  fi
  exit 0
fi
suite=
pkgs=()
for a in "$@"; do
  case $a in
  APT::Default-Release=*) suite=${a#*=} ;;
  install|-*) ;;
  *) pkgs+=("$a") ;;
  esac
done
for p in "${pkgs[@]}"; do
  if grep -qxF "$p" "$STATE/unavailable" 2>/dev/null; then
    echo "E: Unable to locate package $p"
    exit 100
  fi
  if [ "$p" = wine32:i386 ] && [ -z "$suite" ] && [ -n "${SPLIT_SUITES:-}" ]; then
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100
  fi
done
printf '%s\n' "${pkgs[@]}" >> "$STATE/installed"
SH
chmod +x "$work/bin/"*

run_case() { # name, then environment assignments
  local name=$1; shift
  export STATE="$work/$name"
  mkdir -p "$STATE"
  : > "$STATE/installed"
  env "$@" VI_APT_GET="$work/bin/apt-get" VI_DPKG="$work/bin/dpkg" VI_DPKG_QUERY="$work/bin/dpkg-query" \
    VI_BOOTSTRAP_RETRY_DELAY=0 "$src/scripts/bootstrap" > "$STATE/out" 2>&1
  echo $? > "$STATE/rc"
}

# The first two updates fail and the resolver needs one suite: everything
# is installed all the same.
run_case flaky FAILING_UPDATES=2 SPLIT_SUITES=1
[ "$(cat "$work/flaky/rc")" = 0 ] || fail "flaky mirror: exit $(cat "$work/flaky/rc"): $(cat "$work/flaky/out")"
[ "$(grep -c '^apt-get update' "$work/flaky/calls")" = 3 ] || fail "flaky mirror: expected 3 updates: $(cat "$work/flaky/calls")"
grep -q 'APT::Default-Release=bookworm' "$work/flaky/calls" || fail "flaky mirror: no retry with one suite"
for p in wine32:i386 wine64 g++-mingw-w64-x86-64 qt6-base-dev; do
  grep -qxF "$p" "$work/flaky/installed" || fail "flaky mirror: $p not installed"
done
tail -n 1 "$work/flaky/out" | grep -q 'all packages installed' || fail "flaky mirror: last line: $(tail -n 1 "$work/flaky/out")"

# Every update fails and one package does not exist: the rest is installed,
# the last line names the missing one, and the exit code says so.
mkdir -p "$work/broken"; echo wine64 > "$work/broken/unavailable"
run_case broken FAILING_UPDATES=99
[ "$(cat "$work/broken/rc")" != 0 ] || fail "unavailable package: exit 0"
last=$(tail -n 1 "$work/broken/out")
case $last in
*FAILED*wine64*"Unable to locate package"*) ;;
*) fail "unavailable package: last line: $last" ;;
esac
grep -qxF wine32:i386 "$work/broken/installed" || fail "unavailable package: the others were not installed"

# Everything present: no apt call at all.
export STATE="$work/present"; mkdir -p "$STATE"
cp "$work/flaky/installed" "$STATE/installed"
VI_APT_GET="$work/bin/apt-get" VI_DPKG="$work/bin/dpkg" VI_DPKG_QUERY="$work/bin/dpkg-query" \
  "$src/scripts/bootstrap" > "$STATE/out" 2>&1 || fail "all present: exit $?"
[ ! -e "$STATE/calls" ] || fail "all present: apt-get was called: $(cat "$STATE/calls")"

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "bootstrap: all cases passed"
