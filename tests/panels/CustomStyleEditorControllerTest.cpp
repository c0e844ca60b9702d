// The custom style editor without its window: palette, arrangement, commit, names and closing.

#include "panels/CustomStyleEditorController.h"
#include "MindMaps/CustomColorScheme.h"
#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleManager.h"
#include "Utils/StringUtils.h"
#include "explorers/ExplorerText.h"
#include "formats/NativeStyleFileFormat.h"
#include "platform/Localizer.h"
#include "support/LongUserTexts.h"
#include "support/ScriptedAlertPanel.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <filesystem>

namespace {

class ScriptedHost : public CustomStyleEditorHost {
public:
    void showError(const std::string& message) override { errors.push_back(message); }
    std::optional<std::string> askStyleName(const std::string& rejection) override
    {
        rejections.push_back(rejection);
        if (names.empty()) return std::nullopt;
        auto name = names.front();
        names.pop_front();
        return name;
    }
    bool askSaveChanges() override
    {
        ++saveQuestions;
        return saveAnswer;
    }
    void closeWindow() override { ++closes; }
    void previewChanged() override {}
    void controlsChanged() override {}

    std::vector<std::string> errors;
    std::deque<std::optional<std::string>> names;
    std::vector<std::string> rejections;
    int saveQuestions = 0;
    bool saveAnswer = false;
    int closes = 0;
};

std::shared_ptr<CustomStyleSheet> sheetWithPalette(size_t colours)
{
    auto sheet = std::make_shared<CustomStyleSheet>();
    for (size_t i = 0; i < colours; ++i)
        sheet->customColors().addFillColor(Color(0.1 * double(i), 0.2, 0.3), Color::black());
    return sheet;
}

class CustomStyleEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StyleFileFormat::install(&styleFiles);
        editor.setPreviewSize({500, 400});
    }
    void TearDown() override
    {
        StyleManager::releaseStyleManagerInstance();
        StyleFileFormat::install(nullptr);
    }

    NativeStyleFileFormat styleFiles;

    // The angle of an entry's centre round the root, in degrees, y counted upward.
    double angleOf(size_t i) const
    {
        const Point root = editor.entries()[0]->center();
        const Point p = editor.entries()[i]->center();
        return std::atan2(-(p.y - root.y), p.x - root.x) * 180 / M_PI;
    }

    TempDir documents;
    ScriptedHost host;
    CustomStyleEditorController editor{host, documents.path()};
};

} // namespace

TEST_F(CustomStyleEditorTest, AShortPaletteLoadsAsTwoEntriesAndCountsAsUnchanged)
{
    for (size_t colours : {0u, 1u}) {
        CustomStyleEditorController fresh(host, documents.path());
        fresh.loadStyle(sheetWithPalette(colours));
        EXPECT_EQ(fresh.entries().size(), 2u);
        EXPECT_FALSE(fresh.isModified());
        EXPECT_EQ(fresh.selectedEntry(), fresh.entries().back().get());
    }
}

TEST_F(CustomStyleEditorTest, EntriesGoClockwiseRoundTheRootFromMinusThirtyDegrees)
{
    editor.loadStyle(sheetWithPalette(5));
    const double expected[] = {-30, -120, -210 + 360, -300 + 360};
    for (size_t i = 1; i < 5; ++i) EXPECT_NEAR(angleOf(i), expected[i - 1], 1e-3) << i;
    const Point root = editor.entries()[0]->center();
    EXPECT_EQ(root, (Point{250, 200}));
    const Point p = editor.entries()[1]->center();
    EXPECT_NEAR(std::hypot(p.x - root.x, p.y - root.y), (500 - 100) / 2.0, 1e-3);
    EXPECT_GT(p.y, root.y) << "the first entry sits below the root's right-hand side";

    CustomStyleEditorController pair(host, documents.path());
    pair.setPreviewSize({500, 400});
    pair.loadStyle(sheetWithPalette(2));
    const Point second = pair.entries()[1]->center();
    EXPECT_NEAR(std::atan2(-(second.y - 200), second.x - 250) * 180 / M_PI, -30, 1e-3);
    EXPECT_EQ(pair.entries()[1]->label(), "2");
}

TEST_F(CustomStyleEditorTest, MovesWrapRoundAndDeletingTheRootSelectsTheLast)
{
    editor.loadStyle(sheetWithPalette(3));
    auto* first = editor.entries()[0].get();
    auto* second = editor.entries()[1].get();
    auto* last = editor.entries()[2].get();

    editor.selectEntry(last);
    editor.moveEntryUp();
    EXPECT_EQ(editor.entries()[0].get(), last);
    EXPECT_EQ(editor.entries()[2].get(), first);
    editor.selectEntry(last); // now entry 0
    editor.moveEntryDown();
    EXPECT_EQ(editor.entries()[0].get(), first);
    EXPECT_EQ(editor.entries()[2].get(), last);
    EXPECT_TRUE(editor.isModified());

    editor.selectEntry(first);
    editor.deleteEntry();
    ASSERT_EQ(editor.entries().size(), 2u);
    EXPECT_EQ(editor.getRootEntry(), second);
    EXPECT_EQ(editor.selectedEntry(), last);
    EXPECT_TRUE(last->isSelected());
    EXPECT_EQ(last->borderWidth(), 5.0);
    EXPECT_EQ(second->borderWidth(), 2.0);

    editor.deleteEntry();
    EXPECT_EQ(editor.entries().size(), 2u);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0], localized("palette_color_dialog_two_palette_colors_required"));

    editor.selectEntry(nullptr);
    editor.moveEntryUp();
    EXPECT_EQ(host.errors.back(), localized("palette_color_dialog_no_color_selected_error"));
}

TEST_F(CustomStyleEditorTest, CommitWritesTheMasksPaletteAndShadow)
{
    editor.loadStyle(sheetWithPalette(2));
    editor.addEntry();
    auto& c = editor.controls();
    c.borderStyle = 5;
    c.parent.lineStyle = 4;
    c.parent.colorBox = false;
    c.cross.colorBox = true;
    c.cross.color = Color(1, 0, 0);
    c.shadowWell = Color(0.2, 0.4, 0.6, 1.0);

    for (bool shadows : {false, true}) {
        c.enableShadow = shadows;
        editor.shadowColorSelected();
        EXPECT_EQ(editor.previewBackground().shadowColor.has_value(), shadows);
        editor.commitToStyle();
        const CustomStyleSheet& style = *editor.customStyle();
        EXPECT_EQ(style.customColors().shadowColor().has_value(), shadows);
        if (shadows) {
            EXPECT_EQ(style.customColors().shadowColor()->alpha(), 0.3);
            EXPECT_EQ(editor.entries()[0]->shadowColor()->alpha(), 0.3);
            EXPECT_EQ(c.shadowWell.alpha(), 1.0) << "the well stays opaque";
        }
        EXPECT_EQ(style.customColors().paletteCount(), 3u);
        EXPECT_EQ(style.nodeStyle()->customizedProps(), 68u);
        EXPECT_EQ(style.nodeStyle()->borderStyle(), 5);
        EXPECT_EQ(style.parentRelationStyle()->customizedProps(), 15u);
        EXPECT_EQ(style.parentRelationStyle()->lineStyle(), 4);
        EXPECT_EQ(style.crossLinkStyle()->customizedProps(), 15u | RelationStyle::ColorMask);
    }
}

TEST_F(CustomStyleEditorTest, SaveOnABuiltInAsksForAFreeNameInEveryUnicodeForm)
{
    const std::shared_ptr<StyleSheet> builtIn = StyleManager::styleManager().getStyleAtIndex(0);
    const std::string builtInKey = builtIn->styleKeyName();
    // Written in composed form; asked for in decomposed form below.
    writeTestFile(documents.file("Caf\xC3\xA9.twkstyle"), "");
    editor.loadStyle(builtIn);
    editor.addEntry();
    host.names = {"  ", "a/b", builtInKey, std::string("Cafe\xCC\x81"), std::string(" My style\n")};

    EXPECT_TRUE(editor.saveStyle()) << (host.errors.empty() ? "" : host.errors.back());
    const std::vector<std::string> expected{
        "",
        localized("db_upload_empty_filename_error"),
        localized("db_upload_invalid_filename_error"),
        formatText(objectPlaceholders(localized("custom_style_already_exists")), {builtInKey}),
        formatText(objectPlaceholders(localized("custom_style_already_exists")), {"Cafe\xCC\x81"}),
    };
    EXPECT_EQ(host.rejections, expected);
    EXPECT_NE(host.rejections[3].find(builtInKey), std::string::npos) << "the name fills the placeholder";
    EXPECT_TRUE(std::filesystem::exists(documents.file("My style.twkstyle")));
    EXPECT_NE(StyleManager::styleManager().indexOfStyleKey("My style"), -1);
    EXPECT_FALSE(editor.isModified());
    EXPECT_FALSE(builtIn->isCustomStyle());
    EXPECT_EQ(StyleManager::styleManager().getStyleAtIndex(0), builtIn);

    // A cancelled prompt leaves the style unsaved.
    CustomStyleEditorController other(host, documents.path());
    other.loadStyle(builtIn);
    other.addEntry();
    EXPECT_FALSE(other.saveStyleAs());
    EXPECT_TRUE(other.isModified());
}

TEST_F(CustomStyleEditorTest, RemovalOfTheEditedSheetClosesWithoutAQuestion)
{
    auto sheet = sheetWithPalette(3);
    StyleManager::styleManager().registerStyle(sheet);
    editor.loadStyle(sheet);
    editor.addEntry();
    ASSERT_TRUE(editor.isModified());
    StyleManager::styleManager().unregisterStyle(sheet.get());
    EXPECT_EQ(host.closes, 1);
    EXPECT_EQ(host.saveQuestions, 0);
    EXPECT_FALSE(editor.isModified());
    EXPECT_EQ(editor.customStyle(), nullptr);

    // An edited style is offered for saving before the window closes, and the window closes.
    editor.loadStyle(sheetWithPalette(2));
    editor.addEntry();
    EXPECT_TRUE(editor.windowShouldClose());
    EXPECT_EQ(host.saveQuestions, 1);
    EXPECT_FALSE(editor.isModified());
}

TEST_F(CustomStyleEditorTest, AFailedSaveKeepsTheEditedMarkAndSaysSo)
{
    auto sheet = sheetWithPalette(2);
    sheet->setFileName(documents.file("gone/Lost.twkstyle"));
    editor.loadStyle(sheet);
    editor.addEntry();
    EXPECT_FALSE(editor.saveStyle());
    EXPECT_TRUE(editor.isModified());
    EXPECT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.rejections.size(), 0u) << "a named style is saved without a prompt";
}

TEST(AlertingCustomStyleEditorHostTest, TheNamePromptShowsTheRejectionAndOnlyOkGivesAName)
{
    struct Host : AlertingCustomStyleEditorHost {
        void closeWindow() override {}
        void previewChanged() override {}
        void controlsChanged() override {}
    };
    ScriptedAlertPanel alerts;
    Host host;
    alerts.answers = {{AlertPanel::FirstButtonReturn, "Mine"}, {AlertPanel::FirstButtonReturn + 1, "Ignored"}};
    EXPECT_EQ(host.askStyleName(""), "Mine");
    EXPECT_EQ(host.askStyleName("Taken"), std::nullopt);
    ASSERT_EQ(alerts.requests.size(), 2u);
    EXPECT_EQ(alerts.requests[0].messageText, localized("style_sheet_name"));
    EXPECT_EQ(alerts.requests[0].informativeText, " ");
    EXPECT_EQ(alerts.requests[1].informativeText, " \nTaken");
    ASSERT_TRUE(alerts.requests[1].textField);
    EXPECT_EQ(alerts.requests[1].textField->text, "") << "every showing starts empty";

    alerts.answers = {{AlertPanel::FirstButtonReturn, ""}};
    EXPECT_TRUE(host.askSaveChanges());
    EXPECT_EQ(alerts.requests.back().buttons[0].title, localized("save_changes_title"));
    EXPECT_FALSE(host.askSaveChanges());
}

TEST_F(CustomStyleEditorTest, TheWindowTitleNamesALongStyleByItsStart)
{
    for (const longtexts::LongText& sample : longtexts::samples()) {
        SCOPED_TRACE(sample.what);
        auto sheet = sheetWithPalette(2);
        sheet->setStyleKeyName(sample.text);
        editor.loadStyle(sheet);
        longtexts::expectExcerpt(editor.title(), sample.text);
    }
}
