#pragma once

#include "platform/Image.h"
#include "platform/Responder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class MindMapProvider;

// Commits the open map before another takes its place; when that fails the user chooses, as on
// every road to another map, to try again, to stay (false), or to discard the changes.
bool leaveOpenMap();

// What an explorer is for. In the main window it browses and opens; in a browser window it only
// lets the user pick something, which the browser hands to its caller.
enum ExplorerMode : int32_t {
    MainExplorerMode = 0,
    LinkCloudDocumentExplorerMode = 1,
    SelectCloudImageExplorerMode = 2,
    LinkMindMapExplorerMode = 3,
    CopyToFolderExplorerMode = 4,
    MoveToFolderExplorerMode = 5,
};

// The modes whose pick is a folder (a copy or move target): files are shown dimmed.
constexpr bool IsFolderTargetExplorerMode(int32_t mode)
{
    return (mode | 1) == MoveToFolderExplorerMode;
}

// The owner of an explorer running in a browser window; an explorer calls it to finish with a
// pick of its own (a double click on a map, say).
class MindMapBrowserDelegate {
public:
    virtual ~MindMapBrowserDelegate() = default;
    virtual void endBrowserWithSelection(const std::string& selection) = 0;
};

// A pane the main window's explorer list can show: an explorer, or the cloud set-up pane.
class ExplorerPane : public Responder {
public:
    ~ExplorerPane() override = default;
    virtual std::string title() const { return {}; }
};

// Every explorer pane of the application (the local store's and the cloud services'). Its mode is
// fixed when it is made. In the main window (mode 0) it opens maps when they are selected and
// offers the file commands; in a browser window it only makes a pick. The operations below are
// hooks; what this class does is what an explorer without that service does.
class MindMapExplorerBase : public ExplorerPane {
public:
    explicit MindMapExplorerBase(int32_t explorerMode);
    ~MindMapExplorerBase() override;
    MindMapExplorerBase(const MindMapExplorerBase&) = delete;
    MindMapExplorerBase& operator=(const MindMapExplorerBase&) = delete;

    int32_t explorerMode() const { return _explorerMode; }
    // The provider whose maps the explorer shows; nullptr here.
    virtual MindMapProvider* provider() const { return nullptr; }

    bool active() const { return _active; }
    // A change is stored, then onActivated() or onDeactivated() runs; the same value calls neither.
    virtual void setActive(bool active);
    virtual void onActivated() {}
    virtual void onDeactivated() {}
    // The explorer's rows and observers are set up; called once, when its widgets exist.
    virtual void loadView() {}
    // The window brings its menus and bars up to date.
    virtual void windowDidUpdate() {}
    // How the explorer asks its window to bring them up to date once the main loop is idle; none
    // in a browser window.
    void setNeedsValidationHandler(std::function<void()> handler) { _needsValidation = std::move(handler); }

    // An item identifier or path to start with; may be empty.
    virtual void setInitialSelection(const std::string& /*selection*/) {}
    // What the browser would return now; nothing when there is no pick.
    virtual std::optional<std::string> selectedBrowserItem() const { return std::nullopt; }
    // Shown after the browser's target caption.
    virtual std::optional<std::string> selectedBrowserItemTitle() const { return selectedBrowserItem(); }
    // The pick is about to be returned to the browser's caller.
    virtual void willReturnSelectedItem(const std::string& /*selection*/) {}

    // The file commands, also reached as the actions "newDocument:", "addFolder:",
    // "importDocument:" and "importPdf:" while the explorer is in the responder chain.
    virtual void newDocument() {}
    virtual void addFolder() {}
    virtual void importDocument() {}
    virtual void importPdf() {}

    // Disabled here: an explorer enables only what it offers.
    ItemValidation validateUserInterfaceItem(const ValidatedUserInterfaceItem& item) override;

    // Not owned; set only while the explorer runs in a browser window.
    MindMapBrowserDelegate* browserDelegate() const { return _browserDelegate; }
    void setBrowserDelegate(MindMapBrowserDelegate* delegate) { _browserDelegate = delegate; }

protected:
    // Ends the browser with the pick, when the explorer runs in one.
    void endBrowser(const std::string& selection);
    // What the window's controls show of the explorer changed without an input event of the
    // window's (a listing that ended, the network).
    void setNeedsValidation()
    {
        if (_needsValidation) _needsValidation();
    }

private:
    int32_t _explorerMode;
    std::function<void()> _needsValidation;
    bool _active = false;
    MindMapBrowserDelegate* _browserDelegate = nullptr;
};

// One entry of the main window's explorer list.
class CloudNavigationItem {
public:
    // The pane is not owned; it outlives the item.
    explicit CloudNavigationItem(ExplorerPane* viewController) : _viewController(viewController) {}
    virtual ~CloudNavigationItem() = default;

    // Null here.
    virtual Image icon() const { return {}; }
    virtual std::string title() const { return _viewController ? _viewController->title() : std::string(); }
    virtual bool enabled() const { return true; }
    virtual void setActive(bool /*active*/) {}
    virtual MindMapProvider* provider() const { return nullptr; }
    ExplorerPane* viewController() const { return _viewController; }

private:
    ExplorerPane* _viewController;
};

// The entry of a provider's explorer: the provider's icon, title and state.
class ProviderNavigationItem : public CloudNavigationItem {
public:
    explicit ProviderNavigationItem(MindMapExplorerBase* explorer);

    Image icon() const override;
    std::string title() const override;
    bool enabled() const override;
    void setActive(bool active) override;
    MindMapProvider* provider() const override { return _provider; }

private:
    MindMapExplorerBase* _explorer;
    MindMapProvider* _provider;
};

// The entry of the cloud set-up pane.
class SetupNavigationItem : public CloudNavigationItem {
public:
    static constexpr const char* IconName = "cloud_setup";
    using CloudNavigationItem::CloudNavigationItem;
    Image icon() const override;
};
