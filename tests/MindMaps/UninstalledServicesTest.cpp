// What the model does while no library above it has installed its services: it changes nothing
// it cannot finish, and reports no success it did not have.

#include "MindMapTestSupport.h"

#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/StylePresets.h"
#include "platform/Pasteboard.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace maptest;

namespace {

class UninstalledServicesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Pasteboard::setGeneralPasteboard(nullptr);
        map.newMindMap("", false, std::nullopt);
        theme = addTopic(map, nullptr, Point{0, 0}, "Theme");
        child = addTopic(map, theme, Point{200, 0}, "aaaa bbbb cccc dddd eeee ffff gggg hhhh iiii jjjj");
        map.validateElementStates();
    }

    TempDir folder;
    MindMap map;
    MindMapNode* theme = nullptr;
    MindMapNode* child = nullptr;
};

TEST_F(UninstalledServicesTest, CutWithoutAClipboardFormatKeepsTheTopic)
{
    map.setSelectedElement(child);
    map.cut();
    EXPECT_EQ(theme->childCount(), 1u);
    EXPECT_TRUE(Pasteboard::generalPasteboard().types().empty());
}

TEST_F(UninstalledServicesTest, TextsAreNotWrappedWithoutALayouter)
{
    const std::string text = child->text();
    child->wordWrappingStarted();
    EXPECT_FALSE(child->isWordWrapping());
    child->setWrapWidth(40);
    child->applyDefaultWrap(true);
    EXPECT_EQ(child->text(), text);
}

TEST_F(UninstalledServicesTest, StyleFilesAreNeitherWrittenNorDrawnWithoutTheirFormat)
{
    auto sheet = std::make_shared<CustomStyleSheet>();
    sheet->setFileName(folder.file("Sheet.twkstyle"));
    EXPECT_FALSE(sheet->saveToFile());
    EXPECT_FALSE(std::filesystem::exists(folder.file("Sheet.twkstyle")));

    TextStylePresets presets(folder.path());
    ASSERT_GT(presets.count(), 0u);
    EXPECT_FALSE(presets.saveToFile());
    presets.presetAtIndex(0)->updateImage(nullptr);
    EXPECT_TRUE(presets.presetAtIndex(0)->image().isNull());
}

} // namespace
