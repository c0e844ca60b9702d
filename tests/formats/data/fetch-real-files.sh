#!/usr/bin/env bash
# Fetches OPML files written by other programs into DEST/opml, for the real-file import tests:
# the default feed lists a feed reader installs (one per language) and the examples of an OPML
# library. They come from the Debian packages that ship them and are never kept in the sources.
#
#   fetch-real-files.sh DEST
#
# Exits 0 once DEST/opml holds the files (at once when an earlier run fetched them), non-zero
# when they could not be had (no network, no package lists); the tests then skip. Several test
# processes may call it at the same time: one fetches, the others wait for it.
set -u
dest=${1:?usage: fetch-real-files.sh DEST}
packages=(liferea-data libxml-opml-perl)

. "$(dirname "$0")/debian-download.sh"
download_packages "$dest" "" "${packages[@]}"
rm -rf "$dest/opml"
mkdir -p "$dest/opml"
for deb in ./*.deb; do
  package=$(dpkg-deb -f "$deb" Package) || exit 1
  dpkg-deb -x "$deb" "root-$package" || exit 1
  find "root-$package" -name '*.opml' -type f -print0 |
    while IFS= read -r -d '' file; do cp "$file" "$dest/opml/$package-$(basename "$file")"; done
done
[ -n "$(ls -A "$dest/opml")" ] || exit 1
complete
