#!/usr/bin/env bash
# Makes the Debian package of the built tree and unpacks it into a scratch
# root, the way dpkg would install it, for the other install tests.
#   make_package.sh BUILD_DIR ROOT
# Checks the package's dependencies and the layout of the program folder.
set -euo pipefail
build=$1
root=$2
rm -rf "$root"
mkdir -p "$root/deb"

fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$root/deb" >"$root/cpack.log" 2>&1 ||
  { cat "$root/cpack.log" >&2; fail "cpack -G DEB failed"; }
debs=("$root"/deb/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb in $root/deb, found: ${debs[*]}"
deb=${debs[0]}
echo "package: $deb ($(stat -c %s "$deb") bytes)"

[ "$(dpkg-deb -f "$deb" Package)" = veltrin-installer ] || fail "package name"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# The runtime libraries the programs link, and Qt's platform plugins.
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libzip4 libgcab-1.0-0 libmspack0 zlib1g qt6-qpa-plugins; do
  grep -Eq "(^|, )$lib( |,|$)" <<<"$depends" || fail "Depends lacks $lib"
done

dpkg -x "$deb" "$root/root"
prog="$root/root/usr/lib/veltrin-installer"
for f in VeltrinInstaller viscramble Deskstart.exe Setup.exe Resources.dat EULA_Neutral.txt \
         Tools/CABWIZ.exe Tools/makesfx.exe Tools/sfxstub.exe manual/index.html manual/manual.css; do
  [ -s "$prog/$f" ] || fail "program folder lacks $f"
done
for f in VeltrinInstaller viscramble veltrin-cabinfo Tools/CABWIZ.exe Tools/makesfx.exe; do
  [ -x "$prog/$f" ] || fail "$f is not executable"
done
# Installed programs carry no debugging sections.
# (Listings are read whole before they are searched: with pipefail, a grep -q
# that stops early would turn a match into a failed pipeline.)
sections=$(readelf -S "$prog/VeltrinInstaller")
! grep -q '\.debug_info' <<<"$sections" || fail "VeltrinInstaller is not stripped"
# The PATH entries are relative links into the program folder, so the tree
# works wherever it is unpacked.
for link in veltrin-installer:VeltrinInstaller viscramble:viscramble veltrin-cabwiz:Tools/CABWIZ.exe \
            veltrin-cabinfo:veltrin-cabinfo; do
  name=${link%%:*}
  target=${link#*:}
  path="$root/root/usr/bin/$name"
  [ -L "$path" ] || fail "usr/bin/$name is not a link"
  [ "$(readlink "$path")" = "../lib/veltrin-installer/$target" ] || fail "usr/bin/$name points to $(readlink "$path")"
  [ "$(readlink -f "$path")" = "$(readlink -f "$prog/$target")" ] || fail "usr/bin/$name does not resolve"
done
for f in share/applications/org.veltrin.Installer.desktop share/metainfo/org.veltrin.Installer.metainfo.xml \
         share/mime/packages/org.veltrin.Installer.xml share/icons/hicolor/scalable/apps/org.veltrin.Installer.svg \
         share/man/man1/veltrin-installer.1 share/man/man1/viscramble.1 share/man/man1/veltrin-cabwiz.1 share/man/man1/veltrin-cabinfo.1 \
         share/veltrin-installer/examples/Demo/Demo.vip; do
  [ -s "$root/root/usr/$f" ] || fail "package lacks /usr/$f"
done
# Nothing of the build tree travels along.
contents=$(dpkg-deb -c "$deb")
stray=$(grep -E '/CMakeFiles/|\.o$|/tests/|/build-[^/]*/' <<<"$contents" || true)
[ -z "$stray" ] || fail "the package holds build files: $(head -3 <<<"$stray")"
echo "package made and unpacked into $root/root"
