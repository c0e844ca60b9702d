#include "Editor/gtk/SegmentMenuEntries.h"

#include "Editor/CommandRouter.h"
#include "Editor/SegmentedControlItem.h"
#include "platform/gtk/GtkMenuBuilder.h"

#include <gtkmm/menu.h>
#include <gtkmm/menuitem.h>

std::string segmentEntryTitle(SegmentedControlItem& item, size_t index)
{
    const SegmentedControl::Segment& segment = item.segmentedControl().segment(index);
    std::string title = segment.label ? *segment.label : segment.toolTip;
    if (const size_t key = title.find("  ("); key != std::string::npos) title.erase(key);
    return title;
}

void actAsSegment(Gtk::MenuItem& entry, SegmentedControlItem& item, size_t index)
{
    SegmentedControl& control = item.segmentedControl();
    const std::vector<std::shared_ptr<ToolbarSegment>>& segments = item.segments();
    Menu* menu = control.menu(index);
    // Enabled as the segment on its bar would be, its menu too.
    entry.set_sensitive(control.isEnabled(index));
    if (menu && index < segments.size() && segments[index]->handleMenu()) {
        auto* submenu = Gtk::manage(new Gtk::Menu());
        // Filled as it opens, so its entries are validated then and not at every layout.
        submenu->signal_show().connect([submenu, menu] {
            for (Gtk::Widget* child : submenu->get_children()) submenu->remove(*child);
            CommandRouter::shared().validateMenu(*menu);
            fillGtkMenu(*submenu, *menu, [](const std::shared_ptr<MenuItem>& chosen) {
                CommandRouter::shared().sendAction(chosen->action(), chosen->target(), chosen.get());
            });
        });
        entry.set_submenu(*submenu);
        return;
    }
    entry.signal_activate().connect([&control, index] { control.performClick(static_cast<int>(index)); });
}
