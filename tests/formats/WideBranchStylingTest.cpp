// Styling many siblings: a main branch without a palette entry takes the first entry none of its
// siblings has. The resolved styles of every topic are pinned as they came out when each branch
// still looked at all of its siblings, on every built-in sheet and whichever road styles them.

#include "FilerTestSupport.h"
#include "TwkxTestSupport.h"

#include "MindMaps/MMColorScheme.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "formats/TwkxMindMapWriter.h"
#include "platform/UndoManager.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>
#include <string>

using namespace filertest;

namespace {

std::string hexOf(const Color& color)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x", static_cast<int>(color.red() * 255 + 0.5),
                  static_cast<int>(color.green() * 255 + 0.5), static_cast<int>(color.blue() * 255 + 0.5),
                  static_cast<int>(color.alpha() * 255 + 0.5));
    return text;
}

// Every topic's resolved style, one line per topic, depth first from the central themes.
std::string stylesOf(const MindMap& map)
{
    std::string styles;
    std::vector<std::pair<const MindMapNode*, int>> pending;
    for (auto theme = map.centralThemes().rbegin(); theme != map.centralThemes().rend(); ++theme)
        pending.emplace_back(*theme, 0);
    while (!pending.empty()) {
        const auto [node, level] = pending.back();
        pending.pop_back();
        const Font font = node->font().value_or(Font());
        styles += std::to_string(level) + " " + std::to_string(node->paletteInfo()) + " " + hexOf(node->fillColor()) +
            " " + hexOf(node->strokeColor()) + " " + hexOf(node->textColor()) + " " + font.familyName() + " " +
            std::to_string(static_cast<int>(font.pointSize())) + (font.isBold() ? "b" : "") + "\n";
        for (auto child = node->children().rbegin(); child != node->children().rend(); ++child)
            pending.emplace_back(*child, level + 1);
    }
    return styles;
}

// FNV-1a: the pinned form of a long list of styles.
std::string digestOf(const std::string& text)
{
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char digest[24];
    std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(hash));
    return digest;
}

// A central theme with the given number of main branches, made as a reader makes them (the style
// sheet reaches them when the map validates); the first branch has two children, and every
// seventh branch (from the fourth on) an entry of its own, as a document gives it.
void buildWideMap(MindMap& map, const std::string& sheetKey, size_t siblings)
{
    map.setStyleSheet(StyleManager::styleManager().getStyleOnKey(sheetKey, true));
    MindMapNode* theme = map.addNodeLoadingAtLocation(Point{});
    theme->setText("Theme");
    for (size_t i = 0; i < siblings; ++i) {
        MindMapNode* branch = map.addNodeLoadingAtLocation(Point{});
        branch->linkToParent(theme);
        branch->setText("Branch " + std::to_string(i));
        if (i % 7 == 3) branch->setPaletteInfo(static_cast<int64_t>(i % 5) + 1);
        if (i == 0) {
            for (int c = 0; c < 2; ++c) {
                MindMapNode* child = map.addNodeLoadingAtLocation(Point{});
                child->linkToParent(branch);
                child->setText("Child");
            }
        }
    }
    map.rethinkCentralThemes();
    map.nodesLoadedFromIndex(0);
    // The round robin of a palette that has run out is shared by every map: each case starts it
    // afresh.
    if (const auto& scheme = map.styleSheet()->colorScheme()) scheme->beforeApplyingToDiagram();
    map.validateElementStates();
}

class WideBranchStyling : public ::testing::Test {
protected:
    void SetUp() override { registerNativeFormat(); }
    ScopedFakeMeasurer measurer;
};

} // namespace

TEST_F(WideBranchStyling, EveryBuiltInSheetStylesSiblingsAsBefore)
{
    // Digests of stylesOf() by sheet, for 1, 2, 3 and 1,000 main branches.
    const std::map<std::string, std::array<const char*, 4>> pinned = {
        {"system.bright-palette", {"c9fdae551c477917", "4ce36afa44167fe0", "244c4143eeb3d4e8", "dba7af74ecdb9acb"}},
        {"system.soft-palette", {"54debe5bbec866dc", "d0d3e6be2e862859", "9c2a6a6687548c28", "e971907b6e99f062"}},
        {"system.soft-palette-left-right",
         {"54debe5bbec866dc", "d0d3e6be2e862859", "9c2a6a6687548c28", "e971907b6e99f062"}},
        {"system.natural-material-colors",
         {"e04a634f2acbe131", "53f0bde0819d54c2", "4527ddcf1036f3a3", "95675532a6ea834f"}},
        {"system.spring-levels", {"bdad3855ff0ec66e", "829eacde2b838e6e", "3aa97daeb3ca666e", "cd8d9beb99cf23fe"}},
        {"system.aqua-levels", {"3f3e878555cf8bc3", "5f07d0fa278ac914", "715f60d6fcab0b75", "8990289a074d9d9a"}},
        {"system.colors-on-black-palette",
         {"1d1acea414f507c0", "4e63aa1d99aa6346", "5074687acba1fde3", "a18a3c5791036737"}},
        {"system.basic-chart", {"3b050a9418961a95", "fac8a46ad007339a", "415b1bbf13b4fb0b", "56ad517574f3a478"}},
        {"system.compact-gray-scale", {"b163d60d1aa10c8d", "d90a7ec31f130560", "21c6b73db469c5d7", "ba95f25fe31f6b82"}},
        {"system.natural-gray-scale", {"b163d60d1aa10c8d", "d90a7ec31f130560", "21c6b73db469c5d7", "ba95f25fe31f6b82"}},
        {"system.pastel-palette", {"a37567461dbad2f0", "167efac2a62a4302", "7eae1e299cc7a3b7", "86c231aab2e917d5"}},
        {"system.gold-palette", {"0eb00968b75e128a", "0979a297e0e8cf9e", "a98c203d8bb967ef", "4152bfebd12a79b1"}},
        {"system.gray-scale", {"9b75a4e6ca3c577d", "659f29bece4eaf00", "caae104396bdca37", "083465a6264a20e2"}},
        {"system.black-and-white", {"b77ebba53eb80ce5", "727f51048995dd22", "c9aa1f90e537bb7f", "c70c18998704257c"}},
    };
    const std::array<size_t, 4> siblingCounts = {1, 2, 3, 1000};
    ASSERT_EQ(StyleManager::styleManager().styleSheets().size(), pinned.size());
    for (const auto& sheet : StyleManager::styleManager().styleSheets()) {
        const auto expected = pinned.find(sheet->styleKeyName());
        ASSERT_NE(expected, pinned.end()) << sheet->styleKeyName();
        for (size_t i = 0; i < siblingCounts.size(); ++i) {
            MindMap map;
            buildWideMap(map, sheet->styleKeyName(), siblingCounts[i]);
            const std::string styles = stylesOf(map);
            EXPECT_EQ(digestOf(styles), expected->second[i])
                << sheet->styleKeyName() << " with " << siblingCounts[i] << " siblings:\n"
                << styles.substr(0, 600);
        }
    }
}

// A central theme of 10,000 children: reading the map back and undoing a change give every topic
// the style it had.
TEST_F(WideBranchStyling, TenThousandChildrenLoadAndUndoWithTheirStyles)
{
    MindMap map;
    buildWideMap(map, "system.bright-palette", 10000);
    const std::string styles = stylesOf(map);
    ASSERT_EQ(map.nodes().size(), 10003u);

    MindMap loaded;
    ASSERT_TRUE(loaded.readFromData(TwkxMindMapWriter::writeMindMap(map), "", int32_t(MindMapReadFormat::Native)));
    EXPECT_EQ(stylesOf(loaded), styles);

    map.undoManager()->removeAllActions();
    ASSERT_NE(map.pushStateToUndoManager("undoable_op_edit_text"), nullptr);
    map.centralThemes().front()->children()[5000]->setPaletteInfo(3);
    map.centralThemes().front()->children()[5000]->setText("changed");
    map.undoManager()->undo();
    EXPECT_EQ(stylesOf(map), styles);
}
