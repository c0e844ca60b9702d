#!/usr/bin/env bash
# Every key that the code may look up in the English string table must stand in it; otherwise the
# user sees an empty text. Keys are not only the literals handed to localized(): most stand in
# tables and constants (a title key per check box, a key per popup item) that a screen looks up as
# it fills itself. So every string literal of the sources shaped like a key (lower-case words
# joined by "_") counts: it is a key of the table, a stock picture's name, or a name of another
# kind listed in not-text-keys.txt.
#   check-string-table.sh <source folder>
set -euo pipefail
root=${1:?source folder}
exec python3 - "$root" <<'PY'
import fnmatch
import os
import re
import sys

root = sys.argv[1]
table = os.path.join(root, "resources/strings/en.strings")
pictures = os.path.join(root, "tools/stock-icons/stock-icons.txt")
not_keys = os.path.join(root, "tests/resources/not-text-keys.txt")
KEY = re.compile(r"[a-z][a-z0-9]*(?:_[a-z0-9]+)+")


def literals(text):
    """The string literals of C++ source, comments and character literals left out."""
    i, n = 0, len(text)
    while i < n:
        if text.startswith("//", i):
            end = text.find("\n", i)
            i = n if end < 0 else end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            i = n if end < 0 else end + 2
        elif text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            open_at = text.find("(", i + 2)
            closing = ")" + text[i + 2:open_at] + '"'
            end = text.find(closing, open_at)
            yield text[open_at + 1:end]
            i = end + len(closing)
        elif text[i] == '"':
            j, value = i + 1, []
            while j < n and text[j] != '"':
                step = 2 if text[j] == "\\" else 1
                value.append(text[j:j + step])
                j += step
            yield "".join(value)
            i = j + 1
        elif text[i] == "'":
            j = i + 1
            while j < n and text[j] != "'":
                j += 2 if text[j] == "\\" else 1
            i = j + 1
        else:
            i += 1


def names(path):
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            line = line.split("#", 1)[0].strip()
            if line:
                yield line


defined = {line.split("=", 1)[0].strip() for line in names(table) if "=" in line}
# A stock picture is asked for by its name, by its name without the size ("cross" of "cross_32")
# or, for the sets of several sizes, by the name inside the pattern ("cake" of "ic8_%_cake").
picture_names = set()
for line in names(pictures):
    pattern = line.split()[0]
    picture_names.add(re.sub(r"_(\d+|%)$", "", pattern))
    picture_names.add(pattern.split("%_", 1)[-1])
picture_regexes = [re.compile("^" + re.escape(line.split()[0]).replace("%", r"\d+") + "$") for line in names(pictures)]
listed = list(names(not_keys))

sources = {}
for folder, subfolders, files in os.walk(os.path.join(root, "src")):
    subfolders.sort()
    for name in sorted(files):
        if name.endswith((".h", ".hpp", ".cpp", ".cc", ".c")):
            path = os.path.join(folder, name)
            with open(path, encoding="utf-8", errors="replace") as source:
                sources[os.path.relpath(path, root)] = source.read()

used = {}
for path, text in sources.items():
    for literal in literals(text):
        if KEY.fullmatch(literal):
            used.setdefault(literal, path)
# A scan that finds next to nothing has lost its way, not proved the table complete.
if len(used) < 500:
    sys.exit(f"only {len(used)} key-shaped literals found under {root}/src")


def other_name(literal):
    return (literal in picture_names or any(regex.match(literal) for regex in picture_regexes)
            or any(fnmatch.fnmatchcase(literal, entry) for entry in listed))


missing = {literal: path for literal, path in used.items() if literal not in defined and not other_name(literal)}
# A literal handed to a look-up itself is a key whatever its shape or name.
LOOKUP = re.compile(r'\b(?:localized|localizedFormat|formatLocalizedText)\(\s*"([^"\\]*)"')
for path, text in sources.items():
    for key in LOOKUP.findall(text):
        if key not in defined:
            missing[key] = path
missing = sorted(missing.items())
if missing:
    print(f"Keys in the code but missing from {table}")
    print("(a name that is no text at all belongs in tests/resources/not-text-keys.txt):")
    for literal, path in missing:
        print(f"  {literal}    ({path})")
    sys.exit(1)
# Names listed as no text that have become keys or pictures, or are no longer used, are listed in
# vain.
stale = sorted(entry for entry in listed if entry in defined or entry in picture_names or
               any(regex.match(entry) for regex in picture_regexes) or
               not any(fnmatch.fnmatchcase(literal, entry) for literal in used))
if stale:
    print("Listed in tests/resources/not-text-keys.txt but a key of the table or used nowhere:")
    for entry in stale:
        print(f"  {entry}")
    sys.exit(1)
keys = sum(1 for literal in used if literal in defined)
print(f"{len(used)} key-shaped literals: {keys} keys, all defined; the others are pictures and listed names")
PY
