#include "EditorViewTestSupport.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "platform/FileUtils.h"
#include "platform/PangoTextMeasurer.h"
#include "platform/TextLayoutCache.h"

#include <pango/pangocairo.h>

namespace {

// The lines and map-unit extent of the layout the canvas last drew the topic's text with; none
// when the cache had to lay it out anew, so the check never reads a layout the drawing did not use.
std::optional<std::pair<std::vector<std::string>, Rect>> drawnText(MindMapNode& node)
{
    TextLayoutCache& cache = TextLayoutCache::forThisThread();
    const size_t made = cache.layoutsMade();
    PangoLayout* layout = cache.layoutFor(node.displayText(), node.textSize().width);
    if (cache.layoutsMade() != made) return std::nullopt;
    std::vector<std::string> lines;
    const char* text = pango_layout_get_text(layout);
    for (GSList* l = pango_layout_get_lines_readonly(layout); l; l = l->next)
        lines.emplace_back(text + static_cast<PangoLayoutLine*>(l->data)->start_index,
                           size_t(static_cast<PangoLayoutLine*>(l->data)->length));
    PangoRectangle r;
    pango_layout_get_extents(layout, nullptr, &r);
    const double u = PANGO_SCALE;
    return std::pair{lines,
                     Rect(node.textOrigin().x + r.x / u, node.textOrigin().y + r.y / u, r.width / u, r.height / u)};
}

using ZoomedText = editortest::EditorViewTest;

} // namespace

// Measured once in map units, a text must not be laid out again at the device scale, where glyphs
// are not as wide: it keeps its lines at every zoom, inside its topic.
TEST_F(ZoomedText, MainTopicsKeepTheirLinesAndShapesAtEveryZoom)
{
    PangoTextMeasurer pango;
    TextMeasurer::setShared(&pango);
    UserDefaults::standard().setBool("suppressShadows", true); // shadows take most of a frame, touch no text
    registerNativeFormat();
    map = std::make_shared<MindMap>();
    const auto data = readFileData(std::string(TARNWICK_SOURCE_DIR) + "/resources/maps/getting_started_mind_map.twkx",
                                   MaximumMindMapFileSize);
    ASSERT_TRUE(data && map->readFromData(*data, "", 2));
    const Size frame{800, 200}; // as wide as the widest main topic at the largest zoom
    editor->setFrameSize(frame);
    editor->setMindMap(map);
    map->validateElementStates();
    const std::vector<MindMapNode*> topics = map->mainCentralTheme()->children();
    ASSERT_EQ(10u, topics.size());

    const CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(frame.width), int(frame.height)));
    std::vector<std::vector<std::string>> atFirstZoom;
    for (int percent = 10; percent <= 400; percent += 5) {
        editor->setUserScaleFactor(percent / 100.0);
        for (size_t i = 0; i < topics.size(); ++i) {
            SCOPED_TRACE(topics[i]->text() + " at " + std::to_string(percent) + " %");
            editor->scrollMapPointToCenter(topics[i]->location());
            {
                const CairoContext cr(cairo_create(surface.get()));
                CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Screen);
                editor->draw(context, Rect(Point{}, frame));
            }
            const auto drawn = drawnText(*topics[i]);
            ASSERT_TRUE(drawn);
            if (percent == 10) atFirstZoom.push_back(drawn->first);
            EXPECT_EQ(atFirstZoom[i], drawn->first);
            EXPECT_TRUE(containsRect(topics[i]->bounds(), drawn->second));
        }
    }
}
