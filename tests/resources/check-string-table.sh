#!/usr/bin/env bash
# Every key that the code looks up by a literal (localized("key"), localizedFormat("key", ...))
# must stand in the English string table; otherwise the user sees an empty text.
set -euo pipefail
root=${1:?source folder}
table="$root/resources/strings/en.strings"
[ -f "$table" ] || { echo "missing $table"; exit 1; }

defined=$(grep -v '^[[:space:]]*#' "$table" | grep '=' | cut -d= -f1 | sed 's/[[:space:]]*$//' | sort -u)
used=$(grep -rhoE 'localized(Format)?\("[a-z0-9_.]+"' "$root/src" | sed -E 's/.*\("//; s/"$//' | sort -u)
missing=$(comm -23 <(echo "$used") <(echo "$defined"))
if [ -n "$missing" ]; then
  echo "Keys used in the code but missing from $table:"
  echo "$missing"
  exit 1
fi
echo "$(echo "$used" | grep -c .) keys used, all defined"
