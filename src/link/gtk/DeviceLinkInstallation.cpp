#include "link/gtk/DeviceLinkInstallation.h"

#include "Editor/DeviceLinkServices.h"
#include "link/LinkStatusPane.h"
#include "link/gtk/TwkDevicePinView.h"
#include "link/gtk/iPhoneLinkStatusView.h"
#include "link/iPhoneLinkServices.h"
#include "platform/gtk/GtkAlertPanel.h"
#include "preferences/gtk/PreferencesWindow.h"

#include <cstdlib>
#include <string_view>

void installDeviceLink()
{
    // The system's DNS-SD library warns on standard error at its first call unless told not to.
    setenv("AVAHI_COMPAT_NOWARN", "1", 0);
    setDeviceLinkServicesFactory([]() -> std::unique_ptr<DeviceLinkServices> {
        // Runs of the whole program under test would otherwise listen on every interface and
        // announce themselves on whatever network the machine is on.
        if (const char* link = std::getenv(DeviceLinkVariable); link && std::string_view(link) == "off") return {};
        return std::make_unique<iPhoneLinkServices>();
    });
    GtkAlertPanel::registerAccessory(iPhoneLinkServices::PinViewAccessoryName,
                                     [](const std::any& model) -> Gtk::Widget* {
                                         auto* const* pin = std::any_cast<DevicePinModel*>(&model);
                                         if (!pin || !*pin) return nullptr;
                                         return Gtk::make_managed<TwkDevicePinView>(**pin);
                                     });
    PreferencesWindow::addPaneContents(LinkStatusPane::Identifier,
                                       [] { return Gtk::make_managed<iPhoneLinkStatusView>(); });
}
