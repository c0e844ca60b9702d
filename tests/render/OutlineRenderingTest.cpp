#include "ExportReadBack.h"
#include "MindMaps/MindMapTestSupport.h"
#include "MindMaps/StyleSheet.h"
#include "platform/Localizer.h"
#include "render/OutlineRenderingView.h"
#include "support/FakeTextMeasurer.h"
#include "support/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

using namespace maptest;
using Kind = RecordingGraphicsContext::Kind;
using Entry = RecordingGraphicsContext::Entry;

namespace {

constexpr double Margin = 56.69291338582678;

class OutlineRenderingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TextMeasurer::setShared(&measurer);
        map.newMindMap("", false, std::nullopt);
        root = addTopic(map, nullptr, Point{0, 0}, "Root");
        lineHeight = measurer.sizeForText("", StyleSheet::outlineFont()).height;
    }
    void TearDown() override { TextMeasurer::setShared(nullptr); }

    MindMapNode* child(MindMapNode* parent, const std::string& text) { return addTopic(map, parent, {}, text); }

    // The pages from the first one given, drawn into one recording in document coordinates.
    RecordingGraphicsContext record(uint64_t options, Size pageSize = {596, 842}, int64_t firstPage = 0)
    {
        const OutlineRenderingView view(map, false, options, pageSize);
        RecordingGraphicsContext context;
        for (int64_t page = firstPage; page < view.pageCount(); ++page) view.drawPage(context, page);
        return context;
    }

    static const Entry* text(const RecordingGraphicsContext& context, const std::string& text)
    {
        for (const Entry* entry : context.entriesOfKind(Kind::Text))
            if (entry->text == text) return entry;
        return nullptr;
    }

    // Whether a tree line stroke holds these points one after the other.
    static bool treeLineThrough(const RecordingGraphicsContext& context, const std::vector<Point>& points)
    {
        for (const Entry* stroke : context.entriesOfKind(Kind::Stroke)) {
            if (stroke->path.lineWidth() != 0.45 || stroke->style.color != Color(158 / 255.0, 158 / 255.0, 158 / 255.0))
                continue;
            const auto& e = stroke->path.elements();
            for (size_t i = 0; i + points.size() <= e.size(); ++i)
                for (size_t k = 0; k < points.size() && e[i + k].points[0] == points[k]; ++k)
                    if (k + 1 == points.size()) return true;
        }
        return false;
    }

    FakeTextMeasurer measurer;
    MindMap map;
    MindMapNode* root = nullptr;
    double lineHeight = 0;
};

} // namespace

TEST_F(OutlineRenderingTest, PopplerCountsTheMeasuredPages)
{
    for (int topics : {0, 150}) {
        for (int i = 0; i < topics; ++i) child(root, "Topic " + std::to_string(i));
        const OutlineRenderingView view(map, false, 1, {596, 842});
        const auto pages = readPdf(OutlineRenderingView::pdfDataWithMindMap(map, false, 1, 3));
        ASSERT_TRUE(pages);
        EXPECT_TRUE(topics ? pages->size() > 2 : pages->size() == 1) << pages->size();
        EXPECT_EQ(size_t(view.pageCount()), pages->size());
        EXPECT_NEAR(842, pages->back().height, 0.01);
    }
}

TEST_F(OutlineRenderingTest, IndentsNumbersNotesCheckboxesAndTreeLines)
{
    MindMapNode* a1 = child(child(root, "A"), "A1");
    a1->setNote("  note\n");
    child(root, "");
    child(root, "Task")->setCheckboxMode(1);
    const std::string empty = localized("outline_cell_empty_topic");

    const RecordingGraphicsContext plain = record(0);
    EXPECT_EQ(Margin, text(plain, "A1")->origin.x);
    EXPECT_TRUE(plain.entriesOfKind(Kind::Stroke).empty());
    EXPECT_TRUE(text(plain, empty) && !text(plain, "note"));
    EXPECT_TRUE(text(record(2), a1->calcAutoNumberPath() + " A1"));

    const RecordingGraphicsContext full = record(1 | 4 | 8);
    const Entry *topic = text(full, "A1"), *note = text(full, "note");
    ASSERT_TRUE(topic && note);
    EXPECT_DOUBLE_EQ(Margin + 22.5, topic->origin.x);
    EXPECT_DOUBLE_EQ(Margin + 22.5 + 11.25, note->origin.x);
    EXPECT_DOUBLE_EQ(topic->origin.y + lineHeight + 2.25, note->origin.y);
    EXPECT_DOUBLE_EQ(note->origin.y + lineHeight + 3.6, text(full, empty)->origin.y);
    EXPECT_DOUBLE_EQ(Margin + 11.25 + 0.7 * lineHeight + 3.6, text(full, "Task")->origin.x);
    // A1 is a last child at level 2: down from its top to its middle, then the stub.
    const double x = Margin + 1.5 * 11.25, y = topic->origin.y;
    EXPECT_TRUE(treeLineThrough(full, {{x, y}, {x, y + lineHeight / 2}, {x + 2.8125, y + lineHeight / 2}}));
    EXPECT_TRUE(record(1 | 32).entriesOfKind(Kind::Stroke).empty());
}

TEST_F(OutlineRenderingTest, FiltersListTheChosenTopics)
{
    MindMapNode* folded = child(root, "Folded");
    child(folded, "Inside");
    folded->setCollapsed(true);
    child(root, "Done")->setCheckboxMode(1);
    root->children().back()->setCheckedState(1);
    child(root, "Open")->setCheckboxMode(1);
    const std::pair<uint64_t, std::vector<std::string>> cases[] = {
        {0, {"Root", "Folded", "Done", "Open"}},
        {16, {"Root", "Folded", "Inside", "Done", "Open"}},
        {64, {"Done", "Open"}},
        {64 | 128, {"Open"}},
        {32, {}},
    };
    for (const auto& [options, expected] : cases) {
        std::vector<std::string> listed;
        const RecordingGraphicsContext recorded = record(options);
        for (const Entry* entry : recorded.entriesOfKind(Kind::Text)) listed.push_back(entry->text);
        EXPECT_EQ(expected, listed) << options;
    }
}

// A text taller than a page that starts at a page's top stays there: no empty page before it.
// After another topic it moves whole to the next page.
TEST_F(OutlineRenderingTest, TallTextAtAPageTopAddsNoEmptyPage)
{
    std::string tall;
    for (int i = 0; i < 400; ++i) tall += "word ";
    root->setText(tall);
    const auto pages = readPdf(OutlineRenderingView(map, false, 0, {300, 300}).pdfData());
    ASSERT_TRUE(pages);
    EXPECT_EQ(1u, pages->size());
    child(root, "after");
    root->setText("short");
    child(root, tall);
    EXPECT_EQ(2, OutlineRenderingView(map, false, 0, {300, 300}).pageCount());
}

// A note that does not fit the rest of a page moves whole to the next, and its topic's tree line
// goes on from that page's top.
TEST_F(OutlineRenderingTest, NoteMovesToTheNextPageWithItsTreeLine)
{
    MindMapNode* a = child(root, "A");
    child(root, "B");
    std::string note = "line";
    while (measurer.sizeForText(note + "\nline", StyleSheet::outlineFont()).height < 300 - 2 * Margin - 2 * lineHeight)
        note += "\nline";
    a->setNote(note);
    const RecordingGraphicsContext second = record(1 | 8, {300, 300}, 1);
    ASSERT_TRUE(text(second, note));
    EXPECT_DOUBLE_EQ(300 + Margin, text(second, note)->origin.y);
    const double x = Margin + 0.5 * 11.25;
    EXPECT_TRUE(treeLineThrough(second, {{x, 300 + Margin}}));
}
