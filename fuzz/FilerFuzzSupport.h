#pragma once

// What the import fuzz targets share: a map for each input, read the way a foreign file opens.

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/StringUtils.h"
#include "formats/MindMapConverter.h"
#include "formats/XmlAttributeHelpers.h"
#include "layout/ParagraphParser.h"
#include "platform/Utf8.h"
#include "store/CustomImageStore.h"
#include "support/FakeTextMeasurer.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// Opening a map measures its texts; the fonts would make the fuzzer slow and need a font cache.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace filerfuzz {

inline std::unique_ptr<MindMap> read(const MindMapData& data, MindMapReadFormat format)
{
    static const bool ready = [] {
        static FakeTextMeasurer measurer;
        TextMeasurer::setShared(&measurer);
        registerForeignFormats();
        return true;
    }();
    (void)ready;
    // A store without a folder: nothing an input names can reach the file system.
    static const auto store = std::make_shared<CustomImageStore>();
    auto map = std::make_unique<MindMap>(store);
    if (!map->readFromData(data, "", static_cast<int32_t>(format))) return nullptr;
    return map;
}

// The words of a text as a document can hold it: opening a map wraps long topics, which splits
// them at every blank the wrap knows (the no-break space too) and joins the words with line
// breaks or single spaces; characters XML cannot carry (a read U+FFFF) are not written.
inline std::string words(const std::string& text)
{
    const std::string safe = xmlSafeText(text);
    std::string result;
    bool blank = false;
    for (size_t pos = 0; pos < safe.size();) {
        const size_t start = pos;
        const char32_t c = Utf8::decodeNext(safe, pos);
        if (c != Utf8::Invalid && ParagraphParser::isWhiteSpaceOrLineBreak(c)) {
            blank = true;
            continue;
        }
        if (blank && !result.empty()) result += ' ';
        blank = false;
        result.append(safe, start, pos - start);
    }
    return result;
}

// The topics' texts (and, when asked, notes), depth first, with their depth (counted from
// firstDepth for the central themes).
inline std::string tree(const MindMap& map, bool withNotes, size_t firstDepth = 0)
{
    std::string text;
    std::vector<std::pair<const MindMapNode*, size_t>> pending;
    const auto& themes = map.centralThemes();
    for (auto it = themes.rbegin(); it != themes.rend(); ++it) pending.emplace_back(*it, firstDepth);
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        text += std::to_string(depth) + ':' + words(node->text());
        // A note keeps a blank at its end when it ended in a control character (the model trims
        // before it turns controls into blanks); written out and read again it is trimmed.
        if (withNotes) text += '|' + xmlSafeText(trimWhitespaceAndNewlines(node->note()));
        text += '\n';
        const auto& children = node->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.emplace_back(*it, depth + 1);
    }
    return text;
}

} // namespace filerfuzz
