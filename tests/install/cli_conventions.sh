#!/usr/bin/env bash
# The command-line conventions of every host program, through the real
# programs: --help and --version on standard output with status 0, a failed
# write of them reported, errors on standard error with a non-zero status,
# and the builder's progress line only on a terminal and never with --quiet.
#   cli_conventions.sh PROGRAM_DIR EXAMPLE_DIR VERSION
source "$(dirname "$0")/scratch.sh"
bin=$1
example=$2
version=$3
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"

# run NAME PROGRAM ARGS...: status in $rc, streams in $work/NAME.out/.err
run() {
  local name=$1
  shift
  rc=0
  "$@" >"$work/$name.out" 2>"$work/$name.err" || rc=$?
}

declare -A bad=(
  [VeltrinInstaller]="--frobnicate"
  [viscramble]="frobnicate in out"
  [Tools/CABWIZ.exe]="x.inf /frobnicate"
  [Tools/makesfx.exe]="/frobnicate"
  [veltrin-cabinfo]="--frobnicate x.cab"
)
for program in VeltrinInstaller viscramble Tools/CABWIZ.exe Tools/makesfx.exe veltrin-cabinfo; do
  exe="$bin/$program"
  name=$(basename "$program")
  run help "$exe" --help
  [ $rc -eq 0 ] || fail "$name --help exited with $rc"
  grep -q '^Usage' "$work/help.out" || fail "$name --help printed no usage on standard output"
  [ ! -s "$work/help.err" ] || fail "$name --help wrote to standard error: $(cat "$work/help.err")"

  run short "$exe" -h
  [ $rc -eq 0 ] && cmp -s "$work/short.out" "$work/help.out" || fail "$name -h is not --help"

  run version "$exe" --version
  [ $rc -eq 0 ] || fail "$name --version exited with $rc"
  [ "$(wc -l <"$work/version.out")" -eq 1 ] && grep -qF " $version" "$work/version.out" ||
    fail "$name --version printed: $(cat "$work/version.out")"
  [ ! -s "$work/version.err" ] || fail "$name --version wrote to standard error"

  # Output that cannot be written is a failure, not a silent success.
  if [ -w /dev/full ]; then
    rc=0
    "$exe" --help >/dev/full 2>/dev/null || rc=$?
    [ $rc -ne 0 ] || fail "$name --help >/dev/full exited with 0"
  fi

  # shellcheck disable=SC2086
  run bad "$exe" ${bad[$program]}
  [ $rc -ne 0 ] || fail "$name ${bad[$program]} exited with 0"
  [ ! -s "$work/bad.out" ] || fail "$name ${bad[$program]} wrote to standard output: $(cat "$work/bad.out")"
  grep -q 'frobnicate' "$work/bad.err" || fail "$name ${bad[$program]} did not name the problem: $(cat "$work/bad.err")"
done

# A file that cannot be read: status 1 and the path on standard error.
run missing "$bin/viscramble" decode "$work/no-such-file" "$work/out.ini"
[ $rc -eq 1 ] || fail "viscramble of a missing file exited with $rc"
grep -qF "$work/no-such-file" "$work/missing.err" || fail "viscramble did not name the file: $(cat "$work/missing.err")"
[ ! -e "$work/out.ini" ] || fail "viscramble wrote output for a missing input"

# The builder's progress line: on a terminal (script gives the program one),
# not into a pipe, and not with --quiet.
cp -r "$example" "$work/Demo"
run piped "$bin/VeltrinInstaller" --build "$work/Demo/Demo.vip"
[ $rc -eq 0 ] || fail "--build exited with $rc: $(cat "$work/piped.err")"
[ ! -s "$work/piped.err" ] || fail "--build into a pipe wrote to standard error: $(cat "$work/piped.err")"
grep -q '^Build completed successfuly!$' "$work/piped.out" || fail "no log on standard output"

quote() { printf "'%s'" "${1//\'/\'\\\'\'}"; }
command="$(quote "$bin/VeltrinInstaller") --build $(quote "$work/Demo/Demo.vip")"
script -qec "$command" /dev/null >"$work/tty.out" </dev/null || fail "--build on a terminal failed: $(cat "$work/tty.out")"
grep -q $'\rPocket PC: archiving .*%' "$work/tty.out" || fail "no progress line on a terminal: $(cat -A "$work/tty.out" | head -5)"
grep -q 'Build completed successfuly!' "$work/tty.out" || fail "no log on a terminal"

script -qec "$command --quiet" /dev/null >"$work/quiet.out" </dev/null || fail "--build --quiet on a terminal failed"
[ ! -s "$work/quiet.out" ] || fail "--quiet on a terminal printed: $(cat -A "$work/quiet.out" | head -5)"
echo "every program follows the conventions"
