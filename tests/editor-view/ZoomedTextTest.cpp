#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "editor-view/MindMapEditor.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/FileUtils.h"
#include "platform/PangoTextMeasurer.h"
#include "platform/TextLayoutCache.h"
#include "platform/UserDefaults.h"
#include "support/ManualScheduler.h"

#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <string>
#include <vector>

namespace {

// As wide as the widest main topic at the largest zoom.
constexpr Size Frame{800, 200};

// The lines the canvas laid the topic's text out in when it last drew it, and where the text
// reached: the layout the drawing kept, not one laid out anew.
struct DrawnText {
    std::vector<std::string> lines;
    Rect extent;
};

std::optional<DrawnText> drawnText(MindMapNode& node)
{
    TextLayoutCache& cache = TextLayoutCache::forThisThread();
    const size_t made = cache.layoutsMade();
    PangoLayout* layout = cache.layoutFor(node.displayText(), node.textSize().width);
    if (cache.layoutsMade() != made) return std::nullopt;
    DrawnText drawn;
    const std::string text = pango_layout_get_text(layout);
    for (GSList* l = pango_layout_get_lines_readonly(layout); l; l = l->next) {
        const auto* line = static_cast<PangoLayoutLine*>(l->data);
        drawn.lines.push_back(text.substr(size_t(line->start_index), size_t(line->length)));
    }
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    const Point origin = node.textOrigin();
    drawn.extent = Rect(origin.x + logical.x / double(PANGO_SCALE), origin.y + logical.y / double(PANGO_SCALE),
                        logical.width / double(PANGO_SCALE), logical.height / double(PANGO_SCALE));
    return drawn;
}

class ZoomedText : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults::standard().removeObject("editorGlobalScaleFactor");
        // Shadows take most of a frame's time and touch no text.
        UserDefaults::standard().setBool("suppressShadows", true);
        TextMeasurer::setShared(&measurer);
    }
    void TearDown() override
    {
        TextMeasurer::setShared(nullptr);
        UserDefaults::standard().removeObject("suppressShadows");
    }

    PangoTextMeasurer measurer;
};

} // namespace

// A text keeps the lines it has at 100 % at every zoom, inside its topic: measured once in map
// units, it must not be laid out again at the device scale, where glyphs are not as wide.
TEST_F(ZoomedText, MainTopicsKeepTheirLinesAndShapesAtEveryZoom)
{
    registerNativeFormat();
    auto map = std::make_shared<MindMap>();
    const auto data = readFileData(std::string(TARNWICK_SOURCE_DIR) + "/resources/maps/getting_started_mind_map.twkx");
    ASSERT_TRUE(data && map->readFromData(*data, "", 2));
    ManualScheduler scheduler;
    MindMapEditor editor(&scheduler);
    editor.setFrameSize(Frame);
    editor.setMindMap(map);
    map->validateElementStates();
    const std::vector<MindMapNode*> topics = map->mainCentralTheme()->children();
    ASSERT_EQ(10u, topics.size());

    const CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(Frame.width), int(Frame.height)));
    std::vector<std::vector<std::string>> atActualSize;
    std::vector<int> percents{100};
    for (int percent = 10; percent <= 400; percent += 5) percents.push_back(percent);
    for (const int percent : percents) {
        editor.setUserScaleFactor(percent / 100.0);
        for (size_t i = 0; i < topics.size(); ++i) {
            MindMapNode& topic = *topics[i];
            editor.scrollMapPointToCenter(topic.location());
            {
                const CairoContext cr(cairo_create(surface.get()));
                CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Screen);
                editor.draw(context, Rect(Point{}, Frame));
            }
            const std::optional<DrawnText> drawn = drawnText(topic);
            ASSERT_TRUE(drawn) << topic.text() << " at " << percent << " %";
            if (percent == 100) atActualSize.push_back(drawn->lines);
            EXPECT_EQ(atActualSize[i], drawn->lines) << topic.text() << " at " << percent << " %";
            const Rect bounds = topic.bounds();
            EXPECT_TRUE(drawn->extent.minX() >= bounds.minX() && drawn->extent.maxX() <= bounds.maxX() &&
                        drawn->extent.minY() >= bounds.minY() && drawn->extent.maxY() <= bounds.maxY())
                << topic.text() << " at " << percent << " %";
        }
    }
}
