#include "Editor/gtk/ImageDensityViews.h"

#include "Editor/ImageDensityChoice.h"
#include "platform/Localizer.h"

#include <glibmm/markup.h>

void fillDensityPopup(Gtk::ComboBoxText& popup)
{
    popup.remove_all();
    for (const ImageDensityChoice::Density& density : ImageDensityChoice::Densities)
        popup.append(localized(density.titleKey));
}

void showImageSizeLine(Gtk::Label& label, const std::string& text, bool acceptable)
{
    const Glib::ustring escaped = Glib::Markup::escape_text(text);
    label.set_markup(acceptable ? escaped : "<span foreground=\"red\">" + escaped + "</span>");
}
