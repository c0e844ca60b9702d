// New text on every road a topic gets it by: at the limit it comes in whole and silently; one
// character more is cut (or the upload refused) with a notice. A stored map keeps what it holds.

#include "TwkxTestSupport.h"

#include "MindMaps/MindMapNode.h"
#include "MindMaps/TopicTextLimit.h"
#include "Utils/RecordingFeedbackSink.h"
#include "formats/DocumentLimits.h"
#include "formats/MindMapConverter.h"
#include "platform/Localizer.h"
#include "platform/Pasteboard.h"

#include <gtest/gtest.h>

#include <functional>

using namespace twkxtest;

namespace {

constexpr size_t Limit = TopicTextLimit::MaximumCharacters;

// Two bytes a character: a limit counted in bytes would cut at half the characters.
std::string letters(size_t characters)
{
    std::string text;
    while (characters--) text += "\xC3\xA9";
    return text;
}

std::string longestText(const MindMap& map)
{
    std::string longest;
    for (const MindMapNode* node : map.nodes())
        if (node->text().size() > longest.size()) longest = node->text();
    return longest;
}

std::string native(const std::string& text)
{
    return documentWith("<topic id=\"0\" parent=\"-1\" text=\"" + text + "\"/>");
}

using Road = std::function<void(MindMap& map, const std::string& text, Error* error)>;
using Convert = bool (*)(MindMap&, const MindMapData&, Error*);

Road import(Convert convert, std::string before, std::string after)
{
    return [=](MindMap& map, const std::string& text, Error*) {
        map.importWithImporter([&] { return convert(map, dataOf(before + text + after), nullptr); }, "");
    };
}

TEST(TopicTextLimitTest, EveryRoadTakesTextAtTheLimitWholeAndCutsOrRefusesLongerWithANotice)
{
    registerNativeFormat();
    Pasteboard::setGeneralPasteboard(std::make_shared<MemoryPasteboard>());
    RecordingFeedbackSink feedback;
    const auto reason = [](const char* key, size_t count) {
        return localizedFormat(key, {std::to_string(count), std::to_string(Limit)});
    };
    const std::string cut = reason("topic_text_cut_reason", Limit + 1), cutOne = reason("topic_texts_cut_reason", 1);
    const struct {
        const char* name;
        Road road;
        std::string notice;   // for one character past the limit
        size_t keptPastLimit; // characters of that text kept; 0: refused
    } roads[] = {
        {"paste",
         [](MindMap& map, const std::string& text, Error*) {
             Pasteboard::generalPasteboard().declareTypes({Pasteboard::StringType});
             Pasteboard::generalPasteboard().setString(text, Pasteboard::StringType);
             map.paste();
         },
         cut, Limit},
        {"drop",
         [](MindMap& map, const std::string& text, Error*) {
             map.textDropped(text, Point{-500, -500});
         },
         cut, Limit},
        {"plain text", import(&MindMapConverter::importFromText, "", ""), cutOne, Limit},
        {"OPML", import(&MindMapConverter::importFromOpml, "<opml><body><outline text=\"", "\"/></body></opml>"),
         cutOne, Limit},
        {"FreeMind", import(&MindMapConverter::importFromFreemind, "<map><node TEXT=\"", "\"/></map>"), cutOne, Limit},
        {"upload",
         [](MindMap& map, const std::string& text, Error* error) {
             if (DocumentLimits::acceptsNewTopicTexts(dataOf(native(text)), error)) loadDocument(map, native(text));
         },
         reason("topic_text_refused_reason", Limit + 1), 0},
        {"stored map", [](MindMap& map, const std::string& text, Error*) { loadDocument(map, native(text)); }, "",
         Limit + 1},
    };
    for (const auto& [name, road, notice, keptPastLimit] : roads) {
        for (const size_t length : {Limit, Limit + 1}) {
            SCOPED_TRACE(std::string(name) + " of " + std::to_string(length));
            MindMap map;
            map.newMindMap("", true, std::string("Theme"));
            map.setEnabled(true);
            map.setSelectedElement(map.mainCentralTheme());
            feedback.notifications.clear();
            Error error;
            road(map, letters(length), &error);
            std::string shown = error.failureReason;
            for (const FeedbackRecord& record : feedback.notifications) shown += record.message;
            EXPECT_EQ(shown, length > Limit ? notice : "");
            const size_t kept = length > Limit ? keptPastLimit : length;
            EXPECT_EQ(longestText(map), kept ? letters(kept) : "Theme");
        }
    }
    Pasteboard::setGeneralPasteboard(nullptr);
}

} // namespace
