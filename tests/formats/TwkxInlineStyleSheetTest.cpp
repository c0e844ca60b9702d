// A map whose style sheet is a custom one carries the sheet, so that another machine can register
// it when it opens the document.

#include "TwkxTestSupport.h"

#include "MindMaps/CustomColorScheme.h"
#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/StyleManager.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

using namespace twkxtest;

namespace {

class TwkxInlineStyleSheet : public ::testing::Test {
protected:
    void SetUp() override { useFolder("here"); }
    void TearDown() override
    {
        StyleManager::releaseStyleManagerInstance();
        CustomStyleSheet::loadCustomStylesFromDirectory("");
    }

    // A fresh style manager whose custom sheets come from the folder, as on another machine.
    void useFolder(const std::string& name)
    {
        StyleManager::releaseStyleManagerInstance();
        std::filesystem::create_directories(_root.file(name));
        CustomStyleSheet::loadCustomStylesFromDirectory(_root.file(name));
    }
    std::string styleFile(const std::string& folder, const std::string& key) const
    {
        return _root.file(folder) + "/" + key + "." + CustomStyleSheet::FileExtension;
    }

    std::shared_ptr<CustomStyleSheet> registeredSheet(const std::string& key)
    {
        auto sheet = std::make_shared<CustomStyleSheet>();
        sheet->setStyleKeyName(key);
        sheet->setTimestamp(CustomStyleSheet::parseTimestamp("2022-05-04+10:20:30"));
        sheet->customColors().addFillColor(Color::rgb255(200, 10, 10), Color::rgb255(100, 5, 5));
        EXPECT_TRUE(sheet->registerWithFileName(styleFile("here", key)));
        return sheet;
    }

    TempDir _root;
};

TEST_F(TwkxInlineStyleSheet, ACustomSheetTravelsWithTheDocumentAndIsRegisteredWhereItIsRead)
{
    MindMap map;
    map.newMindMap("", true, std::string("Theme"));
    map.setStyleSheet(registeredSheet("Travelling"));
    const std::string document = writeDocument(map);
    const size_t sheetAt = document.find("    <stylesheet>\n      <general description=\"Travelling\"");
    ASSERT_NE(sheetAt, std::string::npos) << document;
    EXPECT_LT(document.find("<relations"), sheetAt);
    EXPECT_TRUE(document.ends_with("    </stylesheet>\n  </mindmap>\n</tarnwick-mindmaps>\n"));

    useFolder("elsewhere");
    MindMap opened;
    ASSERT_TRUE(loadDocument(opened, document));
    ASSERT_NE(opened.styleSheet(), nullptr);
    EXPECT_TRUE(opened.styleSheet()->isCustomStyle());
    EXPECT_EQ(opened.styleSheet()->styleKeyName(), "Travelling");
    EXPECT_EQ(StyleManager::styleManager().getStyleOnKey("Travelling", false).get(), opened.styleSheet());
    EXPECT_TRUE(std::filesystem::exists(styleFile("elsewhere", "Travelling")));
    EXPECT_EQ(writeDocument(opened), document);
}

TEST_F(TwkxInlineStyleSheet, ACarriedSheetThatCannotBeRegisteredLeavesTheKeyToDecide)
{
    // A built-in key in the carried sheet: registration gives nothing, and the key of "style",
    // unknown here, falls back to the default sheet.
    const std::string document =
        documentWith("<topic id=\"0\" parent=\"-1\" x=\"0\" y=\"0\" text=\"T\"/>", "", "<style key=\"Missing\"/>");
    const std::string withSheet = document.substr(0, document.find("</mindmap>")) +
        "<stylesheet><general description=\"system.gold-palette\"/></stylesheet></mindmap>\n</tarnwick-mindmaps>\n";
    MindMap map;
    ASSERT_TRUE(loadDocument(map, withSheet));
    EXPECT_EQ(map.styleSheet(), StyleManager::styleManager().defaultStyle().get());
}

} // namespace
