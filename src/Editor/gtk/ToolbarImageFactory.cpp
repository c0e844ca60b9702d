#include "Editor/gtk/ToolbarImageFactory.h"

#include "platform/CairoGraphicsContext.h"
#include "platform/gtk/GtkNamedImages.h"

#include <cairo.h>

#include <algorithm>
#include <map>
#include <utility>

namespace {

std::map<std::pair<std::string, int>, Cairo::RefPtr<Cairo::ImageSurface>>& pictures()
{
    static std::map<std::pair<std::string, int>, Cairo::RefPtr<Cairo::ImageSurface>> cache;
    return cache;
}

Cairo::RefPtr<Cairo::ImageSurface> draw(const ToolbarImageRow& row, int scale)
{
    const int side = static_cast<int>(ToolbarPictureSize) * scale;
    auto surface = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, side, side);
    // GTK shows a surface at its device scale: one point of the picture is scale pixels.
    cairo_surface_set_device_scale(surface->cobj(), scale, scale);
    auto cr = Cairo::Context::create(surface);
    CairoGraphicsContext context(cr->cobj(), GraphicsSurfaceKind::Screen);
    row.draw(context, {0, 0, ToolbarPictureSize, ToolbarPictureSize}, row.name);
    surface->flush();
    return surface;
}

} // namespace

Cairo::RefPtr<Cairo::ImageSurface> ToolbarImageFactory::picture(const ToolbarImageRow& row, int scale)
{
    if (!row.draw) return {};
    scale = std::clamp(scale, 1, 8);
    auto& cache = pictures();
    auto key = std::make_pair(std::string(row.name), scale);
    auto found = cache.find(key);
    if (found != cache.end()) return found->second;
    return cache[key] = draw(row, scale);
}

void ToolbarImageFactory::install()
{
    static bool installed = false;
    if (installed) return;
    installed = true;
    setNamedImageResolver([](Gtk::Image& target, const std::string& name) {
        setImage(target, name, std::max(1, target.get_scale_factor()));
    });
}

void ToolbarImageFactory::prepare(int scale)
{
    for (const ToolbarImageRow& row : toolbarImageRows())
        if (row.draw) picture(row, scale);
}

bool ToolbarImageFactory::setImage(Gtk::Image& image, const std::string& name, int scale)
{
    const ToolbarImageRow* row = toolbarImage(name);
    if (!row) {
        image.clear();
        return false;
    }
    if (row->iconName) image.set_from_icon_name(row->iconName, Gtk::ICON_SIZE_SMALL_TOOLBAR);
    else image.set(picture(*row, scale));
    return true;
}
