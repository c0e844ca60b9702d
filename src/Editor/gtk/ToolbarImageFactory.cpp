#include "Editor/gtk/ToolbarImageFactory.h"

#include "platform/CairoGraphicsContext.h"
#include "platform/gtk/GtkNamedImages.h"

#include <cairo.h>

#include <algorithm>
#include <map>
#include <tuple>

namespace {

using PictureKey = std::tuple<std::string, int, uint32_t>;

std::map<PictureKey, Cairo::RefPtr<Cairo::ImageSurface>>& pictures()
{
    static std::map<PictureKey, Cairo::RefPtr<Cairo::ImageSurface>> cache;
    return cache;
}

uint32_t packed(const Color& ink)
{
    auto byte = [](double value) { return static_cast<uint32_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255)); };
    return byte(ink.red()) << 24 | byte(ink.green()) << 16 | byte(ink.blue()) << 8 | byte(ink.alpha());
}

Cairo::RefPtr<Cairo::ImageSurface> draw(const ToolbarImageRow& row, int scale, const Color& ink)
{
    const int side = static_cast<int>(ToolbarPictureSize) * scale;
    auto surface = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, side, side);
    // GTK shows a surface at its device scale: one point of the picture is scale pixels.
    cairo_surface_set_device_scale(surface->cobj(), scale, scale);
    auto cr = Cairo::Context::create(surface);
    CairoGraphicsContext context(cr->cobj(), GraphicsSurfaceKind::Screen);
    row.draw(context, {0, 0, ToolbarPictureSize, ToolbarPictureSize}, row.name, ink);
    surface->flush();
    return surface;
}

// The drawn picture an image shows, kept with the image so that a new theme or state redraws it.
struct ShownPicture {
    std::string name;
    int scale = 1;
    uint32_t ink = 0;
};

const char* const ShownPictureKey = "tarnwick-drawn-picture";

// The colour the theme gives the image's text and symbolic icons in its state.
Color themeInk(Gtk::Image& image)
{
    const Gdk::RGBA color = image.get_style_context()->get_color(image.get_state_flags());
    return {color.get_red(), color.get_green(), color.get_blue(), color.get_alpha()};
}

void showDrawn(Gtk::Image& image)
{
    auto* shown = static_cast<ShownPicture*>(image.get_data(ShownPictureKey));
    const ToolbarImageRow* row = shown ? toolbarImage(shown->name) : nullptr;
    if (!row || !row->draw) return;
    const Color ink = themeInk(image);
    if (image.get_storage_type() == Gtk::IMAGE_SURFACE && shown->ink == packed(ink)) return;
    shown->ink = packed(ink);
    image.set(ToolbarImageFactory::picture(*row, shown->scale, ink));
}

} // namespace

Cairo::RefPtr<Cairo::ImageSurface> ToolbarImageFactory::picture(const ToolbarImageRow& row, int scale, const Color& ink)
{
    if (!row.draw) return {};
    scale = std::clamp(scale, 1, 8);
    auto& cache = pictures();
    const PictureKey key{std::string(row.name), scale, packed(ink)};
    auto found = cache.find(key);
    if (found != cache.end()) return found->second;
    return cache[key] = draw(row, scale, ink);
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
    auto* shown = static_cast<ShownPicture*>(image.get_data(ShownPictureKey));
    if (!row || row->iconName) {
        // The image no longer shows a drawn picture: a change of style leaves it alone.
        if (shown) shown->name.clear();
        if (!row) image.clear();
        else image.set_from_icon_name(row->iconName, Gtk::ICON_SIZE_SMALL_TOOLBAR);
        return row != nullptr;
    }
    if (!shown) {
        shown = new ShownPicture;
        image.set_data(ShownPictureKey, shown, [](void* data) { delete static_cast<ShownPicture*>(data); });
        // Like a symbolic icon, the picture takes the colour of the text where it shows: that of
        // the theme, the button's state and the menu's, which are known once the image is placed.
        image.signal_style_updated().connect([&image] { showDrawn(image); });
        image.signal_state_flags_changed().connect([&image](Gtk::StateFlags) { showDrawn(image); });
    }
    shown->name = name;
    shown->scale = scale;
    shown->ink = packed(themeInk(image));
    image.set(picture(*row, scale, themeInk(image)));
    return true;
}
