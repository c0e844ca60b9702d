#pragma once

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/StyleSheet.h"

#include <deque>
#include <random>
#include <string>
#include <vector>

// The maps every benchmark measures on, so that their figures compare.
namespace BenchMaps {

inline constexpr size_t TopicCount = 10000;
inline constexpr size_t ThemeCount = 10;
inline constexpr size_t CrossLinkCount = 200;

inline std::string randomText(std::mt19937& random, size_t minimum = 5, size_t maximum = 40)
{
    static const std::string words[] = {"plan",   "budget", "review", "idea", "task",   "goal",   "risk", "team",
                                        "launch", "draft",  "notes",  "open", "market", "design", "test"};
    std::uniform_int_distribution<size_t> length(minimum, maximum);
    std::uniform_int_distribution<size_t> pick(0, std::size(words) - 1);
    const size_t wanted = length(random);
    std::string text;
    while (text.size() < wanted) {
        if (!text.empty()) text += ' ';
        text += words[pick(random)];
    }
    text.resize(wanted);
    return text;
}

inline std::string randomHash(std::mt19937& random)
{
    static const char digits[] = "0123456789abcdef";
    std::uniform_int_distribution<int> digit(0, 15);
    std::string hash;
    for (int i = 0; i < 40; ++i) hash += digits[digit(random)];
    return hash;
}

// Ten central themes, every topic with four to eight children, filled breadth first up to the
// topic count; texts of 5 to 40 characters.
inline void buildTopics(MindMap& map, std::mt19937& random)
{
    std::uniform_int_distribution<int> branching(4, 8);
    map.newMindMap("", false, std::nullopt);
    MindMap::UpdateGuard update(map);
    std::deque<MindMapNode*> open;
    for (size_t i = 0; i < ThemeCount; ++i) {
        MindMapNode* theme = map.internalAddCentralTheme(randomText(random));
        theme->setLocation(Point{0, static_cast<double>(i) * 2000});
        open.push_back(theme);
    }
    size_t count = ThemeCount;
    while (count < TopicCount && !open.empty()) {
        MindMapNode* parent = open.front();
        open.pop_front();
        const int children = branching(random);
        for (int c = 0; c < children && count < TopicCount; ++c, ++count) {
            const Point at{parent->location().x + 150, parent->location().y + c * 30.5};
            MindMapNode* child = map.addMindMapNodeAsChild(parent, at);
            child->setText(randomText(random));
            open.push_back(child);
        }
    }
}

// The topics above; every fifth topic has a note, every seventh its own style, every twentieth an
// image and a free text; 200 cross links join random topics.
inline void buildRichMap(MindMap& map)
{
    std::mt19937 random(20240601);
    buildTopics(map, random);
    MindMap::UpdateGuard update(map);
    const std::vector<MindMapNode*>& nodes = map.nodes();
    for (size_t i = 0; i < nodes.size(); ++i) {
        MindMapNode* node = nodes[i];
        if (i % 5 == 0) node->setNote(randomText(random, 20, 120));
        if (i % 7 == 0) {
            NodeStyle* style = node->style();
            ElementStyle::UpdateGuard batch(*style);
            style->setFillColor(Color::rgb255(static_cast<int>(i % 256), 128, 64));
            style->setPropCustomized(TextStyle::FillColorMask, true);
            style->setBorderStyle(static_cast<int32_t>(i % 8));
            style->setPropCustomized(NodeStyle::BorderStyleMask, true);
        }
        if (i % 20 == 0) {
            MindMapImage* image = node->addCustomImage(randomHash(random), "");
            image->setRelLocation(Point{10, -60});
            node->addText()->setText(randomText(random, 5, 20));
        }
    }
    std::uniform_int_distribution<size_t> pick(0, nodes.size() - 1);
    for (size_t links = 0; links < CrossLinkCount;) {
        MindMapNode* source = nodes[pick(random)];
        MindMapNode* target = nodes[pick(random)];
        if (!map.canCreateCrossLinkFromSource(source, target)) continue;
        map.internalAddCrossLinkFromSource(source, target);
        ++links;
    }
    map.styleSheet()->applyStyleToDiagram(map);
}

} // namespace BenchMaps
