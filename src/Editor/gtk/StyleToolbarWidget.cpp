#include "Editor/gtk/StyleToolbarWidget.h"

#include "Editor/StylePictures.h"
#include "Editor/StyleToolbarImages.h"
#include "platform/Image.h"
#include "platform/gtk/GtkNamedImages.h"

#include <gtkmm/image.h>

StyleToolbarWidget::StyleToolbarWidget(const StyleToolsOwner& owner)
{
    installImageResolver();
    addSegmentedControlItems(StyleToolsBuilder::buildStyleTools(owner));
    int minimum = 0, natural = 0;
    get_size_request(minimum, natural);
    _defaultHeight = natural;
}

void StyleToolbarWidget::installImageResolver()
{
    static bool installed = false;
    if (installed) return;
    installed = true;
    setNamedImageResolver([](Gtk::Image& target, const std::string& name) {
        if (StylePictures::isDrawn(name)) {
            const int scale = std::max(1, target.get_scale_factor());
            if (const auto picture = StylePictures::picture(name, std::max(2, scale))) {
                setGtkImagePicture(target, *picture);
                return;
            }
        }
        const std::string themed = themedIconForStyleImage(name);
        target.set_from_icon_name(themed.empty() ? name : themed, Gtk::ICON_SIZE_MENU);
    });
}
