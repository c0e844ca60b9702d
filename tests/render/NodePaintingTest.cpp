#include "render/MindMapPainter.h"

#include "MindMaps/DiagramLink.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNodeTestSupport.h"
#include "MindMaps/MindMapText.h"
#include "render/MindMapPaintSelection.h"
#include "support/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using Kind = RecordingGraphicsContext::Kind;
using Entry = RecordingGraphicsContext::Entry;

const Color LightGray(2.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0);
const Color NoteFill = Color::rgb255(240, 240, 64);

void expectNear(const Rect& expected, const Rect& actual, const std::string& what)
{
    EXPECT_NEAR(expected.minX(), actual.minX(), 1e-9) << what;
    EXPECT_NEAR(expected.minY(), actual.minY(), 1e-9) << what;
    EXPECT_NEAR(expected.maxX(), actual.maxX(), 1e-9) << what;
    EXPECT_NEAR(expected.maxY(), actual.maxY(), 1e-9) << what;
}

class NodePaintingTest : public nodetest::NodeTest {
protected:
    MindMapNode* topic(const std::string& text, int32_t borderStyle = 0, double borderWidth = 2)
    {
        MindMapNode* node = theme(text);
        node->setLocation({200, 100});
        node->style()->changeBorderWidth(borderWidth);
        settle(node, borderStyle);
        return node;
    }

    MindMapPainter& painter(uint32_t flags = 0, const Rect& clip = Rect())
    {
        context.clear();
        _painter.emplace(context, _selection, flags, clip);
        return *_painter;
    }

    const std::vector<Entry>& paint(MindMapNode& node, uint32_t flags = 0, const Rect& clip = Rect())
    {
        painter(flags, clip).paintMindMapNode(node);
        return context.entries();
    }

    std::vector<const Entry*> strokes() const { return context.entriesOfKind(Kind::Stroke); }
    std::vector<const Entry*> fills() const { return context.entriesOfKind(Kind::Fill); }

    RecordingGraphicsContext context;

private:
    MindMapPaintSelection _selection{&map};
    std::optional<MindMapPainter> _painter;
};

} // namespace

TEST_F(NodePaintingTest, BorderLiesFiveMinusHalfItsWidthInsideTheBounds)
{
    // Unknown codes draw the rounded rectangle of style 0.
    for (int32_t style : {0, 1, 2, 3, 4, 5, 6, 42, -3}) {
        MindMapNode* node = topic("abc", style, 3);
        paint(*node);
        ASSERT_EQ(1u, strokes().size()) << style;
        const BezierPath& path = strokes()[0]->path;
        EXPECT_EQ(3.0, path.lineWidth());
        EXPECT_EQ(node->strokeColor(), strokes()[0]->style.color);
        EXPECT_EQ(node->fillColor(), fills().at(0)->color);
        const Rect inner = insetRect(node->bounds(), 3.5, 3.5);
        if (style != 6) expectNear(inner, path.controlPointBounds(), "style " + std::to_string(style));
        if (style == 0 || style == 42 || style == -3) {
            EXPECT_EQ((Point{inner.minX() + 7, inner.minY()}), path.elements()[0].points[0]) << "radius 7";
        }
    }
}

TEST_F(NodePaintingTest, SelectionFramesAndPlaceholders)
{
    MindMapNode* borderless = topic("abc", NodeStyle::NoBorder);
    paint(*borderless);
    EXPECT_TRUE(strokes().empty()) << "a borderless topic with text has no frame";

    MindMapNode* empty = topic("", NodeStyle::NoBorder);
    paint(*empty);
    ASSERT_EQ(1u, strokes().size());
    EXPECT_EQ(1.0, strokes()[0]->path.lineWidth());
    const Rect frame = insetRect(empty->bounds(), 0.5, 0.5);
    EXPECT_EQ(frame, strokes()[0]->path.controlPointBounds());
    EXPECT_EQ((Point{frame.minX() + 2, frame.minY()}), strokes()[0]->path.elements()[0].points[0]) << "radius 2";

    MindMapNode* node = topic("abc");
    map.setSelectedElement(node);
    paint(*node, PaintFlagDesigning);
    EXPECT_EQ(2.0, strokes()[0]->path.lineWidth()) << "a single selection keeps the width";
    map.toggleSelection(empty, false);
    paint(*node, PaintFlagDesigning);
    EXPECT_EQ(5.0, strokes()[0]->path.lineWidth()) << "a multiple selection adds 3";
    paint(*node, PaintFlagDesigning | PaintFlagThumbnail);
    EXPECT_EQ(2.0, strokes()[0]->path.lineWidth()) << "pictures of the map show no selection";

    MindMapNode* hidden = child(node, {300, 100});
    hidden->setNote("a note");
    settle(hidden, 0);
    map.setSelectedElement(hidden);
    node->setCollapsed(true);
    ASSERT_FALSE(hidden->isVisible());
    const auto& entries = paint(*hidden, PaintFlagDesigning);
    ASSERT_EQ(1u, entries.size()) << "no fill, text or markers";
    EXPECT_EQ((std::vector<double>{5, 5}), entries[0].style.dash);
    EXPECT_EQ(LightGray, entries[0].style.color);
    EXPECT_TRUE(paint(*hidden).empty());
}

TEST_F(NodePaintingTest, ClearFillTakesTheHullOrBackgroundAndABarePictureNone)
{
    const std::string picture = storeImage(40, 30);
    const Color hull = Color::rgb255(10, 200, 30);
    struct Case {
        bool inHull, pictureOnly;
        std::optional<Color> fill; // nullopt: the background
        bool filled;
    };
    for (const Case& c : {Case{true, false, hull, true}, Case{false, false, std::nullopt, true},
                          Case{false, true, std::nullopt, false}, Case{true, true, std::nullopt, false}}) {
        MindMapNode* node = topic(c.pictureOnly ? "" : "text");
        node->setCustomFillColor(Color::normalizedClearColor(), std::nullopt, std::nullopt);
        if (c.pictureOnly) node->setEmbeddedImageName(picture);
        if (c.inHull) node->setHullColor(hull);
        node->validateNodeState();
        MindMapPainter& borders = painter();
        borders.paintNodeBorder(*node);
        ASSERT_EQ(c.filled ? 1u : 0u, fills().size()) << c.inHull << c.pictureOnly;
        if (c.filled) {
            EXPECT_EQ(c.fill.value_or(borders.backgroundColor()), fills()[0]->color);
        }
    }
}

TEST_F(NodePaintingTest, NoteMarkerGrowsWithTheBorderAndWithAMatchingNote)
{
    struct Case {
        double borderWidth;
        bool noteMatches;
        double halfSide;
    };
    for (const Case& c : {Case{2, false, 4}, Case{10, false, 6}, Case{2, true, 7}}) {
        MindMapNode* node = topic("abc", 0, c.borderWidth);
        node->setNote("remember the milk");
        MindMapSearchData search("milk");
        search.setScope(SearchScopeText);
        map.setSearchData(&search);
        node->setNoteSearchMatch(c.noteMatches);
        paint(*node, PaintFlagDesigning);
        ASSERT_EQ(2u, fills().size());
        EXPECT_EQ(NoteFill, fills()[1]->color);
        const Rect rect = insetRect(node->bounds(), 5 - c.borderWidth / 2, 5 - c.borderWidth / 2);
        const double m = c.halfSide;
        EXPECT_EQ(Rect(rect.maxX() - 7 - m, rect.minY() - m, 2 * m, 2 * m), fills()[1]->path.controlPointBounds());
        map.setSearchData(nullptr);
    }
}

TEST_F(NodePaintingTest, OnlyUrlsWithASchemeOfTheirOwnBecomePdfLinks)
{
    TempDir folder;
    const std::string file = folder.file("notes.txt");
    writeTestFile(file, "x");
    for (const auto& [url, linked] : {std::pair<std::string, bool>{"https://example.org/a?b=1", true},
                                      {"mailto:someone@example.org", true},
                                      {"file://" + file, false},
                                      {file, false}}) {
        MindMapNode* node = topic("abc");
        node->linkToURL(url);
        ASSERT_TRUE(node->diagramLink()->isValid()) << url;
        for (auto [kind, flags] :
             {std::pair<GraphicsSurfaceKind, uint32_t>{GraphicsSurfaceKind::Pdf, PaintFlagPdfLinks},
              {GraphicsSurfaceKind::Bitmap, PaintFlagPdfLinks},
              {GraphicsSurfaceKind::Pdf, 0u}}) {
            RecordingGraphicsContext output(kind);
            MindMapPaintSelection selection(&map);
            MindMapPainter(output, selection, flags, Rect()).paintMindMapNode(*node);
            const bool expected = linked && flags && kind == GraphicsSurfaceKind::Pdf;
            ASSERT_EQ(expected ? 1u : 0u, output.entriesOfKind(Kind::Link).size()) << url;
            NodeIcon* icon = node->diagramLink()->icon();
            if (expected) {
                EXPECT_EQ(insetRect(Rect(node->diagramLinkOrigin(), icon->size()), icon->hMargin(), icon->vMargin()),
                          output.entriesOfKind(Kind::Link)[0]->rect);
            }
        }
    }
}

TEST_F(NodePaintingTest, MissingPictureShowsAWhiteBoxWithARedCross)
{
    MindMapImage* image = topic("abc")->addCustomImage("0123456789abcdef0123456789abcdef", "");
    image->setLocation({400, 300});
    const Rect bounds = image->bounds();
    painter().paintCustomImage(*image);
    ASSERT_EQ(1u, fills().size());
    EXPECT_EQ(Color::white(), fills()[0]->color);
    EXPECT_EQ(bounds, fills()[0]->path.controlPointBounds());
    ASSERT_EQ(2u, strokes().size());
    const Entry& cross = *strokes()[1];
    EXPECT_EQ(Color(1, 0, 0), cross.style.color);
    EXPECT_EQ(4.0, cross.path.lineWidth());
    const double half = bounds.width() / 4;
    EXPECT_EQ(Rect(bounds.midX() - half, bounds.midY() - half, 2 * half, 2 * half), cross.path.controlPointBounds());

    painter(0, Rect(0, 0, 10, 10)).paintCustomImage(*image);
    EXPECT_TRUE(context.entries().empty()) << "outside the clip";
}

TEST_F(NodePaintingTest, CallOutReachesForItsContainerUnlessItLiesInside)
{
    MindMapNode* node = topic("container");
    MindMapText* text = node->addText();
    text->setText("label");
    text->style()->setCallOut(1);
    text->style()->setPropCustomized(TextStyle::CallOutMask, true);
    text->validateState();
    text->setAbsLocation(node->location());
    EXPECT_FALSE(painter().paintTextCallOut(*text, std::nullopt, false)) << "region 4";
    EXPECT_TRUE(context.entries().empty());

    // Far to the right of its container, level with it: out through the left edge, a sixth of the
    // height below the centre.
    text->setAbsLocation({node->location().x + 300, node->location().y});
    const Rect b = text->bounds();
    EXPECT_TRUE(painter().paintTextCallOut(*text, std::nullopt, false));
    const auto& outline = strokes().at(0)->path.elements();
    ASSERT_EQ(8u, outline.size());
    const double baseY = text->location().y + b.height() / 6;
    EXPECT_EQ((Point{b.minX(), baseY + 5}), outline[4].points[0]);
    EXPECT_EQ((Point{b.minX(), baseY - 5}), outline[6].points[0]);
    EXPECT_NEAR(node->bounds().maxX() + 5, outline[5].points[0].x, 0.5) << "the tip meets the grown container";
}

TEST_F(NodePaintingTest, TopicsOutsideTheClipBuildNoTextAndPaintingTwiceDrawsTheSame)
{
    MindMapNode* node = child(topic("abc"), {300, 200});
    node->setText("sub");
    node->setNote("note");
    node->setCheckboxMode(2);
    node->setProgress(40);
    map.setAutoNumberStyle(AutoNumberBelow);
    settle(node, 0);
    EXPECT_TRUE(paint(*node, 0, Rect(1000, 1000, 50, 50)).empty());

    const auto digest = [](const std::vector<Entry>& entries) {
        std::ostringstream out;
        for (const Entry& e : entries) {
            out << int(e.kind) << e.color.red() << e.style.color.red() << e.path.lineWidth() << e.text;
            for (const auto& element : e.path.elements()) out << element.points[0].x << element.points[0].y;
        }
        return out.str();
    };
    const Point location = node->location();
    const std::string first = digest(paint(*node, PaintFlagDesigning, node->bounds()));
    EXPECT_EQ(2u, context.entriesOfKind(Kind::Text).size()) << "the text and the number below";
    EXPECT_EQ(first, digest(paint(*node, PaintFlagDesigning, node->bounds())));
    EXPECT_EQ(location, node->location());
    // The boxed number hangs one point below the border, 8 in from the left, 6 wider than its label.
    const Rect bounds = node->bounds();
    const Size label = node->autoNumberIconSize();
    EXPECT_EQ(Rect(bounds.minX() + 8, bounds.maxY() - 2, label.width + 6, label.height), node->belowAutoNumberIcon());
}

TEST_F(NodePaintingTest, ThumbnailsShowNoAdornmentsOrMarkers)
{
    MindMapNode* node = topic("abc");
    node->setNote("note");
    node->setCheckboxMode(1);
    child(node, {300, 200});
    node->setCollapsed(true);
    paint(*node);
    EXPECT_EQ(4u, fills().size()) << "border, note marker, checkbox, collapse marker";
    paint(*node, PaintFlagThumbnail);
    EXPECT_EQ(1u, fills().size());
    EXPECT_EQ(1u, context.entriesOfKind(Kind::Text).size());
}

TEST_F(NodePaintingTest, DropTargetGlowsBlueBeneathItselfAboveAllOtherTopics)
{
    MindMapNode* target = topic("target");
    MindMapNode* other = topic("other");
    map.setDropTarget(target);
    MindMapPainter::paintMindMap(context, *MindMapPaintSelection::mindMapPaintSelection(map, false),
                                 PaintFlagDesigning | PaintFlagNoShadows, Rect());
    const auto& entries = context.entries();
    const auto glow = std::find_if(entries.begin(), entries.end(), [](const Entry& e) {
        return e.kind == Kind::ShadowBegin && e.shadow.blurRadius == 40;
    });
    ASSERT_NE(entries.end(), glow);
    EXPECT_EQ(Color(0, 122.0 / 255, 1), glow->shadow.color);
    EXPECT_EQ(Size(0, 0), glow->shadow.offset);
    EXPECT_EQ(Kind::Fill, glow[1].kind);
    EXPECT_EQ(insetRect(target->bounds(), 4, 4), glow[2].path.controlPointBounds());
    EXPECT_EQ(Kind::ShadowEnd, glow[3].kind);
    EXPECT_EQ("target", entries.back().text) << "the target itself comes last";
    EXPECT_EQ(2u, context.entriesOfKind(Kind::Text).size()) << other->text();
}
