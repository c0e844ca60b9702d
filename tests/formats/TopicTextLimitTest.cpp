// New text on every road a topic gets it by: at the limit it comes in whole and silently; one
// character more is cut (or the upload refused) with a notice. A stored map keeps what it holds.

#include "PdfTestSupport.h"
#include "TwkxTestSupport.h"

#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/TopicTextLimit.h"
#include "Utils/RecordingFeedbackSink.h"
#include "formats/DocumentLimits.h"
#include "formats/MindMapConverter.h"
#include "formats/PdfConverter.h"
#include "formats/TwkMindMapReader.h"
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

// Of topics and free texts.
std::string longestText(const MindMap& map)
{
    std::string longest;
    for (const MindMapNode* node : map.nodes()) {
        if (node->text().size() > longest.size()) longest = node->text();
        for (const ContainedElement* element : node->containedElements())
            if (auto* text = dynamic_cast<const MindMapText*>(element); text && text->text().size() > longest.size())
                longest = text->text();
    }
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

Road read(MindMapReadFormat format, std::string before, std::string after)
{
    return [=](MindMap& map, const std::string& text, Error*) {
        map.readFromData(dataOf(before + text + after), "", int32_t(format));
    };
}

TEST(TopicTextLimitTest, EveryRoadTakesTextAtTheLimitWholeAndCutsOrRefusesLongerWithANotice)
{
    registerNativeFormat();
    registerPropertyListFormat();
    Pasteboard::setGeneralPasteboard(std::make_shared<MemoryPasteboard>());
    RecordingFeedbackSink feedback;
    const auto reason = [](const char* key, size_t count) {
        return localizedFormat(key, {std::to_string(count), std::to_string(Limit)});
    };
    const std::string cut = reason("topic_text_cut_reason", Limit + 1),
                      cutOne = reason("topic_text_cut_once_reason", 1);
    const std::string refused = reason("topic_text_refused_reason", Limit + 1);
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
        {"PDF bookmark",
         [](MindMap& map, const std::string& text, Error*) {
             const auto pdf = pdftest::cairoPdf(1, [&](cairo_surface_t* surface) {
                 cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, text.c_str(), "", {});
             });
             map.readFromData(PdfConverter::twkxDataFromPdf(pdf, "/a.pdf", false), "", 2);
         },
         cutOne, Limit},
        {"older property list",
         read(MindMapReadFormat::PropertyList, "<plist><dict><key>nodes</key><array><dict><key>name</key><string>",
              "</string><key>location</key><dict><key>X</key><real>0</real><key>Y</key><real>0</real></dict>"
              "</dict></array></dict></plist>"),
         cutOne, Limit},
        {"upload",
         [](MindMap& map, const std::string& text, Error* error) {
             if (DocumentLimits::acceptsNewTopicTexts(dataOf(native(text)), error)) loadDocument(map, native(text));
         },
         refused, 0},
        {"upload of a free text",
         [](MindMap& map, const std::string& text, Error* error) {
             const std::string document = documentWith("<topic id=\"0\" parent=\"-1\" text=\"Theme\"><children>"
                                                       "<text x=\"0\" y=\"0\"><note>" +
                                                       text + "</note></text></children></topic>");
             if (DocumentLimits::acceptsNewTopicTexts(dataOf(document), error)) loadDocument(map, document);
         },
         refused, 0},
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

// Where a text past the limit is cut: between characters as the user sees them, outside markdown
// spans and markers, and only in what an edit brought; the notice counts characters the same way.
TEST(TopicTextLimitTest, ACutKeepsCharactersSpansAndUntouchedTextWhole)
{
    const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
    const std::string accented = "e\xCC\x81", flag = "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA";
    std::string stacked = "e";
    for (int mark = 0; mark < 40; ++mark) stacked += "\xCC\x81";
    const auto a = [](size_t count) { return std::string(count, 'a'); };
    const std::string end = a(Limit - 13) + "END"; // 4,990 characters
    const std::string longer = a(Limit + 997) + "END";
    const struct {
        const char* name;
        std::string previous, text, kept;
        size_t total, allowed; // of the notice; 0: none
    } cases[] = {
        {"an emoji sequence within the limit", "", a(Limit - 2) + family, a(Limit - 2) + family, 0, 0},
        {"an emoji sequence at the cut", "", a(Limit - 1) + family + "x", a(Limit - 1) + family, Limit + 1, Limit},
        {"a combining accent", "", a(Limit - 1) + accented + "x", a(Limit - 1) + accented, Limit + 1, Limit},
        {"a flag within the limit", "", a(Limit - 1) + flag, a(Limit - 1) + flag, 0, 0},
        {"a bold span", "", a(Limit - 4) + " *bold*", a(Limit - 4) + " ", Limit + 3, Limit},
        {"a superscript span", "", a(Limit - 3) + "x^^2^^", a(Limit - 3) + "x", Limit + 3, Limit},
        {"a superscript marker", "", a(Limit - 1) + "^^", a(Limit - 1), Limit + 1, Limit},
        {"forty marks on a letter", "", a(Limit - 1) + stacked, a(Limit - 1) + stacked.substr(0, 1 + 30 * 2), Limit + 1,
         Limit},
        {"typed before a text near the limit", end, std::string(20, 'T') + end, std::string(10, 'T') + end, Limit + 10,
         Limit},
        {"typed into a stored longer text", longer, "ABC" + longer, longer, Limit + 1003, Limit + 1000},
        {"stray bytes, one character each", "", a(Limit - 1) + "\xFF\xFE", a(Limit - 1) + "\xFF", Limit + 1, Limit},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = c.text;
        Error error;
        EXPECT_EQ(TopicTextLimit::fitText(text, c.previous, &error), c.total == 0);
        EXPECT_EQ(text, c.kept);
        EXPECT_EQ(error.failureReason,
                  c.total
                      ? localizedFormat("topic_text_cut_reason", {std::to_string(c.total), std::to_string(c.allowed)})
                      : "");
    }
}

} // namespace
