#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapNode.h"
#include "platform/PangoTextMeasurer.h"
#include "support/LaidOutTextMeasurer.h"
#include "support/MixedTopicTexts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\n':
            out += "&#10;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// A FreeMind map of mixed texts, long ones among them, in branches four levels deep.
MindMapData freemindMap(size_t count)
{
    const std::vector<std::string> texts = MixedTopicTexts::texts(count, 23);
    std::string document = "<map version=\"1.0.1\"><node TEXT=\"Wrapped on import\">";
    std::vector<size_t> open;
    for (size_t i = 0; i < count; ++i) {
        // Every fourth text is made long enough for the default wrap.
        std::string text = texts[i];
        if (i % 4 == 0) text += " " + texts[(i + 1) % count] + " " + texts[(i + 2) % count];
        document += "<node TEXT=\"" + escaped(text) + "\"" + (open.empty() ? " POSITION=\"right\"" : "") + ">";
        open.push_back(i);
        const size_t depth = i % 5;
        while (open.size() > depth) {
            document += "</node>";
            open.pop_back();
        }
    }
    for (size_t i = 0; i < open.size(); ++i) document += "</node>";
    document += "</node></map>";
    return MindMapData(document.begin(), document.end());
}

struct ImportedTopic {
    std::string text;
    Point location;
    Size textSize;
    friend bool operator==(const ImportedTopic&, const ImportedTopic&) = default;
};

std::vector<ImportedTopic> imported(TextMeasurer& measurer, const MindMapData& data)
{
    TextMeasurer::setShared(&measurer);
    MindMap map;
    EXPECT_TRUE(map.readFromData(data, "", int32_t(MindMapReadFormat::FreeMind)));
    std::vector<ImportedTopic> topics;
    for (MindMapNode* node : map.nodes()) topics.push_back({node->text(), node->location(), node->textSize()});
    TextMeasurer::setShared(nullptr);
    return topics;
}

} // namespace

// The lines that the default wrap of an import measures are measured ahead on several threads:
// every topic gets the same line breaks, text size and place as when each line is laid out alone,
// one after the other.
TEST(ImportWrap, TopicsGetTheLineBreaksAndPlacesOfLinesMeasuredOneByOne)
{
    const MindMapData data = freemindMap(800);
    LaidOutTextMeasurer oneByOne;
    const std::vector<ImportedTopic> expected = imported(oneByOne, data);
    PangoTextMeasurer ahead;
    const std::vector<ImportedTopic> topics = imported(ahead, data);

    ASSERT_EQ(topics.size(), 801u);
    ASSERT_EQ(expected.size(), topics.size());
    size_t wrapped = 0;
    size_t differing = 0;
    for (size_t i = 0; i < topics.size(); ++i) {
        if (topics[i].text.find('\n') != std::string::npos) ++wrapped;
        if (!(topics[i] == expected[i]) && ++differing < 5)
            ADD_FAILURE() << i << ": \"" << topics[i].text << "\" at " << topics[i].location.x << ", "
                          << topics[i].location.y << "; one by one \"" << expected[i].text << "\" at "
                          << expected[i].location.x << ", " << expected[i].location.y;
    }
    EXPECT_EQ(differing, 0u);
    // The map is one that wrapping changes.
    EXPECT_GT(wrapped, 150u);
}
