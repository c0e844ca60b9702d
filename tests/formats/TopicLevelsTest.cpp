// The depth a document's topics reach is measured from their ids before a topic is made; the
// measure must be what the reader then builds, whatever the ids do: repeat, name nothing, name
// their own topic or run in circles.

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/TopicDepthLimit.h"
#include "formats/TwkMindMapReader.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/PropertyList.h"
#include "support/FakeTextMeasurer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct Topics {
    std::vector<int64_t> ids;
    std::vector<int64_t> parents;
};

std::string nativeDocument(const Topics& topics)
{
    std::string document = "<tarnwick-mindmaps><mindmap><topics>";
    for (size_t i = 0; i < topics.ids.size(); ++i) {
        document += "<topic id=\"" + std::to_string(topics.ids[i]) + "\" parent=\"" +
            std::to_string(topics.parents[i]) + "\" text=\"t\"/>";
    }
    return document + "</topics></mindmap></tarnwick-mindmaps>";
}

// The levels of the map the reader builds: an undo snapshot is read without the limit.
size_t builtLevels(const std::string& document)
{
    MindMap map;
    map.beginLoading();
    EXPECT_TRUE(TwkxMindMapReader::loadMindMap(map, document));
    map.loadingCompleted();
    size_t deepest = 0;
    for (const MindMapNode* node : map.nodes()) deepest = std::max(deepest, size_t(node->nodeLevel() + 1));
    return deepest;
}

TEST(TopicLevels, MeasureWhatTheReaderLinks)
{
    const struct {
        const char* what;
        Topics topics;
        size_t levels;
    } cases[] = {
        {"nothing", {{}, {}}, 0},
        {"a chain in order", {{0, 1, 2, 3}, {-1, 0, 1, 2}}, 4},
        {"a chain backwards", {{3, 2, 1, 0}, {2, 1, 0, -1}}, 4},
        {"ids far apart", {{7, 1000000000000, -5, 42}, {-1, 7, 1000000000000, 1000000000000}}, 3},
        {"a topic its own parent", {{0, 1}, {0, 0}}, 2},
        {"a circle of two", {{0, 1}, {1, 0}}, 2},
        {"a circle of three with a tail", {{0, 1, 2, 3}, {2, 0, 1, 2}}, 3},
        {"of a repeated id the first counts", {{0, 1, 1, 2}, {-1, 0, -1, 1}}, 3},
        {"a parent that names nothing", {{0, 1}, {-1, 9}}, 1},
        {"negative ids name nothing", {{-1, 0}, {-1, -1}}, 1},
    };
    FakeTextMeasurer measurer;
    TextMeasurer::setShared(&measurer);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(TopicDepthLimit::linkedLevels(c.topics.ids, c.topics.parents), c.levels);
        EXPECT_EQ(builtLevels(nativeDocument(c.topics)), c.levels);
    }

    // Documents of a few topics whose ids and parents are drawn from a small range, so that they
    // repeat, dangle and close circles of every length.
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        std::uniform_int_distribution<int> count(1, 12);
        std::uniform_int_distribution<int64_t> id(-2, 10);
        Topics topics;
        for (int i = count(random); i > 0; --i) {
            topics.ids.push_back(id(random));
            topics.parents.push_back(id(random));
        }
        const std::string document = nativeDocument(topics);
        ASSERT_EQ(TopicDepthLimit::linkedLevels(topics.ids, topics.parents), builtLevels(document)) << document;
    }
    TextMeasurer::setShared(nullptr);
}

// The older format links by id as well, but only the entries that make a topic count.
TEST(TopicLevels, OlderDocumentsCountOnlyTheEntriesThatMakeTopics)
{
    auto entry = [](int64_t id, int64_t parent, bool usable) {
        PropertyList::Dictionary topic;
        if (usable) topic["name"] = PropertyList(std::string("t"));
        topic["location"] = PropertyList(PropertyList::Dictionary{{"X", PropertyList(0.0)}, {"Y", PropertyList(0.0)}});
        topic["id"] = PropertyList(id);
        topic["parent"] = PropertyList(parent);
        return PropertyList(std::move(topic));
    };
    const PropertyList nodes(PropertyList::Array{entry(0, -1, true), entry(1, 0, false), entry(2, 1, true),
                                                 entry(3, 0, true), entry(4, 3, true)});
    EXPECT_EQ(TwkMindMapReader::topicLevels(nodes), 3u);
    EXPECT_EQ(TwkMindMapReader::topicLevels(PropertyList(std::string("no array"))), 0u);
}

} // namespace
