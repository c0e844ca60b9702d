// The three preset collections and their files.

#include "MindMaps/StylePresets.h"
#include "MindMaps/ColorUtils.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/TextStyle.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const RelationStyle* relationStyleAt(const StylePresets& presets, size_t index)
{
    return static_cast<const RelationStyle*>(presets.presetAtIndex(index)->style());
}

class StylePresetsTest : public ::testing::Test {
protected:
    TempDir folder;
};

// Line widths 1 to 5 in this order.
void fillFive(RelationStylePresets& presets)
{
    for (int width = 5; width >= 1; --width) {
        RelationStyle style;
        style.changeLineWidth(width);
        presets.addPreset(&style);
    }
    while (presets.count() > 5) presets.deletePresetAtIndex(5);
}

std::vector<double> widths(const RelationStylePresets& presets)
{
    std::vector<double> result;
    for (size_t i = 0; i < presets.count(); ++i) result.push_back(relationStyleAt(presets, i)->lineWidth());
    return result;
}

} // namespace

// ---- Defaults ----

TEST_F(StylePresetsTest, MissingFilesGiveTheBuiltInDefaultsWithoutWritingThem)
{
    TextStylePresets text(folder.path());
    NodeStylePresets nodes(folder.path());
    RelationStylePresets relations(folder.path());
    EXPECT_EQ(text.count(), 16u);
    EXPECT_EQ(nodes.count(), 12u);
    EXPECT_EQ(relations.count(), 1u);
    EXPECT_EQ(text.fileName(), folder.file("text-style-presets.xml"));
    EXPECT_EQ(nodes.fileName(), folder.file("node-style-presets.xml"));
    EXPECT_EQ(relations.fileName(), folder.file("relation-style-presets.xml"));
    EXPECT_TRUE(fs::is_empty(folder.path())) << "defaults are written with the next change only";
}

TEST_F(StylePresetsTest, DefaultValues)
{
    TextStylePresets text(folder.path());
    auto textStyle = [&](size_t i) { return static_cast<const TextStyle*>(text.presetAtIndex(i)->style()); };
    EXPECT_EQ(textStyle(0)->customizedProps(), TextStyle::FontMask);
    EXPECT_DOUBLE_EQ(textStyle(0)->fontSize(), 8);
    EXPECT_EQ(textStyle(5)->fillColor(), Color::rgb255(252, 252, 173));
    EXPECT_EQ(textStyle(12)->callOut(), 2u);
    EXPECT_EQ(textStyle(13)->customizedProps(), TextStyle::TextColorMask | TextStyle::FillColorMask);
    EXPECT_EQ(textStyle(15)->fillColor(), Color::rgb255(0, 160, 0));

    NodeStylePresets nodes(folder.path());
    auto nodeStyle = [&](size_t i) { return static_cast<const NodeStyle*>(nodes.presetAtIndex(i)->style()); };
    EXPECT_EQ(nodeStyle(0)->customizedProps(), 160u);
    EXPECT_EQ(nodeStyle(0)->strokeColor(), Color::rgb255(0, 160, 0));
    EXPECT_EQ(nodeStyle(2)->borderWidth(), 7.0);
    EXPECT_EQ(nodeStyle(3)->customizedProps(), 227u);
    EXPECT_EQ(nodeStyle(4)->fillColor(), Color::rgb255(255, 124, 66));
    EXPECT_EQ(nodeStyle(4)->textColor(), normalizedBlackColor());
    EXPECT_EQ(nodeStyle(11)->strokeColor(), Color::rgb255(206, 3, 255));

    RelationStylePresets relations(folder.path());
    EXPECT_EQ(relationStyleAt(relations, 0)->customizedProps(), RelationStyle::ColorMask);
    EXPECT_EQ(relationStyleAt(relations, 0)->color(), Color::rgb255(255, 0, 0));
}

// ---- Editing the collection ----

TEST_F(StylePresetsTest, AddedPresetsComeFirstAndAreSaved)
{
    NodeStylePresets nodes(folder.path());
    NodeStyle style;
    style.changeBorderStyle(3);
    EXPECT_EQ(nodes.addPreset(&style), 0);
    EXPECT_EQ(nodes.count(), 13u);
    EXPECT_EQ(static_cast<const NodeStyle*>(nodes.presetAtIndex(0)->style())->borderStyle(), 3);

    const std::string file = readTestFile(nodes.fileName());
    EXPECT_EQ(file.rfind("<?xml", 0), 0u) << "no byte-order mark";
    EXPECT_NE(file.find("<style-presets>"), std::string::npos);
    EXPECT_NE(file.find("\n  <preset>"), std::string::npos) << "pretty-printed";

    NodeStylePresets reloaded(folder.path());
    ASSERT_EQ(reloaded.count(), 13u);
    EXPECT_TRUE(static_cast<const NodeStyle*>(reloaded.presetAtIndex(0)->style())
                    ->equals(static_cast<const NodeStyle*>(nodes.presetAtIndex(0)->style())));
    EXPECT_TRUE(static_cast<const NodeStyle*>(reloaded.presetAtIndex(12)->style())
                    ->equals(static_cast<const NodeStyle*>(nodes.presetAtIndex(12)->style())));
}

// ---- Files from elsewhere ----

TEST_F(StylePresetsTest, MovingUsesDropPositions)
{
    struct Case {
        size_t from, to;
        std::vector<double> expected;
    };
    const std::vector<Case> cases = {
        {0, 3, {2, 3, 1, 4, 5}},  // index 0 to drop position 3 of five lands at 2
        {3, 0, {4, 1, 2, 3, 5}},  // to the front
        {1, 99, {1, 3, 4, 5, 2}}, // beyond the end counts as the end
        {4, 5, {1, 2, 3, 4, 5}},  // just after itself: no change
        {2, 2, {1, 2, 3, 4, 5}},  // onto itself
        {9, 0, {1, 2, 3, 4, 5}},  // from outside the collection: ignored
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
        RelationStylePresets presets(folder.path());
        fillFive(presets);
        presets.movePresetFromIndex(c.from, c.to);
        EXPECT_EQ(widths(presets), c.expected);
        EXPECT_EQ(widths(RelationStylePresets(folder.path())), c.expected) << "as saved";
        fs::remove(presets.fileName());
    }
}

TEST_F(StylePresetsTest, BadFilesGiveTheDefaults)
{
    const std::string name = folder.file("relation-style-presets.xml");
    struct Case {
        const char* name;
        std::string content;
        size_t expectedCount;
    };
    const std::vector<Case> cases = {
        {"not XML", "no presets here", 1},
        {"truncated", "<?xml version=\"1.0\"?><style-presets><preset><style line-style=\"penDashed", 1},
        {"other root", "<mindmap-colorscheme><preset/><preset/></mindmap-colorscheme>", 1},
        {"huge", "<style-presets>" + std::string(StylePresets::MaximumFileSize, ' ') + "<preset/></style-presets>", 1},
        {"hostile values",
         "<style-presets><preset><style line-width=\"1e308\" line-style=\"../../x\" path-style=\"-7\"/></preset>"
         "<preset><style><style/></style></preset></style-presets>",
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeTestFile(name, c.content);
        RelationStylePresets presets(folder.path());
        ASSERT_EQ(presets.count(), c.expectedCount);
        if (c.expectedCount == 1) {
            EXPECT_EQ(relationStyleAt(presets, 0)->color(), Color::rgb255(255, 0, 0));
        } else {
            EXPECT_LE(relationStyleAt(presets, 0)->lineWidth(), 1000.0);
            EXPECT_FALSE(relationStyleAt(presets, 0)->isPropCustomized(RelationStyle::LineStyleMask));
        }
    }
}

TEST_F(StylePresetsTest, AFolderInPlaceOfTheFileIsNeitherReadNorReplaced)
{
    const std::string name = folder.file("text-style-presets.xml");
    fs::create_directory(name);
    writeTestFile(name + "/keep", "kept");
    TextStylePresets presets(folder.path());
    EXPECT_EQ(presets.count(), 16u);
    Error error;
    EXPECT_FALSE(presets.saveToFile(&error));
    EXPECT_NE(error.failureReason, "");
    EXPECT_EQ(readTestFile(name + "/keep"), "kept");
    size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1u) << "no temporary file is left behind";
}

TEST_F(StylePresetsTest, SharedCollectionsLiveInTheMindMapsFolder)
{
    EXPECT_EQ(TextStylePresets::textStylePresets().fileName(),
              StylePresets::presetsDirectory() + "/text-style-presets.xml");
    EXPECT_NE(StylePresets::presetsDirectory().find("/Tarnwick/Mind Maps"), std::string::npos);
    EXPECT_EQ(&NodeStylePresets::nodeStylePresets(), &NodeStylePresets::nodeStylePresets());
    EXPECT_EQ(RelationStylePresets::relationStylePresets().count(), 1u);
}
