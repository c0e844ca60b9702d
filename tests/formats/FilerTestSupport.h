#pragma once

// Shortcuts shared by the import and export filer tests.

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapNode.h"
#include "formats/MindMapConverter.h"
#include "support/FakeTextMeasurer.h"

#include <string>
#include <string_view>

namespace filertest {

inline constexpr std::string_view Bom = "\xEF\xBB\xBF";

inline MindMapData bytes(std::string_view text)
{
    return MindMapData(text.begin(), text.end());
}

inline std::string textOf(const MindMapData& data)
{
    return std::string(data.begin(), data.end());
}

// The text of an export without its byte-order mark; a missing mark fails the test.
std::string withoutBom(const MindMapData& data);

// The map's topics as an outline: one line per topic, two blanks per level, its text with line
// breaks shown as "/", and " | " and its note (line breaks shown as "/") when it has one.
// Central themes in order, each subtree depth first. Another line-break mark can be given.
std::string treeOf(const MindMap& map, char lineBreak = '/');

// Builds a new map from an outline in the form treeOf writes ("/" in a text or note is a line
// break). Returns the map's nodes in the outline's order.
std::vector<MindMapNode*> buildMap(MindMap& map, const std::string& outline);

// Reads the data into the map the way a map opens a foreign file.
bool readAs(MindMap& map, std::string_view data, MindMapReadFormat format, Error* error = nullptr);

// The depth of the deepest topic (0 for central themes only, -1 for an empty map).
int64_t deepestLevel(const MindMap& map);

// Text measuring that needs no fonts, for the tests that make many topics.
class ScopedFakeMeasurer {
public:
    ScopedFakeMeasurer() { TextMeasurer::setShared(&_measurer); }
    ~ScopedFakeMeasurer() { TextMeasurer::setShared(nullptr); }
    ScopedFakeMeasurer(const ScopedFakeMeasurer&) = delete;
    ScopedFakeMeasurer& operator=(const ScopedFakeMeasurer&) = delete;

private:
    FakeTextMeasurer _measurer;
};

} // namespace filertest
