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

mkdir -p "$dest" || exit 1
exec 9>"$dest/.lock"
flock 9
[ -f "$dest/.complete" ] && exit 0

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
if ! timeout 180 apt-get download "${packages[@]}" >download.log 2>&1; then
  echo "could not download ${packages[*]}:" >&2
  tail -n 3 download.log >&2
  exit 1
fi
rm -rf "$dest/opml"
mkdir -p "$dest/opml"
for deb in ./*.deb; do
  package=$(dpkg-deb -f "$deb" Package) || exit 1
  dpkg-deb -x "$deb" "root-$package" || exit 1
  find "root-$package" -name '*.opml' -type f -print0 |
    while IFS= read -r -d '' file; do cp "$file" "$dest/opml/$package-$(basename "$file")"; done
done
[ -n "$(ls -A "$dest/opml")" ] || exit 1
touch "$dest/.complete"
