#include "FilerTestSupport.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/RecordingFeedbackSink.h"
#include "formats/MindMapConverter.h"
#include "formats/PlainTextImporter.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/Localizer.h"
#include "platform/Pasteboard.h"
#include "platform/UndoManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

using namespace filertest;

namespace {

std::string importedTree(std::string_view text)
{
    MindMap map;
    EXPECT_TRUE(readAs(map, text, MindMapReadFormat::PlainText)) << text;
    return treeOf(map);
}

// ---- Reading the outline ----

struct ImportCase {
    const char* name;
    std::string_view text;
    std::string tree; // "#" stands for the central theme a flat list is gathered under

    friend void PrintTo(const ImportCase& value, std::ostream* out) { *out << value.name; }
};

class PlainTextImport : public ::testing::TestWithParam<ImportCase> {};

TEST_P(PlainTextImport, GivesTheTree)
{
    std::string expected = GetParam().tree;
    if (expected.starts_with('#')) expected.replace(0, 1, localized("import_text_central_theme_title"));
    EXPECT_EQ(importedTree(GetParam().text), expected);
    // Bytes handed over give the same tree, and are let go of.
    MindMap map;
    MindMapData handed = bytes(GetParam().text);
    EXPECT_TRUE(map.importWithImporter([&] { return MindMapConverter::importFromText(map, std::move(handed)); }, ""));
    EXPECT_EQ(treeOf(map), expected);
    EXPECT_EQ(handed.capacity(), 0u);
    // Once its children are made, no topic keeps room in its list for more.
    for (const MindMapNode* node : map.nodes())
        EXPECT_EQ(node->children().capacity(), node->childCount()) << node->text();
}

INSTANTIATE_TEST_SUITE_P(
    Outlines, PlainTextImport,
    ::testing::Values(ImportCase{"DeeperByTwoTabsIsOneLevel", "A\n\t\tB\n\tC", "A\n  B\n  C\n"},
                      ImportCase{"TwoTopLinesGetACentralTheme", "A\nB", "#\n  A\n  B\n"},
                      ImportCase{"ShallowerLineFindsItsLevel", "A\n\tB\n\t\tC\n\t\t\tD\n\tE\n\t\tF",
                                 "A\n  B\n    C\n      D\n  E\n    F\n"},
                      ImportCase{"NoteBlockWithEmptyLine", "A\n\tB\n\t[\n\tfirst\n\t\n\tsecond\n\t]\n\tC",
                                 "A\n  B | first//second\n  C\n"},
                      ImportCase{"UnclosedBracketIsATopic", "A\n\t[", "A\n  [\n"},
                      ImportCase{"AnyLineEndCounts", "A\r\n\tB\r\tC\xE2\x80\xA8\tD", "A\n  B\n  C\n  D\n"},
                      ImportCase{"LeadingEmptyLines", "\n\nA\n\tB", "A\n  B\n"},
                      ImportCase{"NoteBlockEndsTheText", "A\n\tB\n\t[\n\tnote\n\t]", "A\n  B | note\n"},
                      ImportCase{"NoteBlockThenLineEnd", "A\n\tB\n\t[\n\tnote\n\t]\n", "A\n  B | note\n"},
                      ImportCase{"BracketLineInsideANote", "A\n[\n[\nx\n]\n]", "#\n  A | [/x\n  ]\n"},
                      ImportCase{"ClosingAtAnotherDepthIsATopic", "A\n\t[\n\t\tx\n\t]", "A\n  [\n    x\n  ]\n"},
                      ImportCase{"TwoNoteBlocksInARow", "A\n\tB\n\t[\n\tx\n\t]\n\t[\n\ty\n\t]\n\tC",
                                 "A\n  B | y\n  C\n"},
                      ImportCase{"EmptyNoteBlock", "A\n\tB\n\t[\n\t]\n\tC", "A\n  B\n  C\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Text encodings ----

struct EncodingCase {
    const char* name;
    std::string_view data;
    std::string tree;

    friend void PrintTo(const EncodingCase& value, std::ostream* out) { *out << value.name; }
};

class PlainTextEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(PlainTextEncoding, IsReadAndTheMarkNeverReachesATopic)
{
    EXPECT_EQ(importedTree(GetParam().data), GetParam().tree);
}

using namespace std::string_view_literals;

INSTANTIATE_TEST_SUITE_P(
    Encodings, PlainTextEncoding,
    ::testing::Values(EncodingCase{"Utf8WithMark", "\xEF\xBB\xBF\xC3\x84rger\n\tB", "\xC3\x84rger\n  B\n"},
                      EncodingCase{"Utf16LittleEndian",
                                   "\xFF\xFE"
                                   "A\0\n\0\t\0\xAC\x20"sv,
                                   "A\n  \xE2\x82\xAC\n"},
                      EncodingCase{"Utf16BigEndian", "\xFE\xFF\0A\0\n\0\t\x20\xAC"sv, "A\n  \xE2\x82\xAC\n"},
                      EncodingCase{"Windows1252", "Caf\xE9\n\t\x80 \x93quoted\x94",
                                   "Caf\xC3\xA9\n  \xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D\n"},
                      // One stray byte must not turn every other character into Windows-1252 look-alikes.
                      EncodingCase{"Utf8WithAStrayByte", "\xC3\x84rger \xE2\x82\xAC\n\tB\xE9",
                                   "\xC3\x84rger \xE2\x82\xAC\n  B\xEF\xBF\xBD\n"}),
    [](const auto& info) { return std::string(info.param.name); });

class PlainTextUndetectable : public ::testing::TestWithParam<std::string_view> {};

TEST_P(PlainTextUndetectable, FailsAndLeavesTheMapEmpty)
{
    MindMap map;
    Error error;
    EXPECT_FALSE(readAs(map, GetParam(), MindMapReadFormat::PlainText, &error));
    EXPECT_TRUE(map.isEmpty());
    EXPECT_FALSE(map.enabled());
    // Nothing at all is no text to explain; anything else is told apart from a readable text.
    if (GetParam().empty()) EXPECT_TRUE(error.isEmpty());
    else EXPECT_EQ(error.failureReason, localized("map_import_text_encoding_reason"));
    // Bytes handed over are refused alike.
    MindMap handedMap;
    Error handedError;
    PlainTextImporter importer(handedMap);
    EXPECT_FALSE(importer.importMindMapFromData(bytes(GetParam()), &handedError));
    EXPECT_EQ(handedError.failureReason, error.failureReason);
    EXPECT_TRUE(handedMap.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(BadText, PlainTextUndetectable,
                         ::testing::Values(""sv,              // nothing at all
                                           "A\x81\x8D\x8F"sv, // neither UTF-8 nor Windows-1252
                                           "A\0B"sv,          // binary
                                           "\xFF\xFE"
                                           "A\0B"sv, // UTF-16 cut inside a unit
                                           "\xFF\xFE\x00\xD8"
                                           "A\0"sv)); // a lone surrogate

TEST(PlainTextImportBadInput, MapWithTopicsIsRefused)
{
    MindMap map;
    buildMap(map, "Existing");
    PlainTextImporter importer(map);
    EXPECT_FALSE(importer.importMindMapFromData(bytes("A\nB")));
    EXPECT_EQ(treeOf(map), "Existing\n");
}

// Each "[" that never closes used to be scanned to the end of its run: thousands of them made the
// import quadratic. They stay topics, and a note block of many lines is read whole.
TEST(PlainTextImportBadInput, UnclosedBracketsAndLongNotes)
{
    ScopedFakeMeasurer measurer;
    std::string text = "A\n\tS\n";
    for (int i = 0; i < 40000; ++i) text += "\t\t[\n";
    text += "B\n[\n";
    for (int i = 0; i < 100000; ++i) text += "a note line of some length\n";
    text += "]\n";
    MindMap map;
    ASSERT_TRUE(readAs(map, text, MindMapReadFormat::PlainText));
    ASSERT_EQ(map.nodes().size(), 40003u);
    ASSERT_EQ(map.centralThemes().size(), 2u);
    EXPECT_EQ(map.centralThemes().front()->children().front()->childCount(), 40000u);
    const MindMapNode* b = map.centralThemes().back();
    EXPECT_EQ(b->text(), "B");
    EXPECT_EQ(b->note().size(), 100000u * 27 - 1);
}

// A large text is let go of as its lines are read: every line, the lines of note blocks across
// the steps in which it is let go of included, still reaches its topic whole.
TEST(PlainTextImportLarge, EveryLineReachesItsTopicWhole)
{
    const struct {
        const char* name;
        size_t topics;
        size_t noteEvery; // 0: no notes
        size_t noteLines;
    } cases[] = {
        {"topics only", 90000, 0, 0},
        {"long notes", 30000, 7000, 40000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedFakeMeasurer measurer;
        std::string text = "Root\n";
        std::vector<std::string> notes(c.topics);
        for (size_t i = 0; i < c.topics; ++i) {
            text += "\ttopic " + std::to_string(i) + " of the large outline\n";
            if (c.noteEvery == 0 || i % c.noteEvery != 0) continue;
            text += "\t[\n";
            for (size_t j = 0; j < c.noteLines; ++j) {
                const std::string line = "note " + std::to_string(i) + " line " + std::to_string(j);
                text += "\t" + line + "\n";
                notes[i] += (j > 0 ? "\n" : "") + line;
            }
            text += "\t]\n";
        }
        ASSERT_GT(text.size(), 2u * 1024 * 1024);
        MindMap map;
        ASSERT_TRUE(readAs(map, text, MindMapReadFormat::PlainText));
        ASSERT_EQ(map.centralThemes().size(), 1u);
        const MindMapNode* root = map.centralThemes().front();
        EXPECT_EQ(root->text(), "Root");
        ASSERT_EQ(root->childCount(), c.topics);
        size_t wrong = 0;
        for (size_t i = 0; i < c.topics; ++i) {
            const MindMapNode* topic = root->children()[i];
            // The default wrap may break a text into lines: compared without its breaks.
            std::string topicText = topic->text();
            std::replace(topicText.begin(), topicText.end(), '\n', ' ');
            if ((topicText != "topic " + std::to_string(i) + " of the large outline" || topic->note() != notes[i]) &&
                ++wrong < 4)
                ADD_FAILURE() << "topic " << i << ": " << topicText;
        }
        EXPECT_EQ(wrong, 0u);
    }
}

// ---- Writing the outline ----

TEST(PlainTextExport, WritesLevelsTextsAndNoteBlocks)
{
    MindMap map;
    buildMap(map, "A | one//three\n  B\n    C | x\n  two/lines\n");
    EXPECT_EQ(withoutBom(MindMapConverter::exportToText(map, false)),
              "A\n[\none\n\nthree\n]\n\tB\n\t\tC\n\t\t[\n\t\tx\n\t\t]\n\ttwo lines\n");
}

TEST(PlainTextRoundTrip, KeepsTreeTextsAndNotes)
{
    MindMap map;
    const std::string tree =
        "Plan \xE2\x82\xAC\n  Budget | line one/line two/ /line four\n    Q1\n    Q2\n  Team\n    Ann | only\n";
    buildMap(map, tree);
    MindMap again;
    ASSERT_TRUE(readAs(again, textOf(MindMapConverter::exportToText(map, false)), MindMapReadFormat::PlainText));
    // An empty note line survives as the indent alone; a line of blanks comes back empty.
    EXPECT_EQ(treeOf(again),
              "Plan \xE2\x82\xAC\n  Budget | line one/line two//line four\n    Q1\n    Q2\n  Team\n    Ann | only\n");
}

// ---- Pasting text as a list ----

class PasteTextAsList : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerNativeFormat();
        nodes = buildMap(map, "T\n  Free\n  Busy\n    Child\n");
        map.setEnabled(true);
    }
    void paste(const std::string& text)
    {
        pasteboard.declareTypes({Pasteboard::StringType});
        pasteboard.setString(text, Pasteboard::StringType);
        MindMapConverter::pasteTextAsList(map, pasteboard);
    }

    MindMap map;
    MemoryPasteboard pasteboard;
    std::vector<MindMapNode*> nodes;
};

TEST_F(PasteTextAsList, AddsChildrenSelectsThemAndArrangesAFreeTopic)
{
    // Of several selected topics the primary one takes the paste.
    map.setSelectedElement(nodes[1]);
    map.toggleSelection(nodes[2], false);
    paste("one\ntwo\n\tthree");
    EXPECT_EQ(treeOf(map), "T\n  Free\n    one\n    two\n      three\n  Busy\n    Child\n");
    ASSERT_EQ(map.selection().size(), 3u);
    EXPECT_EQ(static_cast<MindMapNode*>(map.selection()[0])->text(), "one");
    EXPECT_EQ(static_cast<MindMapNode*>(map.selection()[2])->text(), "three");
    EXPECT_EQ(nodes[1]->layoutMode(), 0);
    ASSERT_NE(map.undoManager(), nullptr);
    EXPECT_TRUE(map.undoManager()->canUndo());
    EXPECT_EQ(map.undoManager()->undoActionName(), localized("action_paste_text_as_list"));
}

// Pasted text is bounded as an imported file is: beyond either limit nothing is added and the
// user is told the limit.
TEST_F(PasteTextAsList, TextBeyondTheLimitsIsRefusedWithTheLimit)
{
    const std::string before = treeOf(map);
    std::string manyLines;
    for (size_t i = 0; i <= PlainTextImporter::MaximumLineCount; ++i) manyLines += "a\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {std::string(PlainTextImporter::MaximumTextSize + 1, 'x'),
         localizedFormat("map_import_text_too_large_reason", {"20.1 MB", "20.0 MB"})},
        {manyLines, localizedFormat("map_import_text_too_many_lines_reason", {"800001", "800000"})},
    };
    for (const auto& [text, reason] : cases) {
        RecordingFeedbackSink feedback;
        map.setSelectedElement(nodes[1]);
        paste(text);
        EXPECT_EQ(treeOf(map), before);
        ASSERT_EQ(feedback.notifications.size(), 1u);
        EXPECT_EQ(feedback.notifications[0].state, FeedbackStateError);
        EXPECT_EQ(feedback.notifications[0].message, reason);
    }
}

TEST_F(PasteTextAsList, DoesNothingWithoutTextOrSingleTopic)
{
    const std::string before = treeOf(map);
    map.setSelectedElement(nodes[1]);
    paste("");
    pasteboard.declareTypes({"image/png"});
    MindMapConverter::pasteTextAsList(map, pasteboard);
    map.setSelectedElement(nullptr);
    paste("a\nb");
    map.setSelectedElement(nodes[1]);
    map.setReadOnly(true);
    paste("a\nb");
    EXPECT_EQ(treeOf(map), before);
    EXPECT_FALSE(map.undoManager()->canUndo());
}

} // namespace
