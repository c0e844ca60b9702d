#include "explorers/ExplorerBrowserController.h"

#include "Editor/TopicLinkActions.h"
#include "explorers/ExplorerText.h"
#include "explorers/MindMapSearchField.h"
#include "platform/Localizer.h"
#include "platform/TextExcerpt.h"
#include "store/MindMapProvider.h"

#include <map>

namespace {

std::map<int32_t, ExplorerBrowserController::ExplorerFactory>& explorerFactories()
{
    static std::map<int32_t, ExplorerBrowserController::ExplorerFactory> factories;
    return factories;
}

ExplorerBrowserController::WindowFactory& windowFactory()
{
    static ExplorerBrowserController::WindowFactory factory;
    return factory;
}

} // namespace

void ExplorerBrowserController::registerExplorerFactory(int32_t providerType, ExplorerFactory factory)
{
    if (factory) explorerFactories()[providerType] = std::move(factory);
    else explorerFactories().erase(providerType);
}

void ExplorerBrowserController::setWindowFactory(WindowFactory factory)
{
    windowFactory() = std::move(factory);
}

std::shared_ptr<MindMapExplorerBase> ExplorerBrowserController::newExplorerForProviderType(int32_t providerType,
                                                                                           int32_t explorerMode)
{
    auto it = explorerFactories().find(providerType);
    if (it == explorerFactories().end()) return nullptr;
    return it->second(explorerMode);
}

std::shared_ptr<ExplorerBrowserController> ExplorerBrowserController::selectCloudDocLink(int32_t providerType,
                                                                                         const std::string& currentLink,
                                                                                         OnSelected onSelected)
{
    return runBrowserForProvider(providerType, LinkCloudDocumentExplorerMode, currentLink, std::move(onSelected));
}

std::shared_ptr<ExplorerBrowserController> ExplorerBrowserController::selectImageInCloud(int32_t providerType,
                                                                                         OnSelected onSelected)
{
    return runBrowserForProvider(providerType, SelectCloudImageExplorerMode, {}, std::move(onSelected));
}

std::shared_ptr<ExplorerBrowserController>
ExplorerBrowserController::selectMindMapHyperLink(int32_t providerType, const std::string& currentLink,
                                                  OnSelected onSelected)
{
    return runBrowserForProvider(providerType, LinkMindMapExplorerMode, currentLink, std::move(onSelected));
}

std::shared_ptr<ExplorerBrowserController> ExplorerBrowserController::selectCopyToCloudTarget(int32_t providerType,
                                                                                              OnSelected onSelected)
{
    return runBrowserForProvider(providerType, CopyToFolderExplorerMode, {}, std::move(onSelected));
}

std::shared_ptr<ExplorerBrowserController> ExplorerBrowserController::selectMoveToCloudTarget(int32_t providerType,
                                                                                              OnSelected onSelected)
{
    return runBrowserForProvider(providerType, MoveToFolderExplorerMode, {}, std::move(onSelected));
}

std::shared_ptr<ExplorerBrowserController>
ExplorerBrowserController::runBrowserForProvider(int32_t providerType, int32_t explorerMode,
                                                 const std::string& selection, OnSelected onSelected)
{
    std::shared_ptr<MindMapExplorerBase> explorer = newExplorerForProviderType(providerType, explorerMode);
    if (!explorer || !windowFactory()) return nullptr;
    auto controller = std::make_shared<ExplorerBrowserController>(explorer, std::move(onSelected));
    std::unique_ptr<ExplorerBrowserWindow> window = windowFactory()(controller);
    if (!window) return nullptr;
    controller->setBrowserWindow(std::move(window));
    explorer->loadView();
    controller->windowDidLoad();
    explorer->setInitialSelection(selection);
    explorer->setActive(true);
    explorer.reset();
    controller->showWindow();
    controller->windowDidUpdate();
    controller->browserWindow()->show();
    return controller;
}

std::string ExplorerBrowserController::windowTitleForMode(int32_t explorerMode, const MindMapProvider* provider)
{
    switch (explorerMode) {
    case LinkCloudDocumentExplorerMode:
        return localized("hyperlink_link_doc");
    case SelectCloudImageExplorerMode:
        return localized("explorer_select_image_title");
    case LinkMindMapExplorerMode:
        return localized("hyperlink_link_mindmap");
    case CopyToFolderExplorerMode:
        return formatLocalizedText("explorer_copy_to_cloud_caption_fmt",
                                   {provider ? provider->title() : std::string()});
    case MoveToFolderExplorerMode:
        return localized("map_list_move_to_folder");
    default:
        return {};
    }
}

std::optional<std::string> ExplorerBrowserController::targetCaptionForMode(int32_t explorerMode)
{
    switch (explorerMode) {
    case LinkCloudDocumentExplorerMode:
    case LinkMindMapExplorerMode:
        return localized("explorer_link_to_document_caption");
    case SelectCloudImageExplorerMode:
        return localized("explorer_select_image_caption");
    case CopyToFolderExplorerMode:
        return localized("explorer_copy_to_cloud_caption");
    case MoveToFolderExplorerMode:
        return localized("explorer_move_to_folder_caption");
    default:
        return std::nullopt;
    }
}

std::string ExplorerBrowserController::targetLabelText(const std::string& caption,
                                                       const std::optional<std::string>& title)
{
    if (!title) return caption;
    return formatText("%@ %@", {caption, TextExcerpt::excerpt(*title, TextExcerpt::Name)});
}

ExplorerBrowserController::ExplorerBrowserController(std::shared_ptr<MindMapExplorerBase> explorer,
                                                     OnSelected onSelected)
    : ModelessPanelController(WindowNibName), _explorer(std::move(explorer)), _onSelected(std::move(onSelected))
{
    if (_explorer) _explorer->setBrowserDelegate(this);
}

ExplorerBrowserController::~ExplorerBrowserController()
{
    if (_explorer) _explorer->setBrowserDelegate(nullptr);
    setWindow(nullptr);
}

void ExplorerBrowserController::setBrowserWindow(std::unique_ptr<ExplorerBrowserWindow> window)
{
    _browserWindow = std::move(window);
    setWindow(_browserWindow.get());
}

void ExplorerBrowserController::windowDidLoad()
{
    ExplorerBrowserWindow* window = _browserWindow.get();
    if (!window || !_explorer) return;
    window->setButtonTitles(localized("ok_button_title"), localized("cancel_button_title"));
    MindMapProvider* provider = _explorer->provider();
    const bool local = provider && provider->isLocal();
    if (!local) window->removeSearchField();
    window->embedExplorer(*_explorer);
    _explorer->setActive(true);
    const int32_t mode = _explorer->explorerMode();
    window->setTitle(windowTitleForMode(mode, provider));
    _targetPrefix = targetCaptionForMode(mode);
    if (local)
        if (auto* target = dynamic_cast<MindMapSearchFieldTarget*>(_explorer.get()))
            target->setSearchBar(window->searchField());
    window->focusExplorer();
    ModelessPanelController::windowDidLoad();
}

void ExplorerBrowserController::windowDidUpdate()
{
    if (!_browserWindow || !_explorer) return;
    _browserWindow->setOkEnabled(_explorer->selectedBrowserItem().has_value());
    _browserWindow->setTargetLabel(
        targetLabelText(_targetPrefix.value_or(std::string()), _explorer->selectedBrowserItemTitle()));
    _explorer->windowDidUpdate();
}

void ExplorerBrowserController::okButtonClicked()
{
    if (!_explorer) return;
    // OK is disabled without a pick; a click that comes anyway picks nothing.
    if (std::optional<std::string> pick = _explorer->selectedBrowserItem()) endBrowserWithSelection(*pick);
}

void ExplorerBrowserController::cancelButtonClicked()
{
    if (_browserWindow) _browserWindow->close();
}

void ExplorerBrowserController::endBrowserWithSelection(const std::string& selection)
{
    _selection = selection;
    if (_explorer) _explorer->willReturnSelectedItem(selection);
    if (_browserWindow) _browserWindow->close();
}

void ExplorerBrowserController::windowWillClose()
{
    if (_closed) return;
    _closed = true;
    if (_explorer) {
        if (auto* target = dynamic_cast<MindMapSearchFieldTarget*>(_explorer.get())) target->setSearchBar(nullptr);
        _explorer->setActive(false);
    }
    if (_selection && _onSelected) {
        OnSelected onSelected = std::move(_onSelected);
        _onSelected = nullptr;
        onSelected(*_selection);
    }
    // The last reference may go here: nothing of this object is touched afterwards.
    ModelessPanelController::windowWillClose();
}

void ExplorerBrowserController::windowDidResignKey()
{
    if (!_ownMenuShown) ModelessPanelController::windowDidResignKey();
}

bool ExplorerBrowserController::ownsMenu(const void* menu) const
{
    MindMapSearchField* field = _browserWindow ? _browserWindow->searchField() : nullptr;
    return field && menu == &field->searchMenu();
}

namespace {

class BrowserTopicLinkBrowser : public TopicLinkBrowser {
public:
    void selectMindMapHyperLink(int32_t providerType, const std::string& currentLink, OnSelected picked) override
    {
        ExplorerBrowserController::selectMindMapHyperLink(providerType, currentLink, std::move(picked));
    }
    void selectCloudDocLink(int32_t providerType, const std::string& currentLink, OnSelected picked) override
    {
        ExplorerBrowserController::selectCloudDocLink(providerType, currentLink, std::move(picked));
    }
    void selectImageInCloud(int32_t providerType, OnSelected picked) override
    {
        ExplorerBrowserController::selectImageInCloud(providerType, std::move(picked));
    }
};

} // namespace

void ExplorerBrowserController::installTopicLinkBrowser()
{
    static BrowserTopicLinkBrowser browser;
    TopicLinkBrowser::setShared(&browser);
}
