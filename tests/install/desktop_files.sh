#!/usr/bin/env bash
# The desktop's files of the unpacked package: the validators of the
# freedesktop and AppStream formats, the project file type as the MIME
# database reads it, and the icons in the sizes their folders promise.
#   desktop_files.sh ROOT
source "$(dirname "$0")/scratch.sh"
root=$1
share="$root/root/usr/share"
id=org.veltrin.Installer
desktop="$share/applications/$id.desktop"

out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
out=$(appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" 2>&1) ||
  fail "appstreamcli validate: $out"
grep -q "<release version=\"$(dpkg-deb -f "$root"/deb/*.deb Version)\"" "$share/metainfo/$id.metainfo.xml" ||
  fail "the AppStream release is not the package's version"

# The entry starts the program on the PATH with the file it was given, for
# the type the MIME database knows.
grep -qx 'Exec=veltrin-installer %f' "$desktop" || fail "Exec line: $(grep ^Exec= "$desktop")"
[ -x "$root/root/usr/bin/veltrin-installer" ] || fail "Exec names no installed program"
type=$(sed -n 's/^MimeType=\(.*\);$/\1/p' "$desktop")
[ -n "$type" ] || fail "no MimeType in the desktop entry"
mkdir -p "$work/mime/packages"
cp "$share/mime/packages/$id.xml" "$work/mime/packages/"
xmllint --noout "$work/mime/packages/$id.xml" || fail "the MIME type file is no well-formed XML"
XDG_DATA_HOME="$work" update-mime-database "$work/mime" 2>"$work/mime.err" || fail "update-mime-database: $(cat "$work/mime.err")"
[ ! -s "$work/mime.err" ] || fail "update-mime-database: $(cat "$work/mime.err")"
grep -qx "[0-9]*:$type:\*\.vip" "$work/mime/globs2" || fail "*.vip is not $type: $(cat "$work/mime/globs2")"

# Icon= names the theme icon that is installed in every size.
grep -qx "Icon=$id" "$desktop" || fail "Icon line: $(grep ^Icon= "$desktop")"
xmllint --noout "$share/icons/hicolor/scalable/apps/$id.svg" || fail "the SVG icon is no well-formed XML"
for size in 16 22 24 32 48 64 128 256; do
  png="$share/icons/hicolor/${size}x${size}/apps/$id.png"
  [ -s "$png" ] || fail "no ${size}x${size} icon"
  got=$(python3 -c 'import struct,sys
d=open(sys.argv[1],"rb").read(24)
assert d[:8]==b"\x89PNG\r\n\x1a\n", "not a PNG"
print("%dx%d" % struct.unpack(">II", d[16:24]))' "$png") || fail "$png is no PNG"
  [ "$got" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $got"
done
echo "desktop files valid"
