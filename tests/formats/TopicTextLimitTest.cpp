// New text longer than a topic may hold, on every road it comes in by: a text at the limit comes in
// whole and silently; a character more is cut to the limit (or the map refused) with a notice
// that gives the length and the limit. A stored map keeps whatever its topics hold.

#include "TwkxTestSupport.h"

#include "MindMaps/MindMapNode.h"
#include "MindMaps/TopicTextLimit.h"
#include "Utils/RecordingFeedbackSink.h"
#include "formats/DocumentLimits.h"
#include "formats/MindMapConverter.h"
#include "platform/Localizer.h"
#include "platform/Pasteboard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace twkxtest;

namespace {

constexpr size_t Limit = TopicTextLimit::MaximumCharacters;

// Two bytes a character: a limit counted in bytes would cut at half the characters.
std::string letters(size_t characters)
{
    std::string text;
    for (size_t i = 0; i < characters; ++i) text += "\xC3\xA9";
    return text;
}

std::string longestText(const MindMap& map)
{
    std::string longest;
    for (const MindMapNode* node : map.nodes())
        if (node->text().size() > longest.size()) longest = node->text();
    return longest;
}

std::string nativeDocument(const std::string& text)
{
    return documentWith("<topic id=\"0\" parent=\"-1\" text=\"" + text + "\"/>");
}

struct Outcome {
    bool taken = false;
    std::string text; // the longest topic text of the map
    std::string notice;
};

class TopicTextLimitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerNativeFormat();
        Pasteboard::setGeneralPasteboard(std::make_shared<MemoryPasteboard>());
    }
    void TearDown() override { Pasteboard::setGeneralPasteboard(nullptr); }

    Outcome edit(const std::function<void(MindMap& map)>& run)
    {
        MindMap map;
        map.newMindMap("", true, std::string("Theme"));
        map.setEnabled(true);
        map.setSelectedElement(map.mainCentralTheme());
        const size_t before = map.nodes().size();
        run(map);
        return {map.nodes().size() > before, longestText(map), lastNotice()};
    }

    Outcome import(const std::function<bool(MindMap& map)>& run)
    {
        MindMap map;
        const bool read = map.importWithImporter([&] { return run(map); }, "");
        return {read, longestText(map), lastNotice()};
    }

    std::string lastNotice() const
    {
        return feedback.notifications.empty() ? std::string() : feedback.notifications.back().message;
    }

    RecordingFeedbackSink feedback;
};

std::string cutReason(size_t characters)
{
    return localizedFormat("topic_text_cut_reason", {std::to_string(characters), std::to_string(Limit)});
}

TEST_F(TopicTextLimitTest, EveryRoadTakesTextAtTheLimitWholeAndCutsOrRefusesLongerWithANotice)
{
    struct Road {
        const char* name;
        std::function<Outcome(const std::string& text)> run;
        // The notice for one character past the limit; empty for a road that keeps any length.
        std::string notice;
        bool refuses = false;
    };
    const std::vector<Road> roads = {
        {"paste as a topic",
         [this](const std::string& text) {
             return edit([&](MindMap& map) {
                 Pasteboard::generalPasteboard().declareTypes({Pasteboard::StringType});
                 Pasteboard::generalPasteboard().setString(text, Pasteboard::StringType);
                 map.paste();
             });
         },
         cutReason(Limit + 1)},
        {"drop",
         [this](const std::string& text) {
             return edit([&](MindMap& map) { map.textDropped(text, Point{-500, -500}); });
         },
         cutReason(Limit + 1)},
        {"import: plain text",
         [this](const std::string& text) {
             return import([&](MindMap& map) { return MindMapConverter::importFromText(map, dataOf(text)); });
         },
         localizedFormat("topic_texts_cut_reason", {"1", std::to_string(Limit)})},
        {"import: OPML",
         [this](const std::string& text) {
             return import([&](MindMap& map) {
                 return MindMapConverter::importFromOpml(
                     map, dataOf("<opml><body><outline text=\"" + text + "\"/></body></opml>"));
             });
         },
         localizedFormat("topic_texts_cut_reason", {"1", std::to_string(Limit)})},
        {"import: FreeMind",
         [this](const std::string& text) {
             return import([&](MindMap& map) {
                 return MindMapConverter::importFromFreemind(map, dataOf("<map><node TEXT=\"" + text + "\"/></map>"));
             });
         },
         localizedFormat("topic_texts_cut_reason", {"1", std::to_string(Limit)})},
        {"upload",
         [](const std::string& text) {
             Error error;
             const bool taken = DocumentLimits::acceptsNewTopicTexts(dataOf(nativeDocument(text)), &error);
             return Outcome{taken, taken ? text : std::string(), error.failureReason};
         },
         localizedFormat("topic_text_refused_reason", {std::to_string(Limit + 1), std::to_string(Limit)}), true},
        {"open a stored map",
         [this](const std::string& text) {
             MindMap map;
             const bool read = loadDocument(map, nativeDocument(text));
             return Outcome{read, longestText(map), lastNotice()};
         }},
    };
    for (const Road& road : roads) {
        SCOPED_TRACE(road.name);
        feedback.notifications.clear();
        const Outcome atLimit = road.run(letters(Limit));
        EXPECT_TRUE(atLimit.taken);
        EXPECT_EQ(atLimit.text, letters(Limit));
        EXPECT_EQ(atLimit.notice, "");

        const Outcome longer = road.run(letters(Limit + 1));
        EXPECT_EQ(longer.notice, road.notice);
        if (road.refuses) {
            EXPECT_FALSE(longer.taken);
        } else {
            EXPECT_TRUE(longer.taken);
            EXPECT_EQ(longer.text, letters(road.notice.empty() ? Limit + 1 : Limit));
        }
    }
}

TEST_F(TopicTextLimitTest, AnEditMayKeepALongerTextItAlreadyHadButNotGrowIt)
{
    const struct {
        size_t previous;
        size_t edited;
        size_t kept;
    } cases[] = {
        {0, Limit + 5, Limit},
        {Limit + 10, Limit + 10, Limit + 10},
        {Limit + 10, Limit + 4, Limit + 4},
        {Limit + 10, Limit + 12, Limit + 10},
    };
    for (const auto& c : cases) {
        std::string text = letters(c.edited);
        const bool whole = TopicTextLimit::fitText(text, letters(c.previous));
        EXPECT_EQ(whole, c.kept == c.edited) << c.previous << " " << c.edited;
        EXPECT_EQ(text, letters(c.kept)) << c.previous << " " << c.edited;
    }
}

} // namespace
