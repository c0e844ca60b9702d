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

. "$(dirname "$0")/debian-download.sh"
download_packages "$dest" -pdf "$package"
dpkg-deb -x ./*.deb root || exit 1
rm -rf "$dest/pdf"
mkdir -p "$dest/pdf"
gunzip -c "root/$file" >"$dest/pdf/live-manual.pdf" || exit 1
complete
