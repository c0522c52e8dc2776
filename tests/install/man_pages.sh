#!/usr/bin/env bash
# The man pages of the unpacked package: groff finds nothing to warn about,
# and each page documents every option its program's --help names, so the
# two cannot drift apart unnoticed.
#   man_pages.sh ROOT
source "$(dirname "$0")/scratch.sh"
root=$1
usr="$root/root/usr"
export MANWIDTH=80 MAN_KEEP_FORMATTING=0 LC_ALL=C.UTF-8

for page in veltrin-installer viscramble veltrin-cabwiz veltrin-cabinfo; do
  file="$usr/share/man/man1/$page.1"
  man --warnings -l "$file" >"$work/$page.txt" 2>"$work/$page.warnings" || fail "man cannot show $page.1"
  [ ! -s "$work/$page.warnings" ] || fail "$page.1: $(cat "$work/$page.warnings")"
  # Plain text, without the backspace emphasis of a terminal.
  sed -i 's/.\x08//g' "$work/$page.txt"
  grep -q "^NAME" "$work/$page.txt" || fail "$page.1 has no NAME section"
  name=$(grep -A1 "^NAME" "$work/$page.txt")
  grep -Eq "^ *$page +- " <<<"$name" || fail "$page.1 does not name $page"

  "$usr/bin/$page" --help >"$work/$page.help" || fail "$page --help failed"
  options=$(grep -oE -- '(^|[][ |])(--[a-z][a-z-]*|/[a-z]+)' "$work/$page.help" | sed 's/^[][ |]//' | sort -u)
  [ -n "$options" ] || fail "found no options in $page --help"
  for option in $options; do
    grep -qF -- "$option" "$work/$page.txt" || fail "$page.1 does not mention $option, which $page --help names"
  done
done
echo "man pages clean and complete"
