#!/usr/bin/env bash
# The include check on a small made-up source tree: what it must report, and that it passes a tree
# that keeps the order.
set -euo pipefail
check=${1:?path of check-includes.py}
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/src/{platform,Utils,MindMaps,layout,render,formats,store,editor-view/gtk,newfolder}
put() { printf '%b' "$2" >"$tree/src/$1"; }

put platform/Image.cpp '#include <gdk-pixbuf/gdk-pixbuf.h>\n#include "platform/Image.h"\n'
put Utils/Links.cpp '#include "platform/Image.h"\n\n#include "store/Provider.h"\n'
put MindMaps/Map.cpp '#include "Utils/Links.h"\n#include <gtk/gtk.h>\n'
put layout/Path.h '#include "render/Shape.h"\n'
put render/Shape.cpp '#include "formats/Names.h"\n'
put formats/Names.cpp '#  include "layout/Path.h"\n'
put store/Provider.cpp '#include "layout/Path.h"\n#include "render/Shape.h"\n'
put editor-view/gtk/View.cpp '#include <gtkmm.h>\n#include "store/Provider.h"\n'
put store/main.cpp '#include "editor-view/gtk/View.h"\n'
put newfolder/Thing.cpp '#include "platform/Image.h"\n'

expected='src/MindMaps/Map.cpp:2: GTK is included outside a gtk/ folder
src/Utils/Links.cpp:3: Utils (rank 1) includes store/Provider.h (rank 4), which is above it
src/newfolder: a folder without a rank; give it one in scripts/check-includes.py
folders of one rank include each other in a cycle: formats -> layout -> render -> formats
  src/formats/Names.cpp:1: includes layout/Path.h
  src/layout/Path.h:1: includes render/Shape.h
  src/render/Shape.cpp:1: includes formats/Names.h'
actual=$(cd "$tree" && python3 "$check" src) && { echo "the check passed a tree with faults"; exit 1; }
if [ "$actual" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi

rm -r "$tree/src/newfolder" "$tree/src/render/Shape.cpp"
sed -i 3d "$tree/src/Utils/Links.cpp"
sed -i 2d "$tree/src/MindMaps/Map.cpp"
(cd "$tree" && python3 "$check" src) || { echo "the check failed a tree in order"; exit 1; }
