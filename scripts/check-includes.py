#!/usr/bin/env python3
"""Keeps the folders of src/ in one direction: a folder includes only folders of its own rank or
below, folders of one rank include each other without a cycle, and only a gtk/ folder includes GTK.
A program's main.cpp stands above every folder.

    scripts/check-includes.py [source-root]     (default: the src/ beside this script)

Prints every offending include as file:line and exits 1 when there is one.
"""

import os
import re
import sys

# Lower ranks are nearer the platform; a folder may include its own rank and those below it.
RANKS = {
    "platform": 0,
    "Utils": 1,
    "MindMaps": 2,
    "layout": 3, "render": 3, "formats": 3,
    "store": 4,
    # Above the store and below everything that shows maps: the cloud services' shared sign-in.
    "cloud": 4.5,
    "editor-view": 5,
    "Editor": 6,
    "explorers": 7, "panels": 7, "preferences": 7, "dropbox": 7, "GoogleDrive": 7, "link": 7,
}

QUOTED = re.compile(r'^\s*#\s*include\s*"(([^"/]+)/[^"]*)"')
# GTK and its C++ binding; gdk-pixbuf is an image library of its own and allowed everywhere.
GTK = re.compile(r'^\s*#\s*include\s*<(gtk|gtkmm|gdk|gdkmm)[/.>]')
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c")


def scan(root):
    """Yields (path, line number, folder, included path) for every include of a folder's header,
    and (path, line number, folder, None) for every GTK include outside a gtk/ folder."""
    for folder in sorted(os.listdir(root)):
        top = os.path.join(root, folder)
        if not os.path.isdir(top):
            continue
        for directory, subdirectories, files in os.walk(top):
            subdirectories.sort()
            in_gtk = "gtk" in os.path.relpath(directory, root).split(os.sep)
            for name in sorted(files):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(directory, name)
                with open(path, encoding="utf-8", errors="replace") as source:
                    for number, line in enumerate(source, 1):
                        if "include" not in line:
                            continue
                        quoted = QUOTED.match(line)
                        if quoted:
                            yield path, number, folder, quoted.group(1)
                        elif not in_gtk and GTK.match(line):
                            yield path, number, folder, None


def find_cycle(edges):
    """Returns one cycle of the folder graph as a list of folders (first repeated last), or None."""
    state = {}

    def visit(folder, trail):
        state[folder] = "open"
        trail.append(folder)
        for target in sorted(edges.get(folder, ())):
            if state.get(target) == "open":
                return trail[trail.index(target):] + [target]
            if target not in state:
                cycle = visit(target, trail)
                if cycle:
                    return cycle
        trail.pop()
        state[folder] = "done"
        return None

    for folder in sorted(edges):
        if folder not in state:
            cycle = visit(folder, [])
            if cycle:
                return cycle
    return None


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
    root = os.path.normpath(root)
    problems = []
    unranked = set()
    same_rank = {}  # folder -> included folder -> first include, for folders of one rank
    base = os.path.dirname(root)
    for path, number, folder, included in scan(root):
        where = f"{os.path.relpath(path, base)}:{number}"
        if included is None:
            problems.append(f"{where}: GTK is included outside a gtk/ folder")
            continue
        target = included.split("/", 1)[0]
        if folder not in RANKS:
            unranked.add(folder)
            continue
        # An application's main() is the program, above every library: it installs their services.
        if target == folder or target not in RANKS or os.path.basename(path) == "main.cpp":
            continue
        if RANKS[target] > RANKS[folder]:
            problems.append(f"{where}: {folder} (rank {RANKS[folder]}) includes {included} "
                            f"(rank {RANKS[target]}), which is above it")
        elif RANKS[target] == RANKS[folder]:
            same_rank.setdefault(folder, {}).setdefault(target, f"{where}: includes {included}")
    for folder in sorted(unranked):
        problems.append(f"{os.path.relpath(os.path.join(root, folder), base)}: a folder without a rank; "
                        f"give it one in scripts/check-includes.py")
    edges = {folder: set(targets) for folder, targets in same_rank.items()}
    while True:
        cycle = find_cycle(edges)
        if not cycle:
            break
        problems.append("folders of one rank include each other in a cycle: " + " -> ".join(cycle))
        for source, target in zip(cycle, cycle[1:]):
            problems.append(f"  {same_rank[source][target]}")
        # Reports each cycle once: the edge that closed it is dropped before looking again.
        edges[cycle[-2]].discard(cycle[-1])
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
