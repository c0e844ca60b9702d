#pragma once

#include "MindMaps/MindMapFormats.h"
#include "formats/MindMapFilerBase.h"
#include "platform/Error.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
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
//
// Every topic costs the map over a kilobyte however short its line, so the text is bounded twice:
// by its size, checked before it is read wherever the size is known, and by its number of lines.
// Within both, an import stays under about a gigabyte.
class PlainTextImporter : public MindMapFilerBase {
public:
    // The largest text, in bytes as stored, that is imported or pasted as a list.
    static constexpr uint64_t MaximumTextSize = 20 * 1024 * 1024;
    // The most lines a text may have to be imported or pasted as a list.
    static constexpr size_t MaximumLineCount = 800000;
    // The code of a refused text import.
    static constexpr int64_t RefusedErrorCode = 42;

    explicit PlainTextImporter(MindMap& mindMap);

    // Whether text of that many bytes may be imported; when not, the error says how large the
    // text is and what the limit is.
    static bool acceptsTextSize(uint64_t size, Error* error = nullptr);

    // Fills an empty map. false, leaving the map empty, for empty data, a map that already has
    // topics, text too large or of too many lines (with an error that gives the limit) or text
    // whose encoding cannot be told (with an error that says so). Text of nothing but line breaks
    // gives no topics and true.
    bool importMindMapFromData(const MindMapData& data, Error* error = nullptr);
    // The same, letting go of the bytes as soon as they are decoded.
    bool importMindMapFromData(MindMapData&& data, Error* error = nullptr);

    // Adds the pasteboard's plain text as topics under the one selected topic, selects them and
    // makes it one undo step. Nothing happens without text, without a selected topic or on a
    // read-only map; text beyond the limits is refused with an error shown to the user.
    void pasteTextAsList(const Pasteboard& pasteboard);

    // The number of tab characters at the start of the line; blanks do not count.
    static size_t leadTabCount(std::string_view line);
    // The levels the topics of the text (line ends normalised) make, measured without making any.
    static size_t textLevels(std::string_view text);

private:
    // The data as text, for an empty map; nothing (with the reason when there is one) for empty
    // data, a map that has topics, text too large or of an encoding that cannot be told.
    std::optional<std::string> decodedText(const MindMapData& data, Error* error);
    // Fills the empty map with the decoded text.
    bool importText(std::string decoded, Error* error);
    // Whether the text has few enough lines; when not, the error says how many it has.
    static bool acceptsLineCount(std::string_view text, Error* error);
    // Adds the topics of the text's lines (line ends already normalised) under the parent (or as
    // top-level topics without one). Tells readUpTo, when given, the offsets before which the text
    // is read no more, as they grow.
    void convertTextLines(std::string_view text, MindMapNode* parent,
                          const std::function<void(size_t offset)>& readUpTo = {});
    // A flat list of several top-level topics is gathered under a new central theme.
    void detectPlainTextFile();
};
