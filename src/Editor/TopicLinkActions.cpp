#include "Editor/TopicLinkActions.h"

#include "MindMaps/DiagramLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapCommandValidation.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/FeedbackSink.h"
#include "Utils/ProtocolUtils.h"
#include "editor-view/MindMapEditor.h"
#include "platform/Localizer.h"
#include "store/MindMapProvider.h"
#include "store/MindMapStorage.h"

#include <filesystem>
#include <system_error>

namespace {

TopicLinkBrowser* installedBrowser = nullptr;
URLLinkPrompt* installedPrompt = nullptr;

class CancellingURLLinkPrompt : public URLLinkPrompt {
public:
    std::optional<Answer> selectURLLink(const std::string&, bool) override { return std::nullopt; }
};

bool isCloudMap(const MindMapStorage* storage)
{
    return storage && storage->provider() && !storage->isLocalMindMap();
}

std::string lastPathComponent(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

} // namespace

void TopicLinkBrowser::setShared(TopicLinkBrowser* browser)
{
    installedBrowser = browser;
}

TopicLinkBrowser* TopicLinkBrowser::shared()
{
    return installedBrowser;
}

void URLLinkPrompt::setShared(URLLinkPrompt* prompt)
{
    installedPrompt = prompt;
}

URLLinkPrompt& URLLinkPrompt::shared()
{
    static CancellingURLLinkPrompt cancelling;
    return installedPrompt ? *installedPrompt : cancelling;
}

TopicLinkActions::TopicLinkActions(WindowMapContext window) : _window(std::move(window))
{
}

TopicLinkActions::~TopicLinkActions()
{
    *_alive = false;
}

void TopicLinkActions::registerActions(const ActionRegistrar& add)
{
    add("addDiagramLink:", [this](const ActionSender*) { addDiagramLink(); });
    add("addCloudDocumentLink:", [this](const ActionSender*) { addCloudDocumentLink(); });
    add("addImageFromCloud:", [this](const ActionSender*) { addImageFromCloud(); });
    add("addURLLink:", [this](const ActionSender*) { addURLLink(); });
    add("copyLink:", [this](const ActionSender*) { copyLink(); });
    add("pasteLink:", [this](const ActionSender*) { pasteLink(); });
}

std::optional<ItemValidation> TopicLinkActions::validate(const ValidatedUserInterfaceItem& item) const
{
    const std::string action = item.action();
    MindMap* map = _window.map();
    const bool editableTopic =
        _window.canvasHasKeyboard() && map && map->enabled() && !map->readOnly() && map->selectedNode() != nullptr;
    if (action == "addCloudDocumentLink:" || action == "addImageFromCloud:") {
        const bool cloud = isCloudMap(_window.storage());
        ItemValidation validation = ItemValidation::enabledIf(cloud && editableTopic);
        validation.hidden = !cloud;
        return validation;
    }
    if (action == "copyLink:") return ItemValidation::enabledIf(editableTopic);
    if (action == "pasteLink:") return ItemValidation::enabledIf(_buffer && editableTopic);
    if (action == "addDiagramLink:" || action == "addURLLink:") {
        // As the map decides for its other link commands.
        bool handled = false;
        const bool enabled = map &&
            map->validateUserInterfaceItem(
                action == "addDiagramLink:" ? MindMapAction::addDiagramLink : MindMapAction::addURLLink, handled);
        return ItemValidation::enabledIf(handled && enabled && _window.storage());
    }
    return std::nullopt;
}

std::optional<TopicLinkActions::Origin> TopicLinkActions::begin(bool commitEditors)
{
    MindMap* map = _window.map();
    MindMapStorage* storage = _window.storage();
    if (!map || !storage) return std::nullopt;
    if (commitEditors) _window.commitModeless();
    else if (MindMapEditor* view = _window.canvas()) view->cancelEditorModes(true);
    else map->cancelEditorModes();
    map->forceSingleSelection();
    MindMapNode* node = map->selectedNode();
    if (!node || _window.storage() != storage) return std::nullopt;
    return Origin{storage->weak_from_this(), map, node};
}

bool TopicLinkActions::unchanged(const Origin& origin) const
{
    std::shared_ptr<MindMapStorage> storage = origin.storage.lock();
    MindMap* map = _window.map();
    return storage && storage.get() == _window.storage() && map == origin.map && map->selectedNode() == origin.node &&
        map->containsElement(origin.node);
}

void TopicLinkActions::addDiagramLink()
{
    std::optional<Origin> origin = begin(true);
    TopicLinkBrowser* browser = TopicLinkBrowser::shared();
    if (!origin || !browser) return;
    MindMapStorage* storage = _window.storage();
    const int32_t linkType = storage->isLocalMindMap() ? DiagramLink::LinkTypeLocalMap : DiagramLink::LinkTypeCloudMap;
    const DiagramLink* link = origin->node->diagramLink();
    const std::string currentLink = link && link->linkType() == linkType ? link->linkID() : std::string();
    browser->selectMindMapHyperLink(
        storage->provider()->type(), currentLink,
        [this, alive = std::weak_ptr<bool>(_alive), origin = *origin, linkType](const std::string& id) {
            if (alive.expired()) return;
            if (!unchanged(origin)) {
                _window.writeLog(DiagramLinkChangedLog);
                return;
            }
            MindMapProvider* provider = _window.storage()->provider();
            if (provider && provider->prefersNativeLinks())
                _window.map()->addDiagramLink(provider->buildPathBasedLink(id), id, linkType);
            else _window.map()->addDiagramLink(id, std::string(), linkType);
        });
}

void TopicLinkActions::addCloudDocumentLink()
{
    std::optional<Origin> origin = begin(true);
    TopicLinkBrowser* browser = TopicLinkBrowser::shared();
    if (!origin || !browser || !isCloudMap(_window.storage())) return;
    const DiagramLink* link = origin->node->diagramLink();
    const std::string currentLink =
        link && link->linkType() == DiagramLink::LinkTypeCloudDocument ? link->linkID() : std::string();
    browser->selectCloudDocLink(
        _window.storage()->provider()->type(), currentLink,
        [this, alive = std::weak_ptr<bool>(_alive), origin = *origin](const std::string& id) {
            if (alive.expired()) return;
            if (!unchanged(origin)) {
                _window.writeLog(CloudDocumentLinkChangedLog);
                return;
            }
            MindMapProvider* provider = _window.storage()->provider();
            if (provider && provider->prefersNativeLinks())
                _window.map()->addDiagramLink(provider->buildPathBasedLink(id), id, DiagramLink::LinkTypeCloudDocument);
            else _window.map()->addDiagramLink(id, std::string(), DiagramLink::LinkTypeCloudDocument);
        });
}

void TopicLinkActions::addImageFromCloud()
{
    std::optional<Origin> origin = begin(true);
    TopicLinkBrowser* browser = TopicLinkBrowser::shared();
    if (!origin || !browser || !isCloudMap(_window.storage())) return;
    browser->selectImageInCloud(_window.storage()->provider()->type(),
                                [this, alive = std::weak_ptr<bool>(_alive), origin = *origin](const std::string& path) {
                                    if (alive.expired()) return;
                                    if (!unchanged(origin)) {
                                        _window.writeLog(ImageFromCloudChangedLog);
                                        return;
                                    }
                                    if (MindMapEditor* view = _window.canvas()) view->addImageFromCloud(path, nullptr);
                                });
}

void TopicLinkActions::addURLLink()
{
    std::optional<Origin> origin = begin(true);
    if (!origin) return;
    MindMapStorage* storage = _window.storage();
    const DiagramLink* link = origin->node->diagramLink();
    const std::string seed = link && link->linkType() == DiagramLink::LinkTypeURL ? link->linkID() : URLSeed;
    MindMapProvider* provider = storage->provider();
    const bool cloud = isCloudMap(storage);
    std::optional<URLLinkPrompt::Answer> answer = URLLinkPrompt::shared().selectURLLink(
        seed, cloud, cloud && provider ? provider->title() : std::string(), link != nullptr);
    // The dialog ran modally: the user may have gone elsewhere meanwhile.
    if (!answer || !unchanged(*origin)) return;
    MindMap* map = _window.map();
    if (answer->removeLink) {
        map->linkNode(origin->node, std::string());
        return;
    }

    std::error_code ignored;
    const std::string& target = answer->link;
    const bool uploadsFile = !ProtocolUtils::containsProtocol(target) && answer->uploadToCloud && cloud &&
        std::filesystem::is_regular_file(target, ignored);
    if (!uploadsFile) {
        map->linkNode(origin->node, target);
        return;
    }
    const std::string id =
        provider->uploadMedia(MindMapProvider::MediaLinkedDocument, target, lastPathComponent(target), nullptr);
    const std::string pathLink = id.empty() ? std::string() : provider->buildPathBasedLink(id);
    if (pathLink.empty()) {
        // Setting no link and saying nothing would look like success.
        _window.notify(localized(UploadFailedKey), lastPathComponent(target), FeedbackStateError);
        return;
    }
    map->addDiagramLink(pathLink, id, DiagramLink::LinkTypeCloudDocument);
}

void TopicLinkActions::copyLink()
{
    std::optional<Origin> origin = begin(false);
    if (!origin) return;
    _buffer.reset();
    MindMapStorage* storage = _window.storage();
    auto link = std::make_unique<DiagramLink>(nullptr);
    const std::string element = origin->node->guid();
    if (storage->isLocalMindMap()) {
        link->linkToLocalMap(storage->id(), element, false);
    } else {
        MindMapProvider* provider = storage->provider();
        if (provider && provider->prefersNativeLinks())
            link->linkToCloudMap(provider->buildPathBasedLink(storage->id()), storage->id(), element);
        else link->linkToCloudMap(storage->id(), std::string(), element);
    }
    _buffer = std::move(link);
}

void TopicLinkActions::pasteLink()
{
    if (!_buffer) return;
    std::optional<Origin> origin = begin(false);
    if (!origin) return;
    MindMap* map = _window.map();
    MindMapNode* node = map->prepareUndoableNodeOperation(localized(PasteLinkUndoKey));
    if (!node) return;
    MindMap::UpdateGuard update(*map);
    if (_buffer->linkType() == DiagramLink::LinkTypeLocalMap)
        node->linkToLocalMap(_buffer->linkID(), _buffer->element(), false);
    else node->linkToCloudMap(_buffer->linkID(), _buffer->nativeLink(), _buffer->element());
}
