#include "ExportReadBack.h"
#include "MindMaps/MindMapTestSupport.h"
#include "MindMaps/StyleSheet.h"
#include "platform/Localizer.h"
#include "render/OutlineRenderingView.h"
#include "render/PaperSizes.h"
#include "support/FakeTextMeasurer.h"
#include "support/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

using namespace maptest;
using Kind = RecordingGraphicsContext::Kind;

namespace {

const Size A4{596, 842};
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

    MindMapNode* child(MindMapNode* parent, const std::string& text)
    {
        return addTopic(map, parent, Point{0, 0}, text);
    }

    // Every page drawn into one recording, in document coordinates.
    RecordingGraphicsContext record(uint64_t options, Size pageSize = A4)
    {
        const OutlineRenderingView view(map, false, options, pageSize);
        RecordingGraphicsContext context;
        for (int64_t page = 0; page < view.pageCount(); ++page) view.drawPage(context, page);
        return context;
    }

    const RecordingGraphicsContext::Entry* textEntry(const RecordingGraphicsContext& context, const std::string& text)
    {
        for (const auto* entry : context.entriesOfKind(Kind::Text))
            if (entry->text == text) return entry;
        return nullptr;
    }

    FakeTextMeasurer measurer;
    MindMap map;
    MindMapNode* root = nullptr;
    double lineHeight = 0;
};

} // namespace

TEST_F(OutlineRenderingTest, OneTopicIsOnePageAndPopplerCountsTheMeasuredPages)
{
    const auto one = readPdf(OutlineRenderingView::pdfDataWithMindMap(map, false, 0, 3));
    ASSERT_TRUE(one);
    ASSERT_EQ(1u, one->size());
    EXPECT_NEAR(596, (*one)[0].width, 0.01);
    EXPECT_NEAR(842, (*one)[0].height, 0.01);

    for (int i = 0; i < 150; ++i) child(root, "Topic " + std::to_string(i));
    const OutlineRenderingView view(map, false, 1, A4);
    ASSERT_GT(view.pageCount(), 2);
    EXPECT_EQ(view.rectForPage(2), Rect(0, 842, 596, 842));
    const auto pages = readPdf(view.pdfData());
    ASSERT_TRUE(pages);
    EXPECT_EQ(size_t(view.pageCount()), pages->size());
}

TEST_F(OutlineRenderingTest, IndentsNotesCheckboxesAndTreeLines)
{
    MindMapNode* a = child(root, "A");
    MindMapNode* a1 = child(a, "A1");
    a1->setNote("  note\n");
    child(root, "");
    MindMapNode* task = child(root, "Task");
    task->setCheckboxMode(1);

    const RecordingGraphicsContext plain = record(0);
    EXPECT_EQ(Margin, textEntry(plain, "A1")->origin.x);
    EXPECT_TRUE(plain.entriesOfKind(Kind::Stroke).empty());
    EXPECT_TRUE(textEntry(plain, localized("outline_cell_empty_topic")));
    EXPECT_FALSE(textEntry(plain, "note"));
    ASSERT_FALSE(a1->calcAutoNumberPath().empty());
    EXPECT_TRUE(textEntry(record(2), a1->calcAutoNumberPath() + " A1"));

    const RecordingGraphicsContext full = record(1 | 4 | 8);
    const auto* topic = textEntry(full, "A1");
    const auto* note = textEntry(full, "note");
    ASSERT_TRUE(topic && note);
    EXPECT_DOUBLE_EQ(Margin + 22.5, topic->origin.x);
    EXPECT_DOUBLE_EQ(Margin + 22.5 + 11.25, note->origin.x);
    EXPECT_DOUBLE_EQ(topic->origin.y + lineHeight + 2.25, note->origin.y);
    const auto* next = textEntry(full, localized("outline_cell_empty_topic"));
    EXPECT_DOUBLE_EQ(note->origin.y + lineHeight + 3.6, next->origin.y);
    const double side = 0.7 * lineHeight;
    EXPECT_DOUBLE_EQ(Margin + 11.25 + side + 3.6, textEntry(full, "Task")->origin.x);

    std::vector<const RecordingGraphicsContext::Entry*> treeLines;
    for (const auto* stroke : full.entriesOfKind(Kind::Stroke))
        if (stroke->path.lineWidth() == 0.45) treeLines.push_back(stroke);
    ASSERT_FALSE(treeLines.empty());
    // A1 is a last child at level 2: down from its top to its middle, then the 2.8125 stub.
    bool stub = false;
    const double x = Margin + 1.5 * 11.25;
    for (const auto* stroke : treeLines) {
        EXPECT_EQ(Color(158.0 / 255, 158.0 / 255, 158.0 / 255), stroke->style.color);
        const auto& e = stroke->path.elements();
        for (size_t i = 0; i + 2 < e.size(); ++i)
            stub = stub ||
                (e[i].points[0] == Point{x, topic->origin.y} &&
                 e[i + 1].points[0] == Point{x, topic->origin.y + lineHeight / 2} &&
                 e[i + 2].points[0] == Point{x + 2.8125, topic->origin.y + lineHeight / 2});
    }
    EXPECT_TRUE(stub);
    EXPECT_TRUE(record(1 | 32).entriesOfKind(Kind::Stroke).empty());
}

TEST_F(OutlineRenderingTest, FiltersListTheChosenTopics)
{
    MindMapNode* folded = child(root, "Folded");
    child(folded, "Inside");
    folded->setCollapsed(true);
    MindMapNode* done = child(root, "Done");
    done->setCheckboxMode(1);
    done->setCheckedState(1);
    MindMapNode* open = child(root, "Open");
    open->setCheckboxMode(1);

    struct Case {
        uint64_t options;
        std::vector<std::string> listed;
    };
    const Case cases[] = {
        {0, {"Root", "Folded", "Done", "Open"}},
        {16, {"Root", "Folded", "Inside", "Done", "Open"}},
        {64, {"Done", "Open"}},
        {64 | 128, {"Open"}},
        {32, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> listed;
        for (const auto* entry : record(c.options).entriesOfKind(Kind::Text)) listed.push_back(entry->text);
        EXPECT_EQ(c.listed, listed) << c.options;
    }
}

// A text taller than a page that starts at a page's top stays there: no empty page before it.
TEST_F(OutlineRenderingTest, TallTextAtAPageTopAddsNoEmptyPage)
{
    std::string tall;
    for (int i = 0; i < 400; ++i) tall += "word ";
    const Size small{300, 300};
    root->setText(tall);
    EXPECT_EQ(1, OutlineRenderingView(map, false, 0, small).pageCount());
    const auto pages = readPdf(OutlineRenderingView(map, false, 0, small).pdfData());
    ASSERT_TRUE(pages);
    EXPECT_EQ(1u, pages->size());

    child(root, "after");
    EXPECT_EQ(2, OutlineRenderingView(map, false, 0, small).pageCount());
    root->setText("short");
    child(root, tall);
    // After another topic it moves whole to the next page.
    EXPECT_EQ(2, OutlineRenderingView(map, false, 0, small).pageCount());
}

// A note that does not fit the rest of a page moves whole to the next, and the topic's tree line
// goes on from that page's top.
TEST_F(OutlineRenderingTest, NoteMovesToTheNextPageWithItsTreeLine)
{
    MindMapNode* a = child(root, "A");
    child(root, "B");
    std::string note = "line";
    while (measurer.sizeForText(note + "\nline", StyleSheet::outlineFont()).height < 300 - 2 * Margin - 2 * lineHeight)
        note += "\nline";
    a->setNote(note);
    const Size small{300, 300};
    const OutlineRenderingView view(map, false, 1 | 8, small);
    ASSERT_EQ(2, view.pageCount());
    RecordingGraphicsContext context;
    view.drawPage(context, 1);
    const auto* drawn = textEntry(context, note);
    ASSERT_TRUE(drawn);
    EXPECT_DOUBLE_EQ(300 + Margin, drawn->origin.y);
    bool continued = false;
    for (const auto* stroke : context.entriesOfKind(Kind::Stroke))
        for (const auto& element : stroke->path.elements())
            continued = continued || element.points[0] == Point{Margin + 0.5 * 11.25, 300 + Margin};
    EXPECT_TRUE(continued);
}
