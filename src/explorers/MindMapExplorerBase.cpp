#include "explorers/MindMapExplorerBase.h"

#include "Editor/TwkDocumentController.h"
#include "store/EditorInterface.h"
#include "store/MindMapProvider.h"

bool leaveOpenMap()
{
    EditorInterface* editor = EditorInterfaceInstance();
    if (auto* controller = dynamic_cast<TwkDocumentController*>(editor)) return controller->commitEditorBeforeLeaving();
    return editor->commitEditor();
}

MindMapExplorerBase::MindMapExplorerBase(int32_t explorerMode) : _explorerMode(explorerMode)
{
    addAction("newDocument:", [this](const ActionSender*) { newDocument(); });
    addAction("addFolder:", [this](const ActionSender*) { addFolder(); });
    addAction("importDocument:", [this](const ActionSender*) { importDocument(); });
    addAction("importPdf:", [this](const ActionSender*) { importPdf(); });
}

MindMapExplorerBase::~MindMapExplorerBase() = default;

void MindMapExplorerBase::setActive(bool active)
{
    if (active == _active) return;
    _active = active;
    if (active) onActivated();
    else onDeactivated();
}

ItemValidation MindMapExplorerBase::validateUserInterfaceItem(const ValidatedUserInterfaceItem&)
{
    return ItemValidation::enabledIf(false);
}

void MindMapExplorerBase::endBrowser(const std::string& selection)
{
    if (_browserDelegate) _browserDelegate->endBrowserWithSelection(selection);
}

ProviderNavigationItem::ProviderNavigationItem(MindMapExplorerBase* explorer)
    : CloudNavigationItem(explorer), _explorer(explorer), _provider(explorer ? explorer->provider() : nullptr)
{
}

Image ProviderNavigationItem::icon() const
{
    return _provider ? _provider->iconImage() : Image();
}

std::string ProviderNavigationItem::title() const
{
    return _provider ? _provider->title() : std::string();
}

bool ProviderNavigationItem::enabled() const
{
    return _provider && _provider->enabled();
}

void ProviderNavigationItem::setActive(bool active)
{
    if (_explorer) _explorer->setActive(active);
}

Image SetupNavigationItem::icon() const
{
    return Image::fromResource(IconName);
}
