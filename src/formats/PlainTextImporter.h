#pragma once

#include "MindMaps/MindMapFormats.h"
#include "formats/MindMapFilerBase.h"
#include "platform/Error.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class Pasteboard;

// Reads a tab-indented outline (the grammar PlainTextExporter describes) into a map: as a new
// map's content, or as topics pasted under the selected topic.
//
// Structure comes from leading tabs only; blanks never indent. A line deeper than the one before
// becomes its child however many tabs deeper it is. A "[" line at the previous topic's tab count
// opens a note block for that topic when a line "]" at the same tab count closes it before the
// tab count changes; otherwise "[" is an ordinary topic.
//
// Conversion is linear in the number of lines, however the lines nest or how many note blocks
// never close.
class PlainTextImporter : public MindMapFilerBase {
public:
    explicit PlainTextImporter(MindMap& mindMap);

    // Fills an empty map. false, leaving the map empty, for empty data, a map that already has
    // topics or text whose encoding cannot be told (the error is never filled: nothing here
    // would help the user). Text of nothing but line breaks gives no topics and true.
    bool importMindMapFromData(const MindMapData& data, Error* error = nullptr);

    // Adds the pasteboard's plain text as topics under the one selected topic, selects them and
    // makes it one undo step. Nothing happens without text, without a selected topic or on a
    // read-only map.
    void pasteTextAsList(const Pasteboard& pasteboard);

    // The number of tab characters at the start of the line; blanks do not count.
    static size_t leadTabCount(std::string_view line);

private:
    // Takes the text (line ends already normalised) apart into lines.
    void setLines(std::string text);
    // Adds the topics of the lines under the parent (or as top-level topics without one).
    void convertTextLines(MindMapNode* parent);
    // A flat list of several top-level topics is gathered under a new central theme.
    void detectPlainTextFile();

    std::string _text;
    std::vector<std::string_view> _lines; // into _text
};
