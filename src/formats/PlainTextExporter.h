#pragma once

#include "MindMaps/MindMapFormats.h"

#include <cstdint>
#include <string>

class MindMap;
class MindMapNode;

// Writes a map as a tab-indented outline, the grammar PlainTextImporter reads back:
//
//   one line per topic: as many tabs as the topic's level in the map (0 for a central theme),
//   then its text trimmed, with each line break inside it turned into a blank;
//   a topic's note follows its line as a block: the indent and "[", each note line behind the
//   indent, the indent and "]".
//
// The format cannot carry every note. The reader trims each note line and ends the block at the
// first line that, trimmed, is exactly "]" and at the first line with another tab count, so:
// white space at the start or end of a note line is lost (a tab there could not be told from
// indentation; topics turn tabs into blanks anyway), and a note line "]" ends the note there,
// its later lines turning into topics. These limits belong to the format and are kept as they
// are, so that other programs' outlines read the same.
//
// Every topic is written, folded or not. Subtrees are written depth first without recursion. A
// topic at level n costs n tabs, so the text of a map nested thousands of levels deep grows with
// the square of its depth; the format has no other way to say where a topic hangs.
class PlainTextExporter {
public:
    PlainTextExporter() = default;

    // UTF-8 without a byte-order mark (MindMapConverter puts one in front).
    MindMapData exportMindMap(MindMap& mindMap, bool selectionOnly);

private:
    void emitNode(MindMapNode* node, int64_t level);
    void emitLine(int64_t level, std::string_view text);
    void newLine();

    std::string _buffer;
};
