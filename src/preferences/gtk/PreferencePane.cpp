#include "preferences/gtk/PreferencePane.h"

#include "platform/Localizer.h"

#include <map>

namespace {

// Desktop icon names standing in for the panes' toolbar pictures.
std::string iconForPane(const std::string& identifier)
{
    static const std::map<std::string, std::string> icons{
        {"GeneralOptions", "preferences-system"},
        {"SnapOptions", "view-grid-symbolic"},
        {"GlobalFonts", "preferences-desktop-font"},
        {"ImageOptions", "image-x-generic"},
        {"Maintenance", "folder"},
        {"iPhoneLinkStatus", "phone"},
    };
    auto found = icons.find(identifier);
    return found == icons.end() ? "preferences-other" : found->second;
}

} // namespace

PreferencePane::PreferencePane(const PreferencePaneInfo& info)
    : _identifier(info.identifier), _labelKey(info.labelKey), _image(iconForPane(info.identifier))
{
}

std::string PreferencePane::masToolbarItemLabel() const
{
    return localized(_labelKey);
}

Gtk::Widget& PreferencePane::view()
{
    if (!_view) _view = &loadView();
    return *_view;
}
