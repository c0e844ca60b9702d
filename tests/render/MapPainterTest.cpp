#include "MindMaps/MMColorScheme.h"
#include "MindMaps/MindMapSearchData.h"
#include "MindMaps/MindMapTestSupport.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleSheet.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/Image.h"
#include "platform/UserDefaults.h"
#include "render/MindMapPaintSelection.h"
#include "render/MindMapPainter.h"
#include "support/PixelProbe.h"
#include "support/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

using namespace maptest;
using Kind = RecordingGraphicsContext::Kind;

namespace {

class MapPainterTest : public ::testing::Test, protected TwoThemeTopics {
protected:
    void SetUp() override
    {
        map.newMindMap("", false, std::nullopt);
        addTo(map);
        map.internalAddCrossLinkFromSource(a2, b1);
        selection = MindMapPaintSelection::mindMapPaintSelection(map, false);
        _sharedScheme = map.styleSheet()->colorScheme();
    }
    // The map's style sheet is the process-wide default one: its scheme goes back for the next test.
    void TearDown() override { map.styleSheet()->setColorScheme(_sharedScheme); }

    // Gives the map's style sheet a scheme of its own with these colours.
    void useColors(const Color& background, std::optional<Color> shadow = std::nullopt)
    {
        auto scheme = std::make_shared<MMColorScheme>("test", "test");
        scheme->setBackgroundColor(background);
        scheme->setShadowColor(shadow);
        map.styleSheet()->setColorScheme(scheme);
    }

    std::vector<Kind> shadowEntries(uint32_t flags)
    {
        context.clear();
        MindMapPainter::paintMindMap(context, *selection, flags, Rect());
        std::vector<Kind> kinds;
        for (const auto& entry : context.entries())
            if (entry.kind == Kind::ShadowBegin || entry.kind == Kind::ShadowEnd) kinds.push_back(entry.kind);
        return kinds;
    }

    MindMap map;
    std::unique_ptr<MindMapPaintSelection> selection;
    RecordingGraphicsContext context;

private:
    std::shared_ptr<MMColorScheme> _sharedScheme;
};

void expectColor(const Color& expected, const Color& actual, const std::string& what)
{
    EXPECT_NEAR(expected.red(), actual.red(), 1e-9) << what;
    EXPECT_NEAR(expected.green(), actual.green(), 1e-9) << what;
    EXPECT_NEAR(expected.blue(), actual.blue(), 1e-9) << what;
    EXPECT_NEAR(expected.alpha(), actual.alpha(), 1e-9) << what;
}

} // namespace

TEST_F(MapPainterTest, FlagWordDecidesTheJob)
{
    struct Case {
        uint32_t flags;
        bool designing, simplifyLines, suppressShadow, highRes, showAnchors, fineDashes, autoFocus;
    };
    const Case cases[] = {
        {0x1 | 0x8, false, true, true, false, false, false, false}, // thumbnails never design
        {0x8 | 0x10, false, true, true, true, false, false, false},
        {0x10, false, false, false, false, false, false, false},                // high resolution is for thumbnails
        {0x40 | 0x80 | 0x100, false, false, false, false, false, false, false}, // only while designing
        {0x1 | 0x40 | 0x80 | 0x100, true, false, false, false, true, true, true},
    };
    for (const Case& c : cases) {
        const MindMapPainter painter(context, *selection, c.flags, Rect());
        EXPECT_EQ(c.designing, painter.designing()) << std::hex << c.flags;
        EXPECT_EQ(bool(c.flags & 0x8), painter.thumbnailPainting()) << std::hex << c.flags;
        EXPECT_EQ(c.simplifyLines, painter.simplifyLines()) << std::hex << c.flags;
        EXPECT_EQ(c.suppressShadow, painter.suppressShadow()) << std::hex << c.flags;
        EXPECT_EQ(c.highRes, painter.highResThumbnail()) << std::hex << c.flags;
        EXPECT_EQ(c.showAnchors, painter.showAnchors()) << std::hex << c.flags;
        EXPECT_EQ(c.fineDashes, painter.simplifyFineDashes()) << std::hex << c.flags;
        EXPECT_EQ(c.autoFocus, painter.isAutoFocusing()) << std::hex << c.flags;
    }
}

TEST_F(MapPainterTest, SearchDimmingBeatsAutoFocus)
{
    MindMapSearchData criteria("A1");
    criteria.setScope(SearchScopeText);
    map.setSearchData(&criteria);
    const MindMapPainter designing(context, *selection, 0x1 | 0x100, Rect());
    EXPECT_TRUE(designing.isSearching());
    EXPECT_FALSE(designing.isAutoFocusing());
    EXPECT_TRUE(designing.isDimmed(false, true));
    EXPECT_FALSE(designing.isDimmed(true, false));
    // A thumbnail of a map being searched is never dimmed.
    const MindMapPainter thumbnail(context, *selection, MindMapPainter::ThumbnailFlags | 0x1, Rect());
    EXPECT_FALSE(thumbnail.isSearching());
    EXPECT_FALSE(thumbnail.isDimmed(false, false));
}

TEST_F(MapPainterTest, PdfLinksOnlyIntoPdf)
{
    RecordingGraphicsContext pdf(GraphicsSurfaceKind::Pdf);
    EXPECT_TRUE(MindMapPainter(pdf, *selection, PaintFlagPdfLinks, Rect()).insertHyperlinkUrls());
    EXPECT_FALSE(MindMapPainter(pdf, *selection, 0, Rect()).insertHyperlinkUrls());
    RecordingGraphicsContext bitmap(GraphicsSurfaceKind::Bitmap);
    EXPECT_FALSE(MindMapPainter(bitmap, *selection, PaintFlagPdfLinks, Rect()).insertHyperlinkUrls());
}

TEST_F(MapPainterTest, DarkBackgroundUpToLuminanceThirtyFivePercent)
{
    struct Case {
        Color background;
        bool dark;
        Color lineSelection;
    };
    const Case cases[] = {
        {Color(0.35, 0.35, 0.35), true, Color::rgb255(64, 80, 96)},
        {Color(0.36, 0.36, 0.36), false, Color::rgb255(200, 220, 250)},
        {Color(0, 0, 0.7), true, Color::rgb255(64, 80, 96)}, // lightness 0.35 with full saturation
        {Color::white(), false, Color::rgb255(200, 220, 250)},
    };
    for (const Case& c : cases) {
        useColors(c.background);
        const MindMapPainter painter(context, *selection, 0, Rect());
        EXPECT_EQ(c.dark, painter.darkBackground()) << c.background.red() << " " << c.background.blue();
        expectColor(c.lineSelection, painter.lineSelectionColor(), "line selection");
        expectColor(c.background, painter.backgroundColor(), "background");
    }
}

TEST_F(MapPainterTest, DimmingLightensOnLightAndDarkensOnDarkBackgrounds)
{
    struct Case {
        Color background, color, dimmed;
    };
    const Case cases[] = {
        // red: hue 0, saturation 1, lightness 0.5
        {Color::white(), Color(1, 0, 0), Color(0.97, 0.83, 0.83)}, // s 0.7, l 0.5 + 0.5 x 0.8
        {Color::black(), Color(1, 0, 0), Color(0.4, 0.1, 0.1)},    // s 0.6, l 0.25
        {Color::white(), Color(1, 0, 0, 0.5), Color(0.97, 0.83, 0.83, 0.5)},
    };
    for (const Case& c : cases) {
        useColors(c.background);
        const MindMapPainter painter(context, *selection, 0, Rect());
        expectColor(c.dimmed, painter.getDimmedColor(c.color, true), "dimmed");
        expectColor(c.color, painter.getDimmedColor(c.color, false), "not dimmed");
        EXPECT_EQ(std::nullopt, painter.getDimmedColor(std::optional<Color>(), true));
    }
}

// With a shadow colour the relations and the outline pass cast shadows; the texts and pictures on
// relations between them cast none.
TEST_F(MapPainterTest, ShadowsAreSuspendedAroundRelationContents)
{
    useColors(Color::white(), Color(0, 0, 0, 0.5));
    EXPECT_EQ((std::vector<Kind>{Kind::ShadowBegin, Kind::ShadowEnd, Kind::ShadowBegin, Kind::ShadowEnd}),
              shadowEntries(0));
    const auto begin = context.entriesOfKind(Kind::ShadowBegin);
    EXPECT_EQ((Size{3, 3}), begin[0]->shadow.offset);
    EXPECT_EQ(3, begin[0]->shadow.blurRadius);

    for (uint32_t flags : {uint32_t(PaintFlagNoShadows), MindMapPainter::ThumbnailFlags})
        EXPECT_TRUE(shadowEntries(flags).empty()) << flags;
    UserDefaults::standard().setBool("suppressShadows", true);
    EXPECT_TRUE(shadowEntries(0).empty());
    UserDefaults::standard().removeObject("suppressShadows");
    useColors(Color::white());
    EXPECT_TRUE(shadowEntries(0).empty());

    // The shadow keeps three map units at any zoom.
    useColors(Color::white(), Color(0, 0, 0, 0.5));
    context.scale(2, 2);
    shadowEntries(0);
    EXPECT_EQ((Size{6, 6}), context.entriesOfKind(Kind::ShadowBegin)[0]->shadow.offset);
    EXPECT_EQ(0, context.saveDepth());
}

// The editor's topics cast their shadows one by one, each with the very border it is drawn with,
// and are drawn only once, over every shadow: what is drawn is the same with and without shadows.
// A picture of the map draws its topics into the relations' shadow layer and again over it.
TEST_F(MapPainterTest, TheEditorsTopicsCastTheirShadowsAloneAndAreDrawnOnce)
{
    RecordingGraphicsContext window(GraphicsSurfaceKind::Screen);
    auto drawn = [&](RecordingGraphicsContext& into, uint32_t flags) {
        into.clear();
        MindMapPainter::paintMindMap(into, *selection, flags, Rect());
        std::vector<std::pair<Kind, Rect>> kinds;
        for (const auto& e : into.entries())
            if (e.kind == Kind::Fill || e.kind == Kind::Stroke) kinds.emplace_back(e.kind, e.path.controlPointBounds());
        return kinds;
    };
    useColors(Color::white(), Color(0, 0, 0, 0.4));
    const auto unshadowed = drawn(window, PaintFlagDesigning | PaintFlagNoShadows);
    EXPECT_TRUE(window.entriesOfKind(Kind::CastShadow).empty());
    EXPECT_EQ(unshadowed, drawn(window, PaintFlagDesigning));
    const auto casts = window.entriesOfKind(Kind::CastShadow);
    ASSERT_FALSE(casts.empty());
    const auto lastEnd = window.entriesOfKind(Kind::ShadowEnd).back();
    for (const auto* cast : casts) {
        EXPECT_GT(cast, lastEnd) << "cast after the relations' shadow ended";
        EXPECT_EQ((Size{3, 3}), cast->shadow.offset);
        EXPECT_EQ(Color(0, 0, 0, 0.4), cast->shadow.color);
        // The border it casts is one drawn later, with its fill and pen.
        const auto border = std::find_if(window.entries().begin(), window.entries().end(), [&](const auto& e) {
            return e.kind == Kind::Fill && e.path.controlPointBounds() == cast->path.controlPointBounds();
        });
        ASSERT_NE(window.entries().end(), border);
        EXPECT_GT(&*border, cast);
        ASSERT_TRUE(cast->castFill.has_value());
        EXPECT_EQ(border->color, *cast->castFill);
    }
    UserDefaults::standard().setBool("suppressShadows", true);
    drawn(window, PaintFlagDesigning);
    EXPECT_TRUE(window.entriesOfKind(Kind::CastShadow).empty());
    UserDefaults::standard().removeObject("suppressShadows");

    RecordingGraphicsContext picture(GraphicsSurfaceKind::Bitmap);
    const auto once = drawn(picture, PaintFlagNoShadows);
    const auto twice = drawn(picture, 0);
    EXPECT_TRUE(picture.entriesOfKind(Kind::CastShadow).empty());
    EXPECT_GT(twice.size(), once.size());
    const size_t shadowedFills = std::count_if(picture.entries().begin(), picture.entries().end(),
                                               [](const auto& e) { return e.kind == Kind::Fill && e.shadowed; });
    EXPECT_EQ(casts.size(), shadowedFills);
}

TEST_F(MapPainterTest, ZeroClipClipsNothing)
{
    MindMapPainter::paintMindMap(context, *selection, 0, Rect());
    EXPECT_TRUE(context.entriesOfKind(Kind::Clip).empty());
    context.clear();
    MindMapPainter::paintMindMap(context, *selection, 0, Rect(10, 20, 300, 200));
    const auto clips = context.entriesOfKind(Kind::Clip);
    ASSERT_EQ(1u, clips.size());
    EXPECT_EQ(Rect(10, 20, 300, 200), clips[0]->rect);
}

// The canvas repaints only what it shows: whatever is left out or cut for a clip, the clip shows
// what a picture of the whole map shows there, and painting the same map again draws the same.
TEST_F(MapPainterTest, AClippedRepaintShowsInsideItsClipWhatTheWholeMapShows)
{
    useColors(Color::white(), Color(0, 0, 0, 0.4));
    a1->assureHullStyle();
    // Lines running far beyond the window: a dashed line to a distant topic and a cross link to it.
    MindMapNode* far = addTopic(map, a1b, Point{900, 6000}, "far");
    far->parentRelation()->ownStyle()->setLineStyle(4);
    map.internalAddCrossLinkFromSource(a1a, far);
    map.validateElementStates();
    selection = MindMapPaintSelection::mindMapPaintSelection(map, false);

    const AffineTransform transform{1.5, 0, 0, 1.5, 40.5, 120.25};
    auto paint = [&](const Rect& clip) {
        auto image = std::make_unique<Image>(800, 600);
        const CairoContext cr(cairo_create(image->surface()));
        CairoGraphicsContext cairoContext(cr.get(), GraphicsSurfaceKind::Screen);
        cairoContext.concat(transform);
        EXPECT_TRUE(MindMapPainter::paintMindMap(cairoContext, *selection, PaintFlagDesigning, clip));
        cairo_surface_flush(image->surface());
        return image;
    };
    const auto whole = paint(Rect());
    const Rect clip(250, 30, 240, 160); // through the hull, across the long lines
    const auto clipped = paint(clip);
    // Shadows of what lies just outside a clip fall into it only in the whole picture: the editor
    // grows its clip for them, and only its view is compared.
    const Rect device = insetRect(transform.apply(clip), 15, 15);
    int largest = 0, differing = 0, inked = 0;
    for (int y = int(device.minY()); y < int(device.maxY()); ++y)
        for (int x = int(device.minX()); x < int(device.maxX()); ++x) {
            const Rgb p = pixelAt(whole->surface(), x, y), q = pixelAt(clipped->surface(), x, y);
            const int d = std::max({std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
            largest = std::max(largest, d);
            differing += d > 2;
            inked += !(p == Rgb{0, 0, 0}); // the image starts clear; the map fills its background
        }
    EXPECT_GT(inked, 0);
    // Dashed lines cut anew end a hair off; the shadow is blurred on a grid set by what it covers.
    EXPECT_LE(largest, 20);
    EXPECT_LE(differing, inked / 500);

    // Again, with every kept text and hull colour in place: the very same picture.
    const auto again = paint(clip);
    EXPECT_EQ(0,
              std::memcmp(cairo_image_surface_get_data(clipped->surface()),
                          cairo_image_surface_get_data(again->surface()),
                          size_t(cairo_image_surface_get_stride(again->surface())) * 600));
    // Outside the clip the repaint draws nothing.
    EXPECT_EQ((Rgb{0, 0, 0}), pixelAt(clipped->surface(), 5, 5));
}

TEST_F(MapPainterTest, FailedContextIsReported)
{
    EXPECT_TRUE(MindMapPainter::paintMindMap(context, *selection, 0, Rect()));
    context.failWith("out of memory");
    EXPECT_FALSE(MindMapPainter::paintMindMap(context, *selection, 0, Rect()));
}

// A damaged document may place topics anywhere: painting it never puts cairo into an error state.
TEST_F(MapPainterTest, HugeCoordinatesNeverFailTheContext)
{
    useColors(Color::white(), Color(0, 0, 0, 0.5));
    addTopic(map, b1, Point{1e20, -1e20}, "far");
    addTopic(map, nullptr, Point{-1e15, 3e18}, "farther");
    map.internalAddCrossLinkFromSource(a1, b);
    map.validateElementStates();
    selection = MindMapPaintSelection::mindMapPaintSelection(map, false);
    const Image image{200, 100};
    const CairoContext cr(cairo_create(image.surface()));
    CairoGraphicsContext cairoContext(cr.get(), GraphicsSurfaceKind::Bitmap);
    for (uint32_t flags : {0u, uint32_t(PaintFlagDesigning)}) {
        EXPECT_TRUE(MindMapPainter::paintMindMap(cairoContext, *selection, flags, Rect()));
        EXPECT_TRUE(MindMapPainter::paintMindMap(cairoContext, *selection, flags, Rect(-1e19, -1e19, 3e19, 3e19)));
    }
    EXPECT_FALSE(cairoContext.hasFailed()) << cairoContext.failureReason();
    EXPECT_FALSE(MindMapPainter::createThumbnailImage(map).empty());
}
