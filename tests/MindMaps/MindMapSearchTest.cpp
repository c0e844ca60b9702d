#include "MindMapTestSupport.h"

#include "MindMaps/MindMapText.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace maptest;

namespace {

using Clock = std::chrono::system_clock;

class MindMapSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        map.setNodeEditor(&editor);
        map.setSearchListener(&listener);
        map.setHierarchyListener(&outline);
        map.newMindMap("", false, std::nullopt);
        log.clear();
    }

    MindMapSearchData textSearch(const std::string& text, uint32_t scope = SearchScopeText)
    {
        MindMapSearchData criteria(text);
        criteria.setScope(scope);
        return criteria;
    }

    void search(const MindMapSearchData& criteria) { map.setSearchData(&criteria); }

    CallLog log;
    RecordingNodeEditor editor{log};
    RecordingSearchListener listener{log};
    RecordingModelessEditor outline{log, "outline"};
    MindMap map;
};

TEST_F(MindMapSearchTest, FreeTextsComeAfterTheirNodeAndCrossLinkTextsLast)
{
    MindMapNode* a = addTopic(map, nullptr, Point{}, "hit a");
    MindMapNode* a1 = addTopic(map, a, Point{100, 0}, "hit a1");
    MindMapNode* b = addTopic(map, nullptr, Point{0, 300}, "miss");
    CrossLink* link = map.internalAddCrossLinkFromSource(a1, b);
    MindMapText* linkText = link->addText();
    linkText->setText("hit on the link");
    MindMapText* aText = a->addText();
    aText->setText("hit on a");
    MindMapText* a1RelationText = a1->parentRelation()->addText();
    a1RelationText->setText("hit on the line to a1");
    MindMapText* a1Text = a1->addText();
    a1Text->setText("hit on a1");
    MindMapText* quiet = b->addText();
    quiet->setText("nothing here");

    search(textSearch("hit"));
    EXPECT_EQ(map.searchMatches(), elements({a, aText, a1, a1Text, a1RelationText, linkText}));
    EXPECT_TRUE(aText->searchMatch());
    EXPECT_FALSE(quiet->searchMatch());
}

TEST_F(MindMapSearchTest, DateScopeComparesInclusively)
{
    const Clock::time_point day = Clock::now() - std::chrono::hours(48);
    MindMapNode* theme = addTopic(map, nullptr, Point{}, "Theme");
    MindMapNode* onTheDay = addTopic(map, theme, Point{100, 0}, "On the day");
    MindMapNode* before = addTopic(map, theme, Point{100, 50}, "Before");
    MindMapNode* after = addTopic(map, theme, Point{100, 100}, "After");
    addTopic(map, theme, Point{100, 150}, "Undated");
    onTheDay->setDate(day);
    before->setDate(day - std::chrono::hours(24));
    after->setDate(day + std::chrono::hours(24));

    MindMapSearchData earlier;
    earlier.setDate(day);
    earlier.setEarlierDate(true);
    earlier.setScope(SearchScopeDate);
    search(earlier);
    EXPECT_EQ(map.searchMatches(), elements({onTheDay, before}));

    MindMapSearchData later;
    later.setDate(day);
    later.setEarlierDate(false);
    later.setScope(SearchScopeDate);
    search(later);
    EXPECT_EQ(map.searchMatches(), elements({onTheDay, after}));
}

} // namespace
