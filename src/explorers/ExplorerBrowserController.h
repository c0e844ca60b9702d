#pragma once

#include "Editor/ModelessPanelController.h"
#include "explorers/MindMapExplorerBase.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class MindMapSearchField;

// What the browser controller needs of its window: a title, the target caption, OK and Cancel, a
// search field (only for the local store) and the place the explorer's view goes.
class ExplorerBrowserWindow : public PanelWindow {
public:
    virtual void setTitle(const std::string& title) = 0;
    virtual void setTargetLabel(const std::string& label) = 0;
    virtual void setOkEnabled(bool enabled) = 0;
    virtual void setButtonTitles(const std::string& ok, const std::string& cancel) = 0;
    // nullptr once removed.
    virtual MindMapSearchField* searchField() = 0;
    virtual void removeSearchField() = 0;
    // The explorer's view fills the window's container and follows its size.
    virtual void embedExplorer(MindMapExplorerBase& explorer) = 0;
    virtual void focusExplorer() = 0;
    virtual void show() = 0;
};

// A small window over the editor in which an explorer picks something: a map or document to link
// to, an image, a folder to copy or move a map into. The pick goes to the caller's function when
// the window closes after OK (or after the explorer's own end, a double click); Cancel and the
// close box call nothing. The window closes when the user clicks elsewhere or uses a menu, except
// the mode menu of its own search field.
class ExplorerBrowserController : public ModelessPanelController, public MindMapBrowserDelegate {
public:
    static constexpr const char* WindowNibName = "ExplorerBrowserController";
    static constexpr const char* FrameAutosaveName = "ExplorerBrowser";

    using OnSelected = std::function<void(const std::string& selection)>;
    using ExplorerFactory = std::function<std::shared_ptr<MindMapExplorerBase>(int32_t explorerMode)>;
    using WindowFactory =
        std::function<std::unique_ptr<ExplorerBrowserWindow>(const std::shared_ptr<ExplorerBrowserController>&)>;

    // The explorer of a provider type (0 local, 1 Dropbox, 2 Google Drive), installed by the
    // library that has it; an empty factory removes it.
    static void registerExplorerFactory(int32_t providerType, ExplorerFactory factory);
    // The desktop's browser window; without one no browser opens.
    static void setWindowFactory(WindowFactory factory);
    // The window's topic link actions pick their targets in these browsers.
    static void installTopicLinkBrowser();
    // nullptr for a type without explorer.
    static std::shared_ptr<MindMapExplorerBase> newExplorerForProviderType(int32_t providerType, int32_t explorerMode);

    // Each opens a browser and returns at once; the pick arrives later. nullptr when none opened.
    static std::shared_ptr<ExplorerBrowserController>
    selectCloudDocLink(int32_t providerType, const std::string& currentLink, OnSelected onSelected);
    static std::shared_ptr<ExplorerBrowserController> selectImageInCloud(int32_t providerType, OnSelected onSelected);
    static std::shared_ptr<ExplorerBrowserController>
    selectMindMapHyperLink(int32_t providerType, const std::string& currentLink, OnSelected onSelected);
    static std::shared_ptr<ExplorerBrowserController> selectCopyToCloudTarget(int32_t providerType,
                                                                              OnSelected onSelected);
    static std::shared_ptr<ExplorerBrowserController> selectMoveToCloudTarget(int32_t providerType,
                                                                              OnSelected onSelected);
    static std::shared_ptr<ExplorerBrowserController> runBrowserForProvider(int32_t providerType, int32_t explorerMode,
                                                                            const std::string& selection,
                                                                            OnSelected onSelected);

    // The window's title and target caption for a mode; provider: the explorer's.
    static std::string windowTitleForMode(int32_t explorerMode, const MindMapProvider* provider);
    static std::optional<std::string> targetCaptionForMode(int32_t explorerMode);
    // "<caption> <title>", or the caption alone without a title.
    static std::string targetLabelText(const std::string& caption, const std::optional<std::string>& title);

    ExplorerBrowserController(std::shared_ptr<MindMapExplorerBase> explorer, OnSelected onSelected);
    ~ExplorerBrowserController() override;

    MindMapExplorerBase* explorer() const { return _explorer.get(); }
    ExplorerBrowserWindow* browserWindow() const { return _browserWindow.get(); }
    void setBrowserWindow(std::unique_ptr<ExplorerBrowserWindow> window);
    const std::optional<std::string>& selection() const { return _selection; }
    const std::optional<std::string>& targetPrefix() const { return _targetPrefix; }

    void windowDidLoad() override;
    // OK follows the pick, the label shows it.
    void windowDidUpdate();
    void okButtonClicked();
    void cancelButtonClicked();
    void endBrowserWithSelection(const std::string& selection) override;
    void windowWillClose() override;
    bool ownsMenu(const void* menu) const override;
    // Its own search field's mode menu takes the keyboard while it is shown: the window stays.
    void windowDidResignKey() override;
    void setOwnMenuShown(bool shown) { _ownMenuShown = shown; }

private:
    std::shared_ptr<MindMapExplorerBase> _explorer;
    std::unique_ptr<ExplorerBrowserWindow> _browserWindow;
    OnSelected _onSelected;
    std::optional<std::string> _targetPrefix;
    std::optional<std::string> _selection;
    bool _closed = false;
    bool _ownMenuShown = false;
};
