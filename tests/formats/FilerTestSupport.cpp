#include "FilerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <utility>
#include <vector>

namespace filertest {

namespace {

std::string shown(std::string text, char lineBreak = '/')
{
    std::replace(text.begin(), text.end(), '\n', lineBreak);
    return text;
}

std::string unshown(std::string text)
{
    std::replace(text.begin(), text.end(), '/', '\n');
    return text;
}

} // namespace

std::string withoutBom(const MindMapData& data)
{
    const std::string text = textOf(data);
    EXPECT_TRUE(text.starts_with(Bom)) << "no byte-order mark in front of: " << text.substr(0, 40);
    return text.starts_with(Bom) ? text.substr(Bom.size()) : text;
}

std::string treeOf(const MindMap& map, char lineBreak)
{
    std::string tree;
    std::vector<std::pair<const MindMapNode*, size_t>> pending;
    const auto& themes = map.centralThemes();
    for (auto it = themes.rbegin(); it != themes.rend(); ++it) pending.emplace_back(*it, 0);
    while (!pending.empty()) {
        auto [node, level] = pending.back();
        pending.pop_back();
        tree += std::string(level * 2, ' ') + shown(node->text(), lineBreak);
        if (node->hasNote()) tree += " | " + shown(node->note(), lineBreak);
        tree += '\n';
        const auto& children = node->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.emplace_back(*it, level + 1);
    }
    return tree;
}

std::vector<MindMapNode*> buildMap(MindMap& map, const std::string& outline)
{
    map.newMindMap("", false, std::nullopt);
    std::vector<MindMapNode*> nodes;
    std::vector<MindMapNode*> path;
    std::istringstream lines(outline);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty()) continue;
        const size_t indent = line.find_first_not_of(' ');
        const size_t level = (indent == std::string::npos ? line.size() : indent) / 2;
        line = line.substr(level * 2);
        std::string note;
        if (const size_t bar = line.find(" | "); bar != std::string::npos) {
            note = unshown(line.substr(bar + 3));
            line = line.substr(0, bar);
        }
        path.resize(level);
        MindMapNode* node = level == 0 ? map.internalAddCentralTheme(unshown(line))
                                       : map.addMindMapNodeAsChild(path.back(), Point{150.0 * level, 0});
        node->setText(unshown(line));
        if (!note.empty()) node->setNote(note);
        path.push_back(node);
        nodes.push_back(node);
    }
    return nodes;
}

bool readAs(MindMap& map, std::string_view data, MindMapReadFormat format, Error* error)
{
    registerForeignFormats();
    return map.readFromData(bytes(data), "", static_cast<int32_t>(format), error);
}

int64_t deepestLevel(const MindMap& map)
{
    int64_t deepest = -1;
    std::vector<std::pair<const MindMapNode*, int64_t>> pending;
    for (const MindMapNode* theme : map.centralThemes()) pending.emplace_back(theme, 0);
    while (!pending.empty()) {
        auto [node, level] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, level);
        for (const MindMapNode* child : node->children()) pending.emplace_back(child, level + 1);
    }
    return deepest;
}

} // namespace filertest
