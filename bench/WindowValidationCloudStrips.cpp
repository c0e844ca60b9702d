#include "Editor/SegmentedControlItem.h"
#include "GoogleDrive/GDriveExplorer.h"
#include "dropbox/DropboxExplorer.h"

#include <functional>
#include <memory>
#include <vector>

namespace {

// A cloud tab's strip, which its explorer fills and validates.
struct Strip : CloudExplorerToolbar {
    double addSegmentedControlItems(std::vector<std::shared_ptr<SegmentedControlItem>> controls) override
    {
        items = std::move(controls);
        return 30;
    }
    void setHidden(bool) override {}
    void validateSegmentedControlItems() override
    {
        for (const auto& item : items) item->validate();
    }
    std::vector<std::shared_ptr<SegmentedControlItem>> items;
};

struct CloudTabs {
    Strip dropboxStrip;
    Strip driveStrip;
    DropboxExplorer dropbox{MainExplorerMode};
    GDriveExplorer drive{MainExplorerMode};
};

} // namespace

std::function<void()> cloudStripsValidation(size_t& segments)
{
    auto tabs = std::make_shared<CloudTabs>();
    tabs->dropbox.setToolbar(&tabs->dropboxStrip);
    tabs->dropbox.setupToolbar();
    tabs->drive.setToolbar(&tabs->driveStrip);
    tabs->drive.setupToolbar();
    for (const Strip* strip : {&tabs->dropboxStrip, &tabs->driveStrip})
        for (const auto& item : strip->items) segments += item->segments().size();
    return [tabs] {
        tabs->dropbox.windowDidUpdate();
        tabs->drive.windowDidUpdate();
    };
}
