#include "formats/PlainTextExporter.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/StringUtils.h"
#include "formats/MindMapFilerBase.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

MindMapData PlainTextExporter::exportMindMap(MindMap& mindMap, bool selectionOnly)
{
    _buffer.clear();
    for (MindMapNode* root : MindMapFilerBase::outlineRoots(mindMap, selectionOnly)) emitNode(root, root->nodeLevel());
    MindMapData data(_buffer.begin(), _buffer.end());
    _buffer.clear();
    return data;
}

void PlainTextExporter::emitNode(MindMapNode* node, int64_t level)
{
    // A work list instead of recursion: topics may nest deeper than the stack allows.
    std::vector<std::pair<MindMapNode*, int64_t>> pending{{node, level}};
    while (!pending.empty()) {
        auto [current, depth] = pending.back();
        pending.pop_back();
        std::string text = trimWhitespaceAndNewlines(current->text());
        std::replace(text.begin(), text.end(), '\n', ' ');
        emitLine(depth, text);
        if (current->hasNote()) {
            emitLine(depth, "[");
            const std::string& note = current->note();
            size_t start = 0;
            while (true) {
                const size_t end = note.find('\n', start);
                emitLine(
                    depth,
                    std::string_view(note).substr(start, end == std::string::npos ? std::string::npos : end - start));
                if (end == std::string::npos) break;
                start = end + 1;
            }
            emitLine(depth, "]");
        }
        const auto& children = current->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.emplace_back(*it, depth + 1);
    }
}

void PlainTextExporter::emitLine(int64_t level, std::string_view text)
{
    _buffer.append(static_cast<size_t>(std::max<int64_t>(level, 0)), '\t');
    _buffer.append(text);
    newLine();
}

void PlainTextExporter::newLine()
{
    _buffer.push_back('\n');
}
