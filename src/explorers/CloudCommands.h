#pragma once

#include "Editor/ToolbarSegmentMenu.h"
#include "MindMaps/MindMapFormats.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ActionSender;
class FileListItem;
class Menu;
class MindMapProvider;
class Responder;
class SegmentedControlItem;

// What the cloud explorers' file commands share, whichever service they serve.
namespace CloudCommands {

inline constexpr const char* CopyToProviderAction = "copyToProvider:";

// Fills the copy-to-cloud menu: one item for each other enabled cloud provider, in registry order, whose
// represented value is that provider; a single disabled notice when there is none.
void fillCopyToCloudMenu(Menu& menu, const MindMapProvider* own, Responder* target);
// The provider a copy-to-cloud item stands for; nullptr for any other sender.
MindMapProvider* providerOfSender(const ActionSender* sender);

// A name the user typed becomes one path component: nothing that would address another folder
// (a "/" or "\", ".", "..") and not empty. The message for the user, or nothing when it may be used.
std::optional<std::string> invalidNameMessage(const std::string& name);

// The state the toolbar and menu commands of a cloud explorer are enabled by.
struct CommandState {
    int32_t explorerMode = 0;
    bool linked = false;
    bool listerIdle = true;
    bool userTaskRunning = false;
    bool online = true;
    bool searching = false;
    size_t pathStackCount = 0;
    bool itemSelected = false;
    bool mapSelected = false;
    bool canShowThumbnails = false;
};
// Whether the action ("newDocument:", "goBack:", ...) is enabled in that state.
bool isEnabled(const std::string& action, const CommandState& state);

// A menu that is filled just before it opens: a toolbar segment's drop-down or a submenu whose
// items depend on the providers enabled at that moment.
class FilledOnOpenMenu : public ToolbarSegmentMenu {
public:
    explicit FilledOnOpenMenu(std::function<void(Menu&)> fill) : ToolbarSegmentMenu({}), _fill(std::move(fill)) {}
    void updateMenuBeforeDropDown() override
    {
        if (_fill) _fill(*this);
    }

private:
    std::function<void(Menu&)> _fill;
};

// The service's own words in the menus of its pane.
struct ServiceKeys {
    const char* busyTitle;
    const char* synchronize;
    // The notice when a user's operation keeps the context menu shut.
    const char* busyMessage;
};

// The toolbar of a cloud pane: in the main window the file commands (the first segment with the
// add menu, the third with the copy-to-cloud menu given) and the navigation with synchronising;
// in a browser window only the way up.
std::vector<std::shared_ptr<SegmentedControlItem>>
toolbarItems(int32_t explorerMode, Responder* target, const ServiceKeys& keys, std::shared_ptr<Menu> cloudMenu);

// What the context menu of a cloud pane is composed from.
struct ContextMenuState {
    bool userTaskRunning = false;
    bool searching = false;
    bool online = true;
    bool listerIdle = true;
    bool canShowThumbnails = false;
    bool showThumbnails = false;
    // The selected row; never the navigate-up entry.
    const FileListItem* item = nullptr;
};
// Fills the context menu for that state; every item targets the pane. makeCloudSubmenu gives the
// copy-to-cloud submenu of a selected map.
void fillContextMenu(Menu& menu, const ContextMenuState& state, const ServiceKeys& keys, Responder* target,
                     const std::function<std::shared_ptr<Menu>()>& makeCloudSubmenu);

// The outcome of importing files into a cloud folder.
struct ImportOutcome {
    // One line per file left out, naming it and why.
    std::vector<std::string> failures;
    // The id of the last map made; empty when none was.
    std::string lastMade;
};
// Reads each OPML, FreeMind or text file and hands its native archive to create (title without
// extension, data), which answers the new map's id or the empty text. Without a folder to put them
// in (hasFolder false) every file is left out, and named.
ImportOutcome importForeignMaps(const std::vector<std::string>& files, bool hasFolder,
                                const std::function<std::string(const std::string&, const MindMapData&)>& create);
// Tells the user of the files left out, one a line.
void reportImportFailures(const std::vector<std::string>& failures);

} // namespace CloudCommands
