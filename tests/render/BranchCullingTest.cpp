#include "MindMaps/LayoutModes.h"
#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapTestSupport.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TextStyle.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/Image.h"
#include "render/BranchBounds.h"
#include "render/MindMapPaintSelection.h"
#include "render/MindMapPainter.h"
#include "support/PixelProbe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <random>
#include <string>

using namespace maptest;

namespace {

constexpr int Width = 480, Height = 320;

// A map with a bit of everything the painter draws round a topic, spread wide enough that a
// window shows only part of it: three themes with branches several levels deep, nested hulls,
// every border and line style, notes, free texts and images on topics and lines, a hidden topic,
// a collapsed one, a top-down one and cross links; shadows on.
class BranchCullingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        map.newMindMap("", false, std::nullopt);
        std::mt19937 random(17);
        std::deque<MindMapNode*> open;
        const Point themes[] = {{0, 0}, {0, 2200}, {3200, 400}};
        for (const Point& at : themes) open.push_back(addTopic(map, nullptr, at, "theme"));
        std::uniform_int_distribution<int> branching(3, 5);
        for (int count = 3; count < 360 && !open.empty();) {
            MindMapNode* parent = open.front();
            open.pop_front();
            const int children = branching(random);
            for (int c = 0; c < children; ++c, ++count) {
                const Point at{parent->location().x + 190, parent->location().y + (c - children / 2.0) * 44};
                MindMapNode* child = addTopic(map, parent, at, "topic " + std::to_string(count));
                dress(child, count);
                open.push_back(child);
            }
        }
        const std::vector<MindMapNode*>& nodes = map.nodes();
        for (MindMapNode* theme : map.centralThemes())
            for (MindMapNode* branch : theme->children()) branch->assureHullStyle();
        nodes[40]->assureHullStyle(); // nested inside its main branch's hull
        nodes[57]->setIsHidden(true);
        nodes[61]->setCollapsed(true);
        nodes[12]->setLayoutMode(LayoutModeTopDown);
        std::uniform_int_distribution<size_t> pick(0, nodes.size() - 1);
        for (int links = 0; links < 12;) {
            MindMapNode* source = nodes[pick(random)];
            MindMapNode* target = nodes[pick(random)];
            if (!map.canCreateCrossLinkFromSource(source, target)) continue;
            map.internalAddCrossLinkFromSource(source, target);
            ++links;
        }
        _sharedScheme = map.styleSheet()->colorScheme();
        auto scheme = std::make_shared<MMColorScheme>("culling", "culling");
        scheme->setBackgroundColor(Color::white());
        scheme->setShadowColor(Color(0, 0, 0, 0.4));
        map.styleSheet()->setColorScheme(scheme);
        map.validateElementStates();
        selection = MindMapPaintSelection::mindMapPaintSelection(map, false);
    }
    // The map's style sheet is the process-wide default one: its scheme goes back for the next test.
    void TearDown() override { map.styleSheet()->setColorScheme(_sharedScheme); }

    static void dress(MindMapNode* node, int i)
    {
        if (i % 5 == 0) node->setNote("a note");
        if (i % 7 == 0) {
            NodeStyle* style = node->style();
            ElementStyle::UpdateGuard batch(*style);
            style->setFillColor(Color::rgb255(i % 256, 128, 64));
            style->setPropCustomized(TextStyle::FillColorMask, true);
            style->setBorderStyle(i % 8);
            style->setPropCustomized(NodeStyle::BorderStyleMask, true);
        }
        if (i % 3 == 0) node->parentRelation()->ownStyle()->setLineStyle(i % 10);
        if (i % 13 == 0) {
            node->addCustomImage("0123456789abcdef0123456789abcdef01234567", "")->setRelLocation(Point{10, -60});
            node->addText()->setText("free");
        }
        if (i % 17 == 0) node->parentRelation()->addText()->setText("on the line");
    }

    // The window at that zoom centred on the map point, painted as the canvas paints it: only what
    // its clip shows, with the branch bounds given.
    std::unique_ptr<Image> paint(double zoom, Point centre, BranchBounds& bounds)
    {
        const Rect clip(centre.x - Width / 2 / zoom - 10, centre.y - Height / 2 / zoom - 10, Width / zoom + 20,
                        Height / zoom + 20);
        auto image = std::make_unique<Image>(Width, Height);
        const CairoContext cr(cairo_create(image->surface()));
        CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Screen);
        context.concat(AffineTransform::scaling(zoom, zoom)
                           .concatenating(AffineTransform::translation(Width / 2 / zoom - centre.x,
                                                                       Height / 2 / zoom - centre.y)));
        const uint32_t flags = PaintFlagDesigning | (zoom <= 0.5 ? PaintFlagSimplifyFineDashes : 0u);
        EXPECT_TRUE(MindMapPainter::paintMindMap(context, *selection, flags, clip, &bounds));
        cairo_surface_flush(image->surface());
        return image;
    }

    static bool samePixels(const Image& a, const Image& b)
    {
        return std::memcmp(cairo_image_surface_get_data(a.surface()), cairo_image_surface_get_data(b.surface()),
                           size_t(cairo_image_surface_get_stride(a.surface())) * Height) == 0;
    }

    static int inkedPixels(const Image& image)
    {
        int inked = 0;
        for (int y = 0; y < Height; y += 4)
            for (int x = 0; x < Width; x += 4) inked += !(pixelAt(image.surface(), x, y) == Rgb{255, 255, 255});
        return inked;
    }

    MindMap map;
    std::unique_ptr<MindMapPaintSelection> selection;

private:
    std::shared_ptr<MMColorScheme> _sharedScheme;
};

// Passing over branches out of view leaves the picture as it was when every topic was asked:
// at every zoom and scroll position, with the bounds kept from one frame to the next as the
// canvas keeps them.
TEST_F(BranchCullingTest, CulledWindowsShowWhatEveryTopicPaintedShows)
{
    struct View {
        double zoom;
        Point centre;
        const char* where;
    };
    const View views[] = {
        {1.0, {400, 0}, "inside the first theme's hulls"},
        {1.0, {900, 300}, "on the edge of the first theme's branches"},
        {1.0, {3600, 500}, "the third theme"},
        {1.0, {1700, 1200}, "between the themes, only long lines"},
        {1.0, {-700, -500}, "beside the map"},
        {0.5, {600, 900}, "half size across two themes"},
        {0.5, {3600, 300}, "half size on the third theme"},
        {0.25, {1200, 1000}, "quarter size on most of the map"},
        {0.25, {2500, -900}, "quarter size over the top edge"},
    };
    BranchBounds kept;
    BranchBounds everything{BranchBounds::LetEverythingThrough{}};
    for (const View& view : views) {
        SCOPED_TRACE(view.where);
        const auto reference = paint(view.zoom, view.centre, everything);
        const auto culled = paint(view.zoom, view.centre, kept);
        EXPECT_TRUE(samePixels(*reference, *culled));
    }
    EXPECT_EQ(1, kept.measurements());
    EXPECT_GT(inkedPixels(*paint(1.0, {400, 0}, kept)), 100);
}

// Bounds kept from before a change never hide what the change brought into view: moving a topic,
// hiding one, collapsing or expanding one, adding one.
TEST_F(BranchCullingTest, KeptBoundsFollowTheMapsChanges)
{
    const std::vector<MindMapNode*>& nodes = map.nodes();
    struct Change {
        const char* what;
        std::function<void()> apply;
        bool reported; // by the map itself
    };
    const Point centre{-600, 900};
    const Change changes[] = {
        {"a topic moved into view", [&] { nodes[30]->setLocation(centre); }, true},
        {"its branch hidden", [&] { nodes[30]->setIsHidden(true); }, true},
        {"a branch collapsed and expanded",
         [&] {
             nodes[61]->setCollapsed(false);
             nodes[9]->setCollapsed(true);
         },
         true},
        {"a topic added in view",
         [&] {
             addTopic(map, nodes[4], Point{-500, 950}, "new");
         },
         true},
        {"a line bent into view",
         [&] {
             nodes[100]->parentRelation()->relationPath().setStraightLine(centre, {centre.x + 300, centre.y});
         },
         false},
    };
    BranchBounds kept;
    BranchBounds everything{BranchBounds::LetEverythingThrough{}};
    paint(1.0, centre, kept);
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        change.apply();
        map.validateElementStates();
        const auto reference = paint(1.0, centre, everything);
        EXPECT_GT(inkedPixels(*reference), 20);
        // A change the map reports needs nothing of the keeper; one it cannot see (a path set
        // directly) is caught by marking the bounds stale, as the canvas does on every redraw
        // request.
        if (!change.reported) kept.invalidate();
        EXPECT_TRUE(samePixels(*reference, *paint(1.0, centre, kept)));
    }
}

} // namespace
