#include "editor-view/CanvasPicture.h"

#include "EditorViewTestSupport.h"
#include "MindMaps/MindMapStyle.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "support/RecordingGraphicsContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

// The largest difference of any channel of any pixel, and how many pixels differ by more than
// `tolerance`.
struct Difference {
    int largest = 0;
    int pixels = 0;
};

Difference compare(const Image& a, const Image& b, int tolerance = 0)
{
    Difference difference;
    cairo_surface_flush(a.surface());
    cairo_surface_flush(b.surface());
    const unsigned char* p = cairo_image_surface_get_data(a.surface());
    const unsigned char* q = cairo_image_surface_get_data(b.surface());
    const int stride = cairo_image_surface_get_stride(a.surface());
    for (int y = 0; y < a.pixelHeight(); ++y)
        for (int x = 0; x < a.pixelWidth(); ++x) {
            int largest = 0;
            for (int c = 0; c < 4; ++c)
                largest = std::max(largest, std::abs(int(p[y * stride + x * 4 + c]) - int(q[y * stride + x * 4 + c])));
            difference.largest = std::max(difference.largest, largest);
            difference.pixels += largest > tolerance;
        }
    return difference;
}

uint32_t pixelAt(const Image& image, int x, int y)
{
    cairo_surface_flush(image.surface());
    uint32_t pixel;
    std::memcpy(
        &pixel,
        cairo_image_surface_get_data(image.surface()) + y * cairo_image_surface_get_stride(image.surface()) + x * 4, 4);
    return pixel;
}

// A map of a few shapes, painted as the editor paints: map units scaled and moved by the view.
struct ShapesPainter {
    CanvasPicture::View view;
    Color shapeColor = Color(0.8, 0.1, 0.1);
    std::vector<Rect> asked{}; // the view rectangles painted, in order

    void operator()(GraphicsContext& context, const Rect& area)
    {
        asked.push_back(area);
        BezierPath background;
        background.appendRect(area);
        context.fillPath(background, Color::white());
        context.save();
        context.translate(-view.position.x, -view.position.y);
        context.scale(view.scale, view.scale);
        BezierPath box;
        box.appendRect(Rect(40.5, 30.25, 60, 33));
        context.fillPath(box, shapeColor);
        BezierPath line;
        line.moveTo(Point{-50, 170});
        line.lineTo(Point{260, 20.5});
        line.setLineWidth(3);
        StrokeStyle dashed = StrokeStyle::solid(Color(0.1, 0.3, 0.9));
        dashed.dash = {1.7, 1.7};
        context.strokePath(line, dashed);
        context.restore();
    }
};

// A window of 200 x 150 points at the view's backing scale.
struct Window {
    explicit Window(const CanvasPicture::View& view)
        : image(int(view.frameSize.width * view.backingScale), int(view.frameSize.height * view.backingScale))
    {
    }
    // Draws the dirty rectangle (the whole window by default) through the picture.
    void draw(CanvasPicture& picture, ShapesPainter& painter, std::optional<Rect> dirty = std::nullopt)
    {
        const CairoContext cr(cairo_create(image.surface()));
        CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Screen);
        const double b = painter.view.backingScale;
        context.scale(b, b);
        const Rect all(Point{}, painter.view.frameSize);
        ASSERT_TRUE(picture.draw(context, dirty.value_or(all), painter.view, std::ref(painter)));
        ASSERT_FALSE(context.hasFailed());
    }
    Image image;
};

// The same view painted straight into a window of its own.
Image paintedDirectly(ShapesPainter painter)
{
    Image image(int(painter.view.frameSize.width * painter.view.backingScale),
                int(painter.view.frameSize.height * painter.view.backingScale));
    const CairoContext cr(cairo_create(image.surface()));
    CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Screen);
    context.scale(painter.view.backingScale, painter.view.backingScale);
    painter(context, Rect(Point{}, painter.view.frameSize));
    return image;
}

CanvasPicture::View startView(double backingScale)
{
    CanvasPicture::View view;
    view.frameSize = {200, 150};
    view.backingScale = backingScale;
    view.scale = 1.5;
    view.position = {10, 5};
    view.background = Color::white();
    return view;
}

} // namespace

// Each step changes the view or marks a part stale, then draws the window; the window must show
// what painting the view directly shows, and only the stale or newly shown pixels are painted.
TEST(CanvasPicture, FramesShowWhatADirectPaintShowsPaintingOnlyWhatChanged)
{
    enum class Step { Again, Invalidate, InvalidatePart, Scroll, Zoom, Resize, NewFlags, NewShapes };
    const struct {
        const char* name;
        Step step;
        double dx, dy;        // a scroll, in view points
        double painted;       // pixels painted for the frame, at backing scale 1
        double painted2x = 0; // at backing scale 2, when not four times as many
    } steps[] = {
        {"first frame", Step::Again, 0, 0, 200 * 150},
        {"same again", Step::Again, 0, 0, 0},
        {"down a notch", Step::Scroll, 0, 30, 200 * 30},
        {"back up and left", Step::Scroll, -7, -30, 7 * 150 + 200 * 30},
        {"diagonal", Step::Scroll, 13, 11, 13 * 150 + 200 * 11},
        {"farther than the window", Step::Scroll, 0, 400, 200 * 150},
        {"a quarter point", Step::Scroll, 0.25, 0, 200 * 150},
        {"a part marked", Step::InvalidatePart, 0, 0, 21 * 12, 41 * 23},
        {"everything marked", Step::Invalidate, 0, 0, 200 * 150},
        {"zoomed", Step::Zoom, 0, 0, 200 * 150},
        {"resized", Step::Resize, 0, 0, 210 * 150},
        {"other flags", Step::NewFlags, 0, 0, 210 * 150},
        {"map changed", Step::NewShapes, 0, 0, 210 * 150},
    };
    for (double backingScale : {1.0, 2.0}) {
        CanvasPicture picture;
        ShapesPainter painter{startView(backingScale)};
        std::optional<Window> window;
        for (const auto& s : steps) {
            const std::string name = std::string(s.name) + " at " + std::to_string(backingScale);
            switch (s.step) {
            case Step::Again:
                break;
            case Step::Invalidate:
                picture.invalidate();
                break;
            case Step::InvalidatePart:
                picture.invalidateRect(Rect(30.25, 40, 20, 11.5)); // out to whole pixels
                break;
            case Step::Scroll:
                painter.view.position = {painter.view.position.x + s.dx, painter.view.position.y + s.dy};
                break;
            case Step::Zoom:
                painter.view.scale = 2;
                break;
            case Step::Resize:
                painter.view.frameSize = {210, 150};
                window.reset();
                break;
            case Step::NewFlags:
                painter.view.flags = 2;
                break;
            case Step::NewShapes:
                // A change of the map marks the picture stale; the painter paints it anew.
                painter.shapeColor = Color(0.1, 0.6, 0.2);
                picture.invalidate();
                break;
            }
            if (!window) window.emplace(painter.view);
            const double before = picture.paintedPixels();
            window->draw(picture, painter);
            const double painted =
                backingScale == 2 && s.painted2x > 0 ? s.painted2x : s.painted * backingScale * backingScale;
            EXPECT_EQ(painted, picture.paintedPixels() - before) << name;
            const Difference difference = compare(window->image, paintedDirectly(painter), 2);
            // Edge pixels of the cut dashes may differ by a step of anti-aliasing; nothing else.
            EXPECT_LE(difference.largest, 40) << name;
            EXPECT_LE(difference.pixels, 12) << name;
        }
    }
}

// The window may ask for less than is stale: what lies outside it is painted when it is asked for.
TEST(CanvasPicture, StaleAreasOutsideTheDirtyRectangleWaitTillTheyShow)
{
    CanvasPicture picture;
    ShapesPainter painter{startView(1)};
    Window window(painter.view);
    window.draw(picture, painter);
    painter.shapeColor = Color(0, 0, 0);
    picture.invalidateRect(Rect(40, 30, 20, 20));   // over the box
    picture.invalidateRect(Rect(150, 100, 10, 10)); // over nothing
    painter.asked.clear();
    window.draw(picture, painter, Rect(0, 0, 100, 100));
    ASSERT_EQ(1u, painter.asked.size());
    EXPECT_EQ(Rect(40, 30, 20, 20), painter.asked[0]);
    // The box (view x from 50.75, y from 40.375) shows the new colour where it was painted again.
    EXPECT_EQ(0xff000000u, pixelAt(window.image, 55, 45));
    EXPECT_NE(0xff000000u, pixelAt(window.image, 65, 45));
    painter.asked.clear();
    window.draw(picture, painter, Rect(140, 90, 30, 30));
    ASSERT_EQ(1u, painter.asked.size());
    EXPECT_EQ(Rect(150, 100, 10, 10), painter.asked[0]);
    window.draw(picture, painter);
    EXPECT_EQ(1u, painter.asked.size());
}

// The editor draws windows through its picture, anything else (tests, exports) directly; map
// changes, scrolling and zooming show what painting the editor's view directly shows.
using CanvasPictureEditorTest = editortest::EditorViewTest;

TEST_F(CanvasPictureEditorTest, WindowFramesMatchTheMapPaintedDirectly)
{
    showMap();
    map->style()->setBackgroundColor(Color(0.9, 0.95, 1));
    map->style()->setPropCustomized(MindMapStyle::BackgroundColorMask, true);
    editor->scrollMapPointToCenter(theme->location());
    const Rect all(0, 0, 800, 600);
    Image window(800, 600);
    auto drawWindow = [&](const Rect& dirty) {
        const CairoContext cr(cairo_create(window.surface()));
        CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Screen);
        editor->draw(context, dirty);
    };
    auto direct = [&] {
        Image image(800, 600);
        const CairoContext cr(cairo_create(image.surface()));
        CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Bitmap);
        editor->draw(context, all);
        return image;
    };
    // A window draws its dashed lines from their kept coverage: where a line's edge is
    // anti-aliased, its blend may round one step apart from a stroke drawn directly.
    constexpr int Rounding = 1;
    drawWindow(all);
    EXPECT_LE(compare(window, direct()).largest, Rounding);
    const Image before = direct();

    // A change of the map: the editor is told, and the next frame shows it.
    theme->setColor(Color(0.2, 0.7, 0.3));
    map->validateElementStates();
    editor->mindMapChanged();
    drawWindow(all);
    EXPECT_GT(compare(window, before).pixels, 100);
    EXPECT_LE(compare(window, direct()).largest, Rounding);

    // Scrolled by whole points and by a fraction, then zoomed.
    for (Point step : {Point{0, 30}, Point{-45, 12}, Point{0.25, 0}}) {
        editor->scrollBy(step.x, step.y);
        drawWindow(all);
        EXPECT_LE(compare(window, direct(), 2).pixels, 40) << step.x << ", " << step.y;
    }
    editor->setUserScaleFactor(0.6);
    drawWindow(all);
    EXPECT_LE(compare(window, direct()).largest, Rounding);

    // A recording context is painted directly, with the painter's own drawing.
    RecordingGraphicsContext recording;
    editor->draw(recording, all);
    EXPECT_TRUE(recording.entriesOfKind(RecordingGraphicsContext::Kind::Image).empty());
    EXPECT_FALSE(recording.entriesOfKind(RecordingGraphicsContext::Kind::Fill).empty());
}
