#include "render/MindMapPainter.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNodeTestSupport.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/TextStyle.h"
#include "render/MindMapPaintSelection.h"
#include "support/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using Kind = RecordingGraphicsContext::Kind;
using Entry = RecordingGraphicsContext::Entry;
using Type = BezierPath::ElementType;

const Color LightGray(2.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0);
const Color NoteFill = Color::rgb255(240, 240, 64);

// Everything an entry draws, as text, so that two paintings can be compared whole.
std::string digest(const std::vector<Entry>& entries)
{
    std::ostringstream out;
    for (const Entry& e : entries) {
        out << int(e.kind) << ' ' << e.color.red() << ',' << e.color.green() << ',' << e.color.blue() << ' '
            << e.style.color.red() << ' ' << e.path.lineWidth() << ' ' << e.text << ' ' << e.rect.minX() << '|';
        for (const auto& element : e.path.elements())
            out << int(element.type) << ':' << element.points[0].x << ',' << element.points[0].y << ';';
        out << '\n';
    }
    return out.str();
}

class NodePaintingTest : public nodetest::NodeTest {
protected:
    MindMapNode* topic(const std::string& text, int32_t borderStyle = 0)
    {
        MindMapNode* node = theme(text);
        node->setLocation({200, 100});
        settle(node, borderStyle);
        return node;
    }

    const std::vector<Entry>& paint(MindMapNode& node, uint32_t flags = 0, const Rect& clip = Rect())
    {
        context.clear();
        MindMapPaintSelection selection(&map);
        MindMapPainter painter(context, selection, flags, clip);
        painter.paintMindMapNode(node);
        return context.entries();
    }

    std::vector<const Entry*> strokes() const { return context.entriesOfKind(Kind::Stroke); }
    std::vector<const Entry*> fills() const { return context.entriesOfKind(Kind::Fill); }

    RecordingGraphicsContext context;
};

} // namespace

TEST_F(NodePaintingTest, BorderLiesFiveMinusHalfItsWidthInsideTheBounds)
{
    struct Case {
        int32_t style;
        size_t elements;
    };
    // Unknown codes draw the rounded rectangle of style 0.
    for (const Case& c : {Case{0, 10}, Case{1, 10}, Case{2, 9}, Case{3, 6}, Case{4, 10}, Case{5, 5}, Case{6, 11},
                          Case{42, 10}, Case{-3, 10}}) {
        MindMapNode* node = topic("abc", c.style);
        node->style()->changeBorderWidth(3);
        node->validateNodeState();
        paint(*node);
        ASSERT_EQ(1u, strokes().size()) << c.style;
        const BezierPath& path = strokes()[0]->path;
        EXPECT_EQ(3.0, path.lineWidth()) << c.style;
        EXPECT_EQ(c.elements, path.elements().size()) << c.style;
        const Rect inner = insetRect(node->bounds(), 3.5, 3.5);
        if (c.style != 6) {
            const Rect drawn = path.controlPointBounds();
            EXPECT_NEAR(inner.minX(), drawn.minX(), 1e-9) << c.style;
            EXPECT_NEAR(inner.minY(), drawn.minY(), 1e-9) << c.style;
            EXPECT_NEAR(inner.maxX(), drawn.maxX(), 1e-9) << c.style;
            EXPECT_NEAR(inner.maxY(), drawn.maxY(), 1e-9) << c.style;
        }
        if (c.style == 0 || c.style == 42 || c.style == -3) {
            EXPECT_EQ((Point{inner.minX() + 7, inner.minY()}), path.elements()[0].points[0]) << "corner radius 7";
        }
        ASSERT_EQ(1u, fills().size());
        EXPECT_EQ(node->fillColor(), fills()[0]->color);
        EXPECT_EQ(node->strokeColor(), strokes()[0]->style.color);
    }
}

TEST_F(NodePaintingTest, BorderlessTopicsFrameOnlyWhenEmpty)
{
    MindMapNode* withText = topic("abc", NodeStyle::NoBorder);
    paint(*withText);
    EXPECT_TRUE(strokes().empty());

    MindMapNode* empty = topic("", NodeStyle::NoBorder);
    paint(*empty);
    ASSERT_EQ(1u, strokes().size());
    EXPECT_EQ(1.0, strokes()[0]->path.lineWidth());
    const Rect frame = insetRect(empty->bounds(), 0.5, 0.5);
    EXPECT_EQ(frame, strokes()[0]->path.controlPointBounds());
    EXPECT_EQ((Point{frame.minX() + 2, frame.minY()}), strokes()[0]->path.elements()[0].points[0]) << "radius 2";
}

TEST_F(NodePaintingTest, SelectedBorderGrowsByThreeOnlyInAMultipleSelection)
{
    MindMapNode* node = topic("abc");
    MindMapNode* other = topic("def");
    map.setSelectedElement(node);
    paint(*node, PaintFlagDesigning);
    EXPECT_EQ(2.0, strokes()[0]->path.lineWidth());

    map.toggleSelection(other, false);
    ASSERT_TRUE(map.hasMultipleSelection());
    paint(*node, PaintFlagDesigning);
    EXPECT_EQ(5.0, strokes()[0]->path.lineWidth());
    EXPECT_EQ(insetRect(node->bounds(), 2.5, 2.5), strokes()[0]->path.controlPointBounds());
    // Pictures of the map show no selection.
    paint(*node, PaintFlagDesigning | PaintFlagThumbnail);
    EXPECT_EQ(2.0, strokes()[0]->path.lineWidth());
}

TEST_F(NodePaintingTest, HiddenSelectedTopicIsADashedGreyOutlineOnly)
{
    MindMapNode* parent = topic("parent");
    MindMapNode* hidden = child(parent, {300, 100});
    hidden->setText("hidden");
    settle(hidden, 0);
    map.setSelectedElement(hidden);
    hidden->setNote("a note");
    parent->setCollapsed(true);
    ASSERT_FALSE(hidden->isVisible());
    ASSERT_TRUE(hidden->isSelected());

    const auto& entries = paint(*hidden, PaintFlagDesigning);
    ASSERT_EQ(1u, entries.size());
    const Entry& outline = entries[0];
    EXPECT_EQ(Kind::Stroke, outline.kind);
    EXPECT_EQ((std::vector<double>{5, 5}), outline.style.dash);
    EXPECT_EQ(0.0, outline.style.dashPhase);
    EXPECT_EQ(LightGray, outline.style.color);

    EXPECT_TRUE(paint(*hidden, PaintFlagThumbnail | PaintFlagDesigning).empty());
    EXPECT_TRUE(paint(*hidden).empty());
}

TEST_F(NodePaintingTest, ClearFillTakesTheHullOrBackgroundAndABarePictureNone)
{
    const std::string picture = storeImage(40, 30);
    struct Case {
        bool inHull;
        bool pictureOnly;
        std::string fill; // "hull", "background" or "" for none
    };
    for (const Case& c :
         {Case{true, false, "hull"}, Case{false, false, "background"}, Case{false, true, ""}, Case{true, true, ""}}) {
        MindMapNode* node = topic(c.pictureOnly ? "" : "text");
        node->setCustomFillColor(Color::normalizedClearColor(), std::nullopt, std::nullopt);
        if (c.pictureOnly) node->setEmbeddedImageName(picture);
        const Color hull = Color::rgb255(10, 200, 30);
        if (c.inHull) node->setHullColor(hull);
        node->validateNodeState();
        ASSERT_EQ(c.pictureOnly, node->isTextCollapsed());

        MindMapPaintSelection selection(&map);
        context.clear();
        MindMapPainter painter(context, selection, 0, Rect());
        painter.paintNodeBorder(*node);
        const auto found = fills();
        if (c.fill.empty()) {
            EXPECT_TRUE(found.empty()) << c.inHull;
            continue;
        }
        ASSERT_EQ(1u, found.size());
        EXPECT_EQ(c.fill == "hull" ? hull : painter.backgroundColor(), found[0]->color) << c.fill;
    }
}

TEST_F(NodePaintingTest, NoteMarkerGrowsWithTheBorderAndWithAMatchingNote)
{
    struct Case {
        double borderWidth;
        bool noteMatches;
        double halfSide;
    };
    for (const Case& c : {Case{2, false, 4}, Case{10, false, 6}, Case{2, true, 7}, Case{10, true, 9}}) {
        MindMapNode* node = topic("abc");
        node->style()->changeBorderWidth(c.borderWidth);
        node->setNote("remember the milk");
        node->validateNodeState();
        MindMapSearchData search("milk");
        search.setScope(SearchScopeText);
        map.setSearchData(&search);
        node->setSearchMatch(true);
        node->setNoteSearchMatch(c.noteMatches);

        paint(*node, PaintFlagDesigning);
        const auto found = fills();
        ASSERT_EQ(2u, found.size());
        const Entry& marker = *found[1];
        EXPECT_EQ(NoteFill, marker.color);
        const Rect rect = insetRect(node->bounds(), 5 - c.borderWidth / 2, 5 - c.borderWidth / 2);
        const Rect square(rect.maxX() - 7 - c.halfSide, rect.minY() - c.halfSide, 2 * c.halfSide, 2 * c.halfSide);
        EXPECT_EQ(square, marker.path.controlPointBounds()) << c.borderWidth << " " << c.noteMatches;
        map.setSearchData(nullptr);
    }
}

TEST_F(NodePaintingTest, TopicOutsideTheSearchIsDimmed)
{
    MindMapNode* node = topic("abc");
    MindMapSearchData search("zzz");
    search.setScope(SearchScopeText);
    map.setSearchData(&search);
    ASSERT_FALSE(node->searchMatch());
    paint(*node, PaintFlagDesigning);
    EXPECT_EQ(dimmedColor(node->strokeColor(), false), strokes()[0]->style.color);
    const auto texts = context.entriesOfKind(Kind::Text);
    ASSERT_EQ(1u, texts.size());
    EXPECT_EQ(dimmedColor(node->textColor(), false), texts[0]->attributedText.attributesAt(0).color);

    paint(*node); // outside the editor nothing is dimmed
    EXPECT_EQ(node->strokeColor(), strokes()[0]->style.color);
}

TEST_F(NodePaintingTest, OnlyUrlsWithASchemeOfTheirOwnBecomePdfLinks)
{
    TempDir folder;
    const std::string file = folder.file("notes.txt");
    writeTestFile(file, "x");
    struct Case {
        std::string url;
        bool linked;
    };
    for (const Case& c : {Case{"https://example.org/a?b=1", true}, Case{"mailto:someone@example.org", true},
                          Case{"file://" + file, false}, Case{file, false}}) {
        MindMapNode* node = topic("abc");
        node->linkToURL(c.url);
        node->validateNodeState();
        ASSERT_TRUE(node->diagramLink()->isValid()) << c.url;

        RecordingGraphicsContext pdf(GraphicsSurfaceKind::Pdf);
        MindMapPaintSelection selection(&map);
        MindMapPainter(pdf, selection, PaintFlagPdfLinks, Rect()).paintMindMapNode(*node);
        const auto links = pdf.entriesOfKind(Kind::Link);
        EXPECT_EQ(c.linked ? 1u : 0u, links.size()) << c.url;
        if (c.linked) {
            NodeIcon* icon = node->diagramLink()->icon();
            EXPECT_EQ(insetRect(Rect(node->diagramLinkOrigin(), icon->size()), icon->hMargin(), icon->vMargin()),
                      links[0]->rect);
        }
        // Bitmaps take no links, and neither do PDF jobs that did not ask for them.
        RecordingGraphicsContext bitmap(GraphicsSurfaceKind::Bitmap);
        MindMapPainter(bitmap, selection, PaintFlagPdfLinks, Rect()).paintMindMapNode(*node);
        EXPECT_TRUE(bitmap.entriesOfKind(Kind::Link).empty());
        RecordingGraphicsContext unasked(GraphicsSurfaceKind::Pdf);
        MindMapPainter(unasked, selection, 0, Rect()).paintMindMapNode(*node);
        EXPECT_TRUE(unasked.entriesOfKind(Kind::Link).empty());
    }
}

TEST_F(NodePaintingTest, MissingPictureShowsAWhiteBoxWithARedCross)
{
    MindMapNode* node = topic("abc");
    MindMapImage* image = node->addCustomImage("0123456789abcdef0123456789abcdef", "");
    image->setLocation({400, 300});
    ASSERT_FALSE(image->image());
    const Rect bounds = image->bounds();
    ASSERT_FALSE(bounds.isEmpty());

    context.clear();
    MindMapPaintSelection selection(&map);
    MindMapPainter painter(context, selection, 0, Rect());
    painter.paintCustomImage(*image);
    ASSERT_EQ(1u, fills().size());
    EXPECT_EQ(Color::white(), fills()[0]->color);
    EXPECT_EQ(bounds, fills()[0]->path.controlPointBounds());
    ASSERT_EQ(2u, strokes().size());
    EXPECT_EQ(painter.toolStrokeColor(), strokes()[0]->style.color);
    const Entry& cross = *strokes()[1];
    EXPECT_EQ(Color(1, 0, 0), cross.style.color);
    EXPECT_EQ(4.0, cross.path.lineWidth());
    const double half = bounds.width() / 4;
    EXPECT_EQ(Rect(bounds.midX() - half, bounds.midY() - half, 2 * half, 2 * half), cross.path.controlPointBounds());
    EXPECT_EQ(4u, cross.path.elements().size()); // two diagonals

    // Outside the clip nothing is drawn.
    context.clear();
    MindMapPainter clipped(context, selection, 0, Rect(0, 0, 10, 10));
    clipped.paintCustomImage(*image);
    EXPECT_TRUE(context.entries().empty());
}

TEST_F(NodePaintingTest, CallOutReachesForItsContainerUnlessItLiesInside)
{
    MindMapNode* node = topic("container");
    MindMapText* text = node->addText();
    text->setText("label");
    text->style()->setCallOut(1);
    text->style()->setPropCustomized(TextStyle::CallOutMask, true);
    text->validateState();
    MindMapPaintSelection selection(&map);

    // Inside the text's box: no call-out, the text is drawn with its ordinary frame.
    text->setAbsLocation(node->location());
    context.clear();
    MindMapPainter painter(context, selection, 0, Rect());
    EXPECT_FALSE(painter.paintTextCallOut(*text, std::nullopt, false));
    EXPECT_TRUE(context.entries().empty());

    // Far to the right of the container: the bubble leaves through its left edge.
    text->setAbsLocation({node->location().x + 300, node->location().y});
    const Rect b = text->bounds();
    context.clear();
    EXPECT_TRUE(painter.paintTextCallOut(*text, std::nullopt, false));
    ASSERT_EQ(1u, strokes().size());
    const auto& outline = strokes()[0]->path.elements();
    ASSERT_EQ(8u, outline.size()); // corners, close, and three points on the left edge
    // The container lies level with the text: the base sits a sixth of the height below its
    // centre.
    const double baseY = text->location().y + b.height() / 6;
    EXPECT_EQ((Point{b.minX(), baseY + 5}), outline[4].points[0]);
    EXPECT_EQ((Point{b.minX(), baseY - 5}), outline[6].points[0]);
    const Point tip = outline[5].points[0];
    const Rect target = insetRect(node->bounds(), -5, -5);
    EXPECT_NEAR(target.maxX(), tip.x, 0.5) << "the tip sits where the line enters the grown container";
    EXPECT_EQ(1.0, strokes()[0]->path.lineWidth());
}

TEST_F(NodePaintingTest, TopicsOutsideTheClipBuildNoText)
{
    MindMapNode* node = topic("abc");
    node->setNote("note");
    EXPECT_TRUE(paint(*node, 0, Rect(1000, 1000, 50, 50)).empty());
    paint(*node, 0, Rect(node->bounds().maxX() - 1, node->bounds().maxY() - 1, 50, 50));
    EXPECT_EQ(1u, context.entriesOfKind(Kind::Text).size());
}

TEST_F(NodePaintingTest, PaintingTwiceDrawsTheSame)
{
    MindMapNode* node = topic("abc");
    node->setNote("note");
    node->setCheckboxMode(2);
    node->setProgress(40);
    map.setAutoNumberStyle(AutoNumberBelow);
    MindMapNode* sub = child(node, {300, 200});
    sub->setText("sub");
    settle(sub, 3);
    map.validateElementStates();
    const Point location = sub->location();
    const std::string first = digest(paint(*sub, PaintFlagDesigning));
    EXPECT_EQ(first, digest(paint(*sub, PaintFlagDesigning)));
    EXPECT_EQ(location, sub->location());
}

TEST_F(NodePaintingTest, ThumbnailsShowNoAdornmentsOrMarkers)
{
    MindMapNode* node = topic("abc");
    node->setNote("note");
    node->setCheckboxMode(1);
    child(node, {300, 200});
    node->setCollapsed(true);
    node->validateNodeState();
    ASSERT_TRUE(node->collapsed());

    paint(*node);
    // Border, note marker, checkbox, collapse marker.
    EXPECT_EQ(4u, fills().size());
    EXPECT_EQ(NoteFill, fills()[1]->color);

    paint(*node, PaintFlagThumbnail);
    EXPECT_EQ(1u, fills().size());
    EXPECT_EQ(1u, context.entriesOfKind(Kind::Text).size());
}
