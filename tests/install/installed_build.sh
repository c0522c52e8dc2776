#!/usr/bin/env bash
# The headless build of the example, with the builder, the example and every
# file they need taken from the unpacked package only.
#   installed_build.sh ROOT
source "$(dirname "$0")/scratch.sh"
root=$1
usr="$root/root/usr"

cp -r "$usr/share/veltrin-installer/examples/Demo" "$work/Demo"
chmod -R u+w "$work/Demo"
# An empty current folder: the builder must find its program folder from
# its own file, through the link on the PATH.
mkdir "$work/elsewhere"
cd "$work/elsewhere"
export PATH="$usr/bin:/usr/bin:/bin"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"

rc=0
veltrin-installer --build "$work/Demo/Demo.vip" --quiet >"$work/out" 2>"$work/err" || rc=$?
[ $rc -eq 0 ] || { cat "$work/out" "$work/err" >&2; fail "--build --quiet exited with $rc"; }
[ ! -s "$work/out" ] || fail "--quiet printed: $(cat "$work/out")"
[ ! -s "$work/err" ] || fail "a successful build wrote to standard error: $(cat "$work/err")"
for build in "Pocket PC" "Pocket PC Silent"; do
  package="$work/Demo/$build/Setup.exe"
  [ -s "$package" ] || fail "no package $package"
  # A Windows program (MZ) with the ZIP archive of the build inside.
  [ "$(head -c 2 "$package")" = MZ ] || fail "$build/Setup.exe is no Windows program"
  listing=$(unzip -l "$package" 2>/dev/null || true)
  grep -q 'Demo\..*\.CAB' <<<"$listing" || fail "$build/Setup.exe holds no CAB file: $listing"
  grep -q 'Demo_res\.dat\|\.ini' <<<"$listing" || fail "$build/Setup.exe holds no Application Manager .ini: $listing"
done

# Without its texts file the project starts from the program folder's
# default texts, which must be the installed ones.
rm -rf "$work/Demo/Pocket PC" "$work/Demo/Pocket PC Silent" "$work/Demo/Demo_res.dat"
veltrin-installer --build "$work/Demo/Demo.vip" >"$work/out" 2>"$work/err" ||
  { cat "$work/out" "$work/err" >&2; fail "--build without a texts file failed"; }
cmp -s "$work/Demo/Demo_res.dat" "$usr/lib/veltrin-installer/Resources.dat" ||
  fail "the texts file is not a copy of the installed Resources.dat"
grep -q "^Package: $work/Demo/Pocket PC/Setup.exe\$" "$work/out" || fail "log names no package: $(cat "$work/out")"
echo "the unpacked package built the example"
