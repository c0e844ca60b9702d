#include "MindMaps/CustomStyleSheet.h"

#include "MindMaps/ColorUtils.h"
#include "MindMaps/CustomColorScheme.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/TextStyle.h"
#include "Utils/GregorianCalendar.h"
#include "formats/NativeStyleFileFormat.h"
#include "platform/NotificationCenter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Sheet = std::shared_ptr<CustomStyleSheet>;
using Timestamp = CustomStyleSheet::Timestamp;

const Color Red = Color::rgb255(200, 10, 10);
const Color DarkRed = Color::rgb255(100, 5, 5);
const Color Blue = Color::rgb255(10, 10, 200);
const Color DarkBlue = Color::rgb255(5, 5, 100);

Timestamp stamp(const char* text)
{
    const auto timestamp = CustomStyleSheet::parseTimestamp(text);
    EXPECT_TRUE(timestamp) << text;
    return timestamp.value_or(Timestamp());
}

Sheet makeSheet(const std::string& key, const Color& firstFill = Red)
{
    auto sheet = std::make_shared<CustomStyleSheet>();
    sheet->setStyleKeyName(key);
    sheet->customColors().addFillColor(firstFill, DarkRed);
    sheet->customColors().addFillColor(Blue, DarkBlue);
    return sheet;
}

// A style file of the given palette items and "general" attributes, written by hand.
std::string styleFile(const std::string& generalAttributes, const std::string& items = "",
                      const std::string& general = "")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE mindmap-colorscheme>\n<mindmap-colorscheme>"
           "<general " +
        generalAttributes + ">" + general + "</general><palette>" + items + "</palette></mindmap-colorscheme>";
}

const std::string TwoItems =
    "<item><fill-color r=\"255\" g=\"0\" b=\"0\"/><stroke-color r=\"0\" g=\"0\" b=\"0\"/></item>"
    "<item><fill-color r=\"0\" g=\"0\" b=\"255\"/><stroke-color r=\"0\" g=\"0\" b=\"0\"/></item>";

struct NotificationRecorder {
    std::vector<std::pair<std::string, const void*>> seen;
    std::vector<ObservationToken> tokens;

    NotificationRecorder()
    {
        for (const char* name : {StyleManager::StyleSheetChangedNotification, StyleManager::StyleSheetAddedNotification,
                                 StyleManager::StyleSheetRemovedNotification}) {
            tokens.push_back(NotificationCenter::defaultCenter().addObserver(
                name, nullptr, [this](const Notification& note) { seen.emplace_back(note.name, note.object); }));
        }
    }
    bool saw(const char* name, const void* object) const
    {
        return std::find(seen.begin(), seen.end(), std::make_pair(std::string(name), object)) != seen.end();
    }
};

// Every test starts with a fresh style manager and an empty custom styles folder.
class CustomStyleSheetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StyleManager::releaseStyleManagerInstance();
        fs::create_directories(folder());
        CustomStyleSheet::loadCustomStylesFromDirectory(folder());
    }
    void TearDown() override
    {
        StyleManager::releaseStyleManagerInstance();
        CustomStyleSheet::loadCustomStylesFromDirectory("");
    }

    std::string folder() const { return _root.file("styles"); }
    std::string styleFilePath(const std::string& key) const { return folder() + "/" + key + ".twkstyle"; }
    std::vector<std::string> filesInFolder() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder())) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> customKeys() const
    {
        std::vector<std::string> keys;
        for (const auto& sheet : StyleManager::styleManager().styleSheets()) {
            if (sheet->isCustomStyle()) keys.push_back(sheet->styleKeyName());
        }
        return keys;
    }

    TempDir _root;
};

// ---- The file ----

TEST_F(CustomStyleSheetTest, FileHasMarkDoctypeAndItsElementsInOrder)
{
    Sheet sheet = makeSheet("Written");
    sheet->setTimestamp(stamp("2019-03-07+09:05:00"));
    sheet->customColors().setIsLevelBased(true);
    sheet->setBorderStyle(3);
    sheet->setLineStyle(2);
    sheet->customColors().setShadowColor(std::nullopt);
    sheet->setFileName(styleFilePath("Written"));
    ASSERT_TRUE(sheet->saveToFile());

    const std::string text = readTestFile(styleFilePath("Written"));
    ASSERT_GE(text.size(), 3u);
    EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(text.find("encoding=\"UTF-8\""), std::string::npos);
    EXPECT_NE(text.find("<!DOCTYPE mindmap-colorscheme>"), std::string::npos);
    EXPECT_NE(text.find("\n  <general"), std::string::npos) << "pretty printed";

    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(text.c_str() + 3));
    pugi::xml_node root = document.document_element();
    EXPECT_STREQ(root.name(), "mindmap-colorscheme");
    std::vector<std::string> children, attributes, generalChildren;
    for (pugi::xml_node child : root.children()) children.push_back(child.name());
    for (pugi::xml_attribute attribute : root.child("general").attributes()) attributes.push_back(attribute.name());
    for (pugi::xml_node child : root.child("general").children()) generalChildren.push_back(child.name());
    EXPECT_EQ(children, (std::vector<std::string>{"general", "style", "palette"}));
    EXPECT_EQ(attributes,
              (std::vector<std::string>{"description", "timestamp", "levelbased", "borderstyle", "penstyle"}));
    EXPECT_EQ(generalChildren, (std::vector<std::string>{"bkgnd-color", "font-color", "shadow-color"}));
    EXPECT_STREQ(root.child("general").attribute("timestamp").value(), "2019-03-07+09:05:00");
    EXPECT_STREQ(root.child("general").attribute("levelbased").value(), "true");
    EXPECT_STREQ(root.child("general").child("shadow-color").attribute("none").value(), "true");
    pugi::xml_node item = root.child("palette").child("item");
    EXPECT_STREQ(item.child("fill-color").attribute("r").value(), "200");
}

TEST_F(CustomStyleSheetTest, SheetSurvivesItsFile)
{
    Sheet sheet = makeSheet("Round");
    sheet->setTimestamp(stamp("2021-12-31+23:59:58"));
    sheet->setBorderStyle(5);
    sheet->setLineStyle(9);
    sheet->customColors().setBackgroundColor(Color::rgb255(1, 2, 3));
    sheet->customColors().setFontColor(Color::rgb255(4, 5, 6));
    sheet->customColors().setShadowColor(Color::rgb255(76, 76, 76));
    sheet->setConnectionStyle(2);
    sheet->setPropCustomized(MindMapStyle::ConnectionStyleMask, true);
    sheet->setFileName(styleFilePath("Round"));
    ASSERT_TRUE(sheet->saveToFile());

    CustomStyleSheet loaded(styleFilePath("Round"));
    EXPECT_EQ(loaded.styleKeyName(), "Round");
    EXPECT_EQ(loaded.timestamp(), sheet->timestamp());
    EXPECT_EQ(loaded.nodeStyle()->borderStyle(), 5);
    EXPECT_EQ(loaded.lineStyle(), 9);
    EXPECT_EQ(loaded.customColors().backgroundColor(), Color::rgb255(1, 2, 3));
    EXPECT_EQ(loaded.textStyle()->textColor(), Color::rgb255(4, 5, 6));
    EXPECT_EQ(loaded.customColors().shadowColor(), Color::rgb255(76, 76, 76, 0.3));
    EXPECT_EQ(loaded.connectionStyle(), 2);
    EXPECT_TRUE(loaded.isPropCustomized(MindMapStyle::ConnectionStyleMask));
    EXPECT_EQ(loaded.customColors().fillColors(), (std::vector<Color>{Red, Blue}));
    EXPECT_EQ(loaded.customColors().strokeColors(), (std::vector<Color>{DarkRed, DarkBlue}));
}

TEST_F(CustomStyleSheetTest, TimestampsOfTheRightFormOnly)
{
    const auto parsed = CustomStyleSheet::parseTimestamp("2019-03-07+09:05:00");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(GregorianCalendar().components(*parsed), (DateComponents{2019, 3, 7, 9, 5, 0}));
    EXPECT_EQ(CustomStyleSheet::formatTimestamp(*parsed), "2019-03-07+09:05:00");
    for (const char* text : {"", "2019-03-07+09:05", "2019-03-07+09:05:00+01", "2019-03-07+09:05:xx",
                             "-2019-03-07+09:05:00", "99999999999-03-07+09:05:00"}) {
        EXPECT_FALSE(CustomStyleSheet::parseTimestamp(text)) << text;
    }
}

TEST_F(CustomStyleSheetTest, ReadingGeneralAndPaletteDetails)
{
    writeTestFile(styleFilePath("My Style"),
                  styleFile("description=\"Another Name\" borderstyle=\"SBSNONE\" penstyle=\"no-such-pen\"",
                            "<item><fill-color r=\"255\" g=\"255\" b=\"255\"/></item>"
                            "<item><stroke-color r=\"1\" g=\"1\" b=\"1\"/></item>"
                            "<item><fill-color r=\"0\" g=\"0\" b=\"0\"/><stroke-color r=\"9\" g=\"9\" b=\"9\"/></item>",
                            "<shadow-color none=\"true\"/>"));
    CustomStyleSheet cleared;
    cleared.clear();
    CustomStyleSheet sheet(styleFilePath("My Style"));
    EXPECT_EQ(sheet.styleKeyName(), "My Style") << "the file name wins over \"description\"";
    EXPECT_EQ(sheet.nodeStyle()->borderStyle(), 7) << "names compare ignoring case";
    EXPECT_EQ(sheet.lineStyle(), cleared.lineStyle()) << "an unknown pen leaves the line style";
    EXPECT_FALSE(sheet.customColors().shadowColor());
    EXPECT_EQ(sheet.customColors().fillColors(),
              (std::vector<Color>{Color::rgb255(255, 255, 255), Color::rgb255(0, 0, 0)}))
        << "an item without fill is skipped";
    ASSERT_EQ(sheet.customColors().strokeColors().size(), 2u);
    EXPECT_EQ(sheet.customColors().strokeColors()[0], Color(0.5, 0.5, 0.5)) << "a missing stroke is derived";
    EXPECT_EQ(sheet.customColors().strokeColors()[1], Color::rgb255(9, 9, 9));
    EXPECT_EQ(sheet.customColors().backgroundColor(), normalizedWhiteColor());
    EXPECT_EQ(sheet.customColors().fontColor(), normalizedBlackColor());
}

TEST_F(CustomStyleSheetTest, BadFilesLeaveTheSheetClearedUnnamedAndUnregistered)
{
    const std::string valid = styleFile("description=\"x\" timestamp=\"2019-03-07+09:05:00\"", TwoItems);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"garbage", "\x01\x02 not xml at all <<<"},
        {"truncated", valid.substr(0, valid.size() / 2)},
        {"foreign", "<?xml version=\"1.0\"?><tarnwick-mindmaps><mindmap/></tarnwick-mindmaps>"},
    };
    for (const auto& [name, contents] : files) {
        SCOPED_TRACE(name);
        writeTestFile(styleFilePath(name), contents);
        CustomStyleSheet sheet(styleFilePath(name));
        EXPECT_FALSE(sheet.hasFileName());
        EXPECT_EQ(sheet.styleKeyName(), "");
        EXPECT_FALSE(sheet.timestamp());
        EXPECT_EQ(sheet.customColors().paletteCount(), 0u);
    }
    // A folder, a missing file and a file far too large to be a style file.
    fs::create_directories(styleFilePath("folder"));
    writeTestFile(styleFilePath("huge"), "<");
    fs::resize_file(styleFilePath("huge"), uintmax_t(64) << 20);
    for (const char* name : {"folder", "missing", "huge"}) {
        CustomStyleSheet sheet(styleFilePath(name));
        EXPECT_FALSE(sheet.hasFileName()) << name;
    }

    // A sheet that already has a file keeps it when a later load fails.
    Sheet named = makeSheet("Named");
    named->setFileName(styleFilePath("Named"));
    named->loadFromFile(styleFilePath("garbage"));
    EXPECT_EQ(named->fileName(), styleFilePath("Named"));
    EXPECT_EQ(named->customColors().paletteCount(), 0u);

    // None of them is registered when the folder is loaded.
    StyleManager::releaseStyleManagerInstance();
    CustomStyleSheet::loadCustomStylesFromDirectory(folder());
    EXPECT_TRUE(customKeys().empty());
}

// ---- Saving and registering ----

TEST_F(CustomStyleSheetTest, RegisterWithFileNameSavesRegistersAndRefusesTakenPaths)
{
    NotificationRecorder recorder;
    Sheet sheet = makeSheet("ignored");
    ASSERT_TRUE(sheet->registerWithFileName(styleFilePath("Fresh")));
    EXPECT_EQ(sheet->styleKeyName(), "Fresh");
    EXPECT_EQ(customKeys(), std::vector<std::string>{"Fresh"});
    EXPECT_TRUE(recorder.saw(StyleManager::StyleSheetAddedNotification, sheet.get()));
    EXPECT_TRUE(fs::is_regular_file(styleFilePath("Fresh")));
    EXPECT_FALSE(sheet->registerWithFileName(styleFilePath("Other"))) << "already has a file";

    writeTestFile(styleFilePath("Taken"), "keep me");
    Sheet second = makeSheet("Second");
    EXPECT_FALSE(second->registerWithFileName(styleFilePath("Taken")));
    EXPECT_FALSE(second->registerWithFileName(""));
    EXPECT_EQ(readTestFile(styleFilePath("Taken")), "keep me");
    // A failed write restores the name and key, so that a retry works.
    Error error;
    EXPECT_FALSE(second->registerWithFileName(folder() + "/missing-folder/New.twkstyle", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(second->hasFileName());
    EXPECT_EQ(second->styleKeyName(), "Second");
    EXPECT_EQ(customKeys(), std::vector<std::string>{"Fresh"});
    EXPECT_TRUE(second->registerWithFileName(styleFilePath("New")));
    EXPECT_EQ(customKeys(), (std::vector<std::string>{"Fresh", "New"}));
}

TEST_F(CustomStyleSheetTest, FailedSaveLeavesTheOldFileAsItWas)
{
    // No temporary file fits beside a name this long, so the write fails before touching it.
    const std::string key(246, 'k');
    const std::string path = styleFilePath(key);
    writeTestFile(path, "old contents");
    Sheet sheet = makeSheet("x");
    sheet->setFileName(path);
    NotificationRecorder recorder;
    EXPECT_FALSE(sheet->saveToFile());
    EXPECT_EQ(readTestFile(path), "old contents");
    EXPECT_TRUE(recorder.seen.empty());
    EXPECT_EQ(filesInFolder(), std::vector<std::string>{key + ".twkstyle"});
}

// ---- Loading a folder and importing ----

TEST_F(CustomStyleSheetTest, FolderLoadingRegistersValidStyleFilesAfterTheBuiltInSheets)
{
    writeTestFile(styleFilePath("b"), styleFile("", TwoItems));
    writeTestFile(styleFilePath("A"), styleFile("", TwoItems));
    writeTestFile(folder() + "/C.TWKSTYLE", styleFile("", TwoItems));
    writeTestFile(folder() + "/notes.txt", styleFile("", TwoItems));
    writeTestFile(folder() + "/d.twkstyle.bak", styleFile("", TwoItems));
    writeTestFile(styleFilePath("one-pair"), styleFile("", "<item><fill-color r=\"1\" g=\"2\" b=\"3\"/></item>"));
    writeTestFile(styleFilePath("system.gold-palette"), styleFile("", TwoItems));
    StyleManager::releaseStyleManagerInstance();
    CustomStyleSheet::loadCustomStylesFromDirectory(folder());

    const auto& sheets = StyleManager::styleManager().styleSheets();
    ASSERT_EQ(sheets.size(), 16u);
    EXPECT_FALSE(sheets[13]->isCustomStyle());
    EXPECT_EQ(customKeys(), (std::vector<std::string>{"A", "b"}));
    EXPECT_EQ(CustomStyleSheet::customStylesDirectory(), folder());
}

// ---- Sheets carried by documents ----

TEST_F(CustomStyleSheetTest, InlineKeysThatAreNoPlainFileNameAreRefusedAndWriteNothing)
{
    const fs::path parent = fs::path(folder()).parent_path();
    const auto before = std::distance(fs::directory_iterator(parent), fs::directory_iterator());
    for (const char* key : {"", "..", "../escaped", "a/b", "/absolute", "..\\up", "x:y", "star*", ".hidden"}) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(makeSheet(key)->registerInlineStyleSheet());
    }
    EXPECT_TRUE(filesInFolder().empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(parent), fs::directory_iterator()), before);
    EXPECT_TRUE(customKeys().empty());
}

TEST_F(CustomStyleSheetTest, InlineSheetNeverReplacesAFileItDoesNotOwn)
{
    writeTestFile(styleFilePath("Occupied"), "someone else's file");
    fs::create_symlink(_root.file("outside.txt"), styleFilePath("Dangling"));
    EXPECT_FALSE(makeSheet("Occupied")->registerInlineStyleSheet());
    EXPECT_FALSE(makeSheet("Dangling")->registerInlineStyleSheet());
    EXPECT_EQ(readTestFile(styleFilePath("Occupied")), "someone else's file");
    EXPECT_FALSE(fs::exists(_root.file("outside.txt")));
    EXPECT_TRUE(customKeys().empty());
    EXPECT_FALSE(makeSheet("system.gold-palette")->registerInlineStyleSheet()) << "built-in key";
}

TEST_F(CustomStyleSheetTest, InlineSheetMeetsARegisteredOneByTimestamp)
{
    struct Case {
        const char* name;
        std::optional<Timestamp> registered;
        std::optional<Timestamp> inlined;
        bool rewritten;
        bool answersInline;
    };
    const Case cases[] = {
        {"newer inline", stamp("2020-01-01+00:00:00"), stamp("2020-01-02+00:00:00"), true, false},
        {"older inline", stamp("2020-01-02+00:00:00"), stamp("2020-01-01+00:00:00"), false, false},
        {"inline without time", stamp("2020-01-02+00:00:00"), std::nullopt, false, false},
        {"registered without time", std::nullopt, stamp("2020-01-02+00:00:00"), false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StyleManager::releaseStyleManagerInstance();
        fs::remove(styleFilePath("Mine"));
        Sheet registered = makeSheet("Mine", Red);
        registered->setTimestamp(c.registered);
        ASSERT_TRUE(registered->registerWithFileName(styleFilePath("Mine")));
        const std::string fileBefore = readTestFile(styleFilePath("Mine"));

        Sheet inlineSheet = makeSheet("MINE", Color::rgb255(0, 128, 0));
        inlineSheet->setTimestamp(c.inlined);
        NotificationRecorder recorder;
        const std::shared_ptr<StyleSheet> answer = inlineSheet->registerInlineStyleSheet();
        EXPECT_EQ(answer,
                  c.answersInline ? std::shared_ptr<StyleSheet>(inlineSheet) : std::shared_ptr<StyleSheet>(registered));
        EXPECT_EQ(filesInFolder(), std::vector<std::string>{"Mine.twkstyle"}) << "only the registered file";
        EXPECT_EQ(customKeys(), std::vector<std::string>{"Mine"});
        EXPECT_EQ(registered->customColors().fillColors().front(), c.rewritten ? Color::rgb255(0, 128, 0) : Red);
        EXPECT_EQ(readTestFile(styleFilePath("Mine")) != fileBefore, c.rewritten);
        EXPECT_EQ(recorder.saw(StyleManager::StyleSheetChangedNotification, registered.get()), c.rewritten);
        if (c.rewritten) {
            EXPECT_EQ(registered->timestamp(), c.inlined);
        }
    }
}

TEST_F(CustomStyleSheetTest, DocumentElementCarriesOnlyCustomSheets)
{
    pugi::xml_document document;
    pugi::xml_node mindMap = document.append_child("mindmap");
    EXPECT_FALSE(writeInlineStyleSheet(StyleManager::styleManager().defaultStyle().get(), mindMap));
    EXPECT_FALSE(writeInlineStyleSheet(nullptr, mindMap));
    EXPECT_FALSE(mindMap.child("stylesheet"));
    EXPECT_FALSE(readInlineStyleSheet(mindMap));

    Sheet sheet = makeSheet("Carried", Color::rgb255(9, 99, 199));
    sheet->setTimestamp(stamp("2022-02-02+02:02:02"));
    ASSERT_TRUE(writeInlineStyleSheet(sheet.get(), mindMap));
    EXPECT_STREQ(mindMap.child("stylesheet").child("general").attribute("description").value(), "Carried");

    const std::shared_ptr<StyleSheet> read = readInlineStyleSheet(mindMap);
    ASSERT_TRUE(read);
    EXPECT_NE(read, sheet);
    EXPECT_EQ(read->styleKeyName(), "Carried");
    EXPECT_EQ(read->colorScheme()->fillColorAtIndex(0), Color::rgb255(9, 99, 199));
    EXPECT_TRUE(fs::exists(styleFilePath("Carried")));
    EXPECT_EQ(readInlineStyleSheet(mindMap), read) << "the registered sheet on the next opening";
}

} // namespace
