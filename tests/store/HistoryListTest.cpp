#include "MindMapStoreTestSupport.h"

#include "platform/FileUtils.h"
#include "store/HistoryList.h"
#include "store/MindMapProvider.h"
#include "store/MindMapProviders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>

using namespace storetest;

namespace {

// A provider whose maps exist when listed, and that can be switched off.
class ListedProvider : public MindMapProvider {
public:
    explicit ListedProvider(int32_t type) : MindMapProvider(type) {}
    bool enabled() const override { return on; }
    bool isValidMapId(const std::string& id) override { return maps.count(id) != 0; }
    bool on = true;
    std::set<std::string> maps;
};

std::vector<std::string> idsOf(const HistoryList& list)
{
    std::vector<std::string> ids;
    for (const HistoryPoint& point : list.items()) ids.push_back(point.provider() + ":" + point.mindMap());
    return ids;
}

class HistoryListTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        dropbox = std::make_shared<ListedProvider>(MindMapProviderDropbox);
        MindMapProviders::instance().registerProvider(dropbox);
    }
    void TearDown() override
    {
        MindMapProviders::instance().unregisterProvider(dropbox.get());
        StoreTest::TearDown();
    }
    std::shared_ptr<ListedProvider> dropbox;
};

TEST(HistoryPointTest, ProviderIdsCompareExactlyAndMapIdsIgnoreCase)
{
    struct Case {
        const char* provider;
        const char* mindMap;
        bool equal;
    } cases[] = {
        {"Dropbox", "abc", true},  {"Dropbox", "ABC", true}, {"dropbox", "abc", false},
        {"Dropbox", "abd", false}, {"", "abc", false},       {"Dropbox", "", false},
    };
    const HistoryPoint point("Dropbox", "abc");
    for (const Case& c : cases) EXPECT_EQ(point.isEqualTo(c.provider, c.mindMap), c.equal) << c.provider << c.mindMap;
}

TEST(HistoryListBoundsTest, RecentListKeepsTwentyNewestFirstAndStackThirtyTwo)
{
    RecentHistoryList recent;
    HistoryStack stack;
    for (int i = 0; i < 33; ++i) {
        recent.addPoint(HistoryPoint("Local", "m" + std::to_string(i)));
        stack.push(HistoryPoint("Local", "m" + std::to_string(i)));
    }
    ASSERT_EQ(recent.count(), 20u);
    EXPECT_EQ(recent.items().front().mindMap(), "m32");
    EXPECT_EQ(recent.items().back().mindMap(), "m13");
    ASSERT_EQ(stack.count(), 32u);
    EXPECT_EQ(stack.items().front().mindMap(), "m1");
    EXPECT_EQ(stack.pop()->mindMap(), "m32");

    // The same map again, its id in other case: one point, moved to the front.
    recent.addPoint(HistoryPoint("Local", "M20"));
    EXPECT_EQ(recent.count(), 20u);
    EXPECT_EQ(recent.items().front().mindMap(), "M20");
    EXPECT_EQ(std::count_if(recent.items().begin(), recent.items().end(),
                            [](const HistoryPoint& p) { return p.isEqualTo("Local", "m20"); }),
              1);
}

TEST_F(HistoryListTest, ValidatingStopsAtTheFirstValidPointUnlessAskedForAll)
{
    dropbox->maps = {"a", "b"};
    HistoryStack stack;
    stack.push(HistoryPoint("Dropbox", "gone"));
    stack.push(HistoryPoint("Dropbox", "a"));
    stack.push(HistoryPoint("Nowhere", "b"));
    stack.push(HistoryPoint("Dropbox", "gone-too"));
    stack.validate(false);
    EXPECT_EQ(idsOf(stack), (std::vector<std::string>{"Dropbox:gone", "Dropbox:a"}));
    stack.validate(true);
    EXPECT_EQ(idsOf(stack), (std::vector<std::string>{"Dropbox:a"}));
    dropbox->on = false;
    stack.validate(false);
    EXPECT_EQ(stack.count(), 0u);
}

TEST_F(HistoryListTest, RenamesDeletionsAndRemovedProvidersAreFollowed)
{
    RecentHistoryList recent;
    recent.addPoint(HistoryPoint("Local", "x"));
    recent.addPoint(HistoryPoint("Dropbox", "old"));
    recent.addPoint(HistoryPoint("Local", "y"));
    recent.mindMapIdChanged("Dropbox", "OLD", "new");
    EXPECT_EQ(idsOf(recent), (std::vector<std::string>{"Local:y", "Dropbox:new", "Local:x"}));
    EXPECT_TRUE(recent.removeFromHistory(recent.items().front()));
    EXPECT_FALSE(recent.removeFromHistory(HistoryPoint("Local", "y")));
    recent.removeProvider("Dropbox");
    EXPECT_EQ(idsOf(recent), (std::vector<std::string>{"Local:x"}));
}

TEST_F(HistoryListTest, TheRecentListSurvivesARestartWithoutSelections)
{
    RecentHistoryList recent;
    for (const char* id : {"one", "two", "three"}) {
        HistoryPoint point("Local", id);
        SelectionParcel parcel;
        parcel.elementGuid = "G";
        point.setSelectionParcel(parcel);
        recent.addPoint(point);
    }
    ASSERT_TRUE(recent.saveNavigationHistory());
    EXPECT_EQ(RecentHistoryList::historyFileName(), root() + "/AppSupport/navigation-history.bin");

    RecentHistoryList restored;
    ASSERT_TRUE(restored.loadNavigationHistory());
    EXPECT_EQ(idsOf(restored), (std::vector<std::string>{"Local:three", "Local:two", "Local:one"}));
    for (const HistoryPoint& point : restored.items()) EXPECT_FALSE(point.selectionParcel());

    // The stored points carry exactly the two keys.
    auto archive =
        PropertyList::fromData(*readFileData(RecentHistoryList::historyFileName(), RecentHistoryList::MaximumFileSize));
    const PropertyList& first = (*(*archive)["$top"]["root"].arrayValue())[0];
    EXPECT_EQ(first, PropertyList(PropertyList::Dictionary{{"provider", "Local"}, {"mindMap", "three"}}));
}

TEST_F(HistoryListTest, AnUnreadableFileLeavesTheListAndTheFileAlone)
{
    auto archiveOf = [](PropertyList root) { return PropertyList(root).toData(PropertyList::Format::Binary); };
    const PropertyList::Dictionary badPoint{{"provider", 7}, {"mindMap", "m"}};
    const std::vector<PropertyList::Data> unreadable = {
        {},
        {0x62, 0x70, 0x6c, 0x69, 0x73, 0x74, 0x30, 0x30, 0xff},
        archiveOf(PropertyList::Array{}),
        archiveOf(PropertyList::Dictionary{{"$version", 2},
                                           {"$top", PropertyList::Dictionary{{"root", PropertyList::Array{}}}}}),
        archiveOf(PropertyList::Dictionary{{"$version", 1}, {"$top", PropertyList::Dictionary{{"root", "text"}}}}),
    };
    for (const PropertyList::Data& data : unreadable) {
        ASSERT_TRUE(writeFileAtomically(RecentHistoryList::historyFileName(), data));
        RecentHistoryList recent;
        recent.addPoint(HistoryPoint("Local", "kept"));
        Error error;
        EXPECT_FALSE(recent.loadNavigationHistory(&error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(idsOf(recent), (std::vector<std::string>{"Local:kept"}));
        EXPECT_EQ(*readFileData(RecentHistoryList::historyFileName(), RecentHistoryList::MaximumFileSize), data);
    }

    // Points that lack an id, or repeat one, are left out; the rest are read.
    auto points = RecentHistoryList::unarchivePoints(archiveOf(PropertyList::Dictionary{
        {"$version", 1},
        {"$top",
         PropertyList::Dictionary{
             {"root",
              PropertyList::Array{badPoint, PropertyList::Dictionary{{"provider", "Local"}},
                                  PropertyList::Dictionary{{"provider", "Local"}, {"mindMap", "a"}},
                                  PropertyList::Dictionary{{"provider", "Local"}, {"mindMap", "A"}}}}}},
    }));
    ASSERT_TRUE(points);
    ASSERT_EQ(points->size(), 1u);
    EXPECT_EQ((*points)[0].mindMap(), "a");
}

} // namespace
