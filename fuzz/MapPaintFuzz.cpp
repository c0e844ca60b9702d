#include "FuzzHome.h"

#include "MindMaps/MindMap.h"
#include "formats/TwkxMindMapReader.h"
#include "platform/CairoGraphicsContext.h"
#include "platform/CairoGuard.h"
#include "render/MindMapPaintSelection.h"
#include "render/MindMapPainter.h"
#include "store/CustomImageStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

// Opening a map measures its texts, which loads the system's fonts once: the font library keeps
// its configuration for the life of the process, which the leak checker would report at exit.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

// Paints whatever opens as a native document, as the canvas, an export and a thumbnail do. No
// coordinate, width or radius a document carries may put cairo into an error state.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool registered = (registerNativeFormat(), true);
    (void)registered;
    static const auto store = std::make_shared<CustomImageStore>();
    constexpr int32_t native = static_cast<int32_t>(MindMapReadFormat::Native);

    MindMap map(store);
    if (!map.readFromData(MindMapData(data, data + size), "0123456789ABCDEF01234567", native)) return 0;
    map.validateElementStates();
    const auto selection = MindMapPaintSelection::mindMapPaintSelection(map, false);
    const CairoSurface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 48));
    const CairoContext cr(cairo_create(surface.get()));
    CairoGraphicsContext context(cr.get(), GraphicsSurfaceKind::Bitmap);
    const Rect area = selection->visualArea();
    context.translate(-area.minX(), -area.minY());
    if (!MindMapPainter::paintMindMap(context, *selection, PaintFlagDesigning, Rect()) ||
        !MindMapPainter::paintMindMap(context, *selection, 0, Rect(area.origin, Size{64, 48})))
        std::abort();
    if (MindMapPainter::createThumbnailImage(map).empty()) std::abort();
    return 0;
}
