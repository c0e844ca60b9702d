#!/usr/bin/env bash
# Fetches a PDF with bookmarks written by another program into DEST/pdf, for the bookmark import
# tests: the English manual of a Debian documentation package. It is never kept in the sources.
#
#   fetch-real-pdf.sh DEST
#
# Exits 0 once DEST/pdf holds the file (at once when an earlier run fetched it), non-zero when it
# could not be had (no network, no package lists); the tests then skip. Several test processes
# may call it at the same time: one fetches, the others wait for it.
set -u
dest=${1:?usage: fetch-real-pdf.sh DEST}
package=live-manual-pdf
file=usr/share/doc/live-manual/pdf/live-manual.landscape.en.letter.pdf.gz

mkdir -p "$dest" || exit 1
exec 9>"$dest/.lock-pdf"
flock 9
[ -f "$dest/.complete-pdf" ] && exit 0

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
if ! timeout 180 apt-get download "$package" >download.log 2>&1; then
  echo "could not download $package:" >&2
  tail -n 3 download.log >&2
  exit 1
fi
dpkg-deb -x ./*.deb root || exit 1
rm -rf "$dest/pdf"
mkdir -p "$dest/pdf"
gunzip -c "root/$file" >"$dest/pdf/live-manual.pdf" || exit 1
touch "$dest/.complete-pdf"
