#include "Editor/MapFromSelection.h"

#include "MindMaps/MarkdownSpanParser.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "Utils/FeedbackSink.h"
#include "editor-view/MindMapEditor.h"
#include "formats/MindMapClipboard.h"
#include "platform/Localizer.h"
#include "platform/Pasteboard.h"
#include "store/CustomImageStore.h"
#include "store/EditorInterface.h"
#include "store/MindMapProvider.h"
#include "store/MindMapStorage.h"

#include <iostream>
#include <memory>

void WindowMapContext::notify(const std::string& title, const std::string& message, unsigned state) const
{
    if (showNotification) showNotification(title, message, state);
    else feedbackSinkInstance().showEditorNotification(title, message, state);
}

void WindowMapContext::writeLog(const std::string& line) const
{
    if (log) log(line);
    else std::clog << line << '\n';
}

void WindowMapContext::commitModeless() const
{
    if (commitModelessEditors) commitModelessEditors();
    else if (MindMapEditor* view = canvas()) view->cancelEditorModes(true);
}

std::string MapFromSelection::titleForNodeText(const std::string& text)
{
    if (text.empty()) return localized(DefaultMapNameKey);
    std::string title = text;
    for (char& c : title)
        if (c == '\n' || c == '\r') c = ' ';
    return title;
}

bool MapFromSelection::canCreateMapFromSelection(const MindMap* mindMap, const std::string& action)
{
    if (!mindMap || !mindMap->enabled() || mindMap->hasMultipleSelection()) return false;
    if (mindMap->readOnly() && action == LinkedMapFromSelectionAction) return false;
    MindMapNode* node = mindMap->selectedNode();
    if (!node) return false;
    if (node->parent() || mindMap->centralThemes().size() > 1) return true;
    // The only central theme as a map of its own is a copy; linking it would empty the map.
    return action == MapFromSelectionAction;
}

namespace {

// The half-made map goes again: the provider forgets it (for the local store, the file and its
// entry), so no empty or partial map is left for the user to find.
void discardNewMap(MindMapProvider& provider, std::shared_ptr<MindMapStorage>& storage, const std::string& id)
{
    if (storage) storage->dispose();
    storage.reset();
    provider.deleteMindMap(id);
}

} // namespace

std::optional<MapFromSelection::NewMap> MapFromSelection::makeMapFromSelection(MindMap& mindMap,
                                                                               MindMapStorage& storage, Error* error)
{
    MindMapProvider* provider = storage.provider();
    MindMapNode* node = mindMap.selectedNode();
    if (!provider || !node) {
        setError(error, MakeAppError(0, localized(FailedErrorKey)));
        return std::nullopt;
    }

    // The parcel: the clipboard's format in memory. The pictures stay in the source map's store,
    // from where the paste copies them into the new map's.
    MemoryPasteboard parcel;
    MindMapClipboard::copySelectionToClipboard(mindMap, parcel, mindMap.imageStore());

    const std::string title = titleForNodeText(MarkdownSpanParser::markdownFilteredString(node->text()));
    const std::string id = provider->createNewMindMapWithReference(&storage, title);
    if (id.empty()) {
        setError(error, MakeAppError(0, localized(FailedErrorKey)));
        return std::nullopt;
    }
    std::shared_ptr<MindMapStorage> created = provider->createStorage(id);
    if (!created) {
        provider->deleteMindMap(id);
        setError(error, MakeAppError(0, localized(FailedErrorKey)));
        return std::nullopt;
    }
    created->open();

    Error failure;
    bool written = false;
    std::string newId;
    {
        MindMap newMap(created->imageStore());
        newMap.newMindMap(created->guid(), false, std::nullopt);
        newMap.assignStyleSheet(mindMap.sharedStyleSheet());
        const bool pasted = MindMapClipboard::pasteFromClipboard(newMap, true, parcel, mindMap.imageStore(), &failure);
        written = pasted && !newMap.isEmpty() && created->commitMindMap(&newMap, &failure);
        newId = created->id();
    }
    if (!written) {
        discardNewMap(*provider, created, id);
        if (failure.localizedDescription.empty()) failure = MakeAppError(0, localized(FailedErrorKey));
        setError(error, std::move(failure));
        return std::nullopt;
    }
    created->dispose();
    return NewMap{provider, newId};
}

std::optional<MapFromSelection::NewMap> MapFromSelection::makeReportedMap(MindMap& mindMap, MindMapStorage& storage)
{
    Error error;
    std::optional<NewMap> made = makeMapFromSelection(mindMap, storage, &error);
    if (!made) _window.notify(error.localizedDescription, error.failureReason, FeedbackStateError);
    return made;
}

void MapFromSelection::mindMapFromSelection()
{
    MindMapStorage* storage = _window.storage();
    MindMap* map = _window.map();
    if (!storage || !map) return;
    if (_window.commitEditor) _window.commitEditor();
    // Committing may end an in-place edit, which can take the selection with it; the menu item
    // may also have been validated before the map changed.
    if (!canCreateMapFromSelection(map, MapFromSelectionAction) || _window.storage() != storage) return;
    std::optional<NewMap> made = makeReportedMap(*map, *storage);
    if (!made) return;
    if (_window.openMindMap) _window.openMindMap(made->provider->id(), made->mindMapId);
    else EditorInterfaceInstance()->asyncOpenMindMap(made->provider->id(), made->mindMapId, {});
}

void MapFromSelection::linkedMindMapFromSelection()
{
    MindMapStorage* storage = _window.storage();
    MindMap* map = _window.map();
    if (!storage || !map) return;
    if (_window.commitEditor) _window.commitEditor();
    if (!canCreateMapFromSelection(map, LinkedMapFromSelectionAction) || _window.storage() != storage) return;
    // The new map is made and checked first: a failure leaves the branch, its link and the undo
    // history as they were.
    std::optional<NewMap> made = makeReportedMap(*map, *storage);
    if (!made) return;

    MindMapNode* target = map->prepareUndoableNodeOperation(localized(LinkedMapUndoKey));
    if (!target) return;
    std::string link = made->mindMapId;
    std::string nativeLink;
    if (made->provider->prefersNativeLinks()) {
        nativeLink = made->mindMapId;
        link = made->provider->buildPathBasedLink(made->mindMapId);
    }
    MindMap::UpdateGuard update(*map);
    if (storage->isLocalMindMap()) target->linkToLocalMap(link, std::string(), false);
    else target->linkToCloudMap(link, nativeLink, std::string());
    map->removeChildNodes(target);
}
