#include "MindMaps/MindMap.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMapEditorScrollState.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RearrangeMarker.h"
#include "MindMaps/StyleSheet.h"
#include "Utils/GuidCreation.h"
#include "platform/Localizer.h"
#include "platform/UndoManager.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int64_t AllChangeBits = MindMapChangeElement | MindMapChangeSelection | MindMapChangeElementTools |
    MindMapChangeTitle | MindMapChangeScrollSelection | MindMapChangeScrollState | MindMapChangeSearchMatches |
    MindMapChangeHierarchy;

} // namespace

// ---- Loading ----

// Cross links let go of their ends before they go, so that no topic is left pointing at them.
void MindMap::releaseCrossLinksAndThemes()
{
    _rearrangeMarker->clear();
    for (CrossLink* link : _crossLinks) {
        link->setTargetNode(nullptr);
        link->setSourceNode(nullptr);
    }
    _crossLinks.clear();
    _ownedCrossLinks.clear();
    _centralThemes.clear();
}

void MindMap::internalClearDiagram()
{
    ++_contentGeneration;
    _pasteRequester.dropReads();
    cancelEditorModes();
    dropSelection();
    _mainCentralTheme = nullptr;
    _customTitle.clear();
    if (_dropTarget) {
        _dropTarget->setIsDropTarget(false);
        _dropTarget = nullptr;
    }
    releaseCrossLinksAndThemes();
    _searchMatches.clear();
    _lockedChanges |= MindMapChangeSearchMatches | MindMapChangeHierarchy;
    _progressDirty = true;
    destroyAllNodes();
    _documentInformation.reset();
    _style->reset();
    _needsLayout = true;
}

void MindMap::beginLoading()
{
    beginUpdate();
    _editorScrollState.reset();
    internalClearDiagram();
    if (_undoManager) _undoManager->disableUndoRegistration();
    _loadingState = MindMapLoading;
}

MindMapNode* MindMap::addNodeLoadingAtLocation(Point location)
{
    MindMapNode* node = adoptNode(std::make_unique<MindMapNode>(this, nullptr, location, true));
    _needsLayout = true;
    return node;
}

void MindMap::reserveLoadingNodes(size_t more)
{
    _nodes.reserve(_nodes.size() + more);
}

void MindMap::nodesLoadedFromIndex(size_t index)
{
    for (MindMapNode* theme : _centralThemes) theme->updateChildrenVisibility();
    for (size_t i = index; i < _nodes.size(); ++i) _nodes[i]->loaded();
}

void MindMap::resetIdsForExistingNodes()
{
    for (MindMapNode* node : _nodes) node->setId(-100);
    _idIndex.clear();
    _idIndexCoverage = 0;
}

void MindMap::loadingCompleted(int loadedCode)
{
    rethinkCentralThemes();
    checkCrossLinksIntegrity();
    _crossLinksNeedCheck = false;
    if (_styleSheet) _styleSheet->applyStyleToDiagram(*this);
    if (_selection.empty()) {
        // A theme is the map's own: asking would make the table of every node's address, which
        // a map that is only loaded and written never needs.
        if (MindMapNode* theme = mainCentralTheme()) selectOwnElement(theme);
    }
    for (MindMapNode* theme : _centralThemes) theme->updateChildrenVisibility();
    _needsLayout = true;
    compressLayoutModes();
    validateElementStates();
    _loadingState = MindMapIdle;
    _lockedChanges = AllChangeBits;
    if (_undoManager) _undoManager->enableUndoRegistration();
    endUpdate();
    doMindMapLoaded(loadedCode);
}

void MindMap::doMindMapLoaded(int code)
{
    dropUnusedImages();
    if (_nodeEditor) _nodeEditor->mindMapLoaded(code);
}

void MindMap::newMindMap(const std::string& guid, bool addDefaultTheme, const std::optional<std::string>& themeText)
{
    {
        UpdateGuard update(*this);
        if (_undoManager) _undoManager->removeAllActions();
        const std::string identity = guid.empty() ? createGUIDString() : guid;
        changeIdentity(identity);
        internalClearDiagram();
        _documentInformation.setLoadedGuid(identity);
        if (addDefaultTheme) {
            MindMapNode* theme =
                internalAddCentralTheme(themeText ? *themeText : localized("mindmap_default_central_theme_text"));
            setSelectedElement(theme);
            scrollSelectedElementVisible();
        }
    }
    _enabled = true;
    doMindMapLoaded(MindMapLoadedNew);
}

void MindMap::clearAndDisableDiagram()
{
    {
        UpdateGuard update(*this);
        if (_undoManager) _undoManager->removeAllActions();
        changeIdentity(std::string());
        internalClearDiagram();
        _enabled = false;
        _lockedChanges |= MindMapChangeSelection | MindMapChangeTitle;
    }
    doMindMapLoaded(MindMapLoadedCleared);
}

void MindMap::changeIdentity(const std::string& guid)
{
    _documentInformation.setGuid(guid);
}

void MindMap::assertIdentity(const std::string& guid)
{
    if (!guid.empty() && guid != _documentInformation.guid()) _documentInformation.setGuid(guid);
}

// ---- Reading ----

bool MindMap::readWith(const std::function<bool(Error*)>& read, const std::string& guid, Error* error)
{
    if (_undoManager) _undoManager->removeAllActions();
    changeIdentity(guid);
    beginLoading();
    bool success = false;
    try {
        success = read(error);
        if (guid.empty()) changeIdentity(_documentInformation.loadedGuid());
        loadingCompleted();
    } catch (...) {
        // The map may stay with its owner (a document going on without it).
        abandonLoading();
        throw;
    }
    if (success) {
        _enabled = true;
        return true;
    }
    clearAndDisableDiagram();
    return false;
}

void MindMap::abandonLoading()
{
    if (_loadingState != MindMapLoading) {
        clearAndDisableDiagram();
        return;
    }
    changeIdentity(std::string());
    internalClearDiagram();
    _enabled = false;
    _loadingState = MindMapIdle;
    _lockedChanges |= MindMapChangeSelection | MindMapChangeTitle;
    if (_undoManager) _undoManager->enableUndoRegistration();
    endUpdate();
    doMindMapLoaded(MindMapLoadedCleared);
}

bool MindMap::readFromData(const MindMapData& data, const std::string& guid, int32_t fileFormat, Error* error)
{
    return readWith(
        [&](Error* readError) {
            const MindMapReader* registered = MindMapFormats::reader(fileFormat);
            if (!registered) return false;
            // A copy: a reader may change the table while it runs.
            MindMapReader reader = *registered;
            return reader(*this, data, readError);
        },
        guid, error);
}

bool MindMap::importWithImporter(const std::function<bool()>& importMindMap, const std::string& guid)
{
    return readWith([&](Error*) { return importMindMap && importMindMap(); }, guid, nullptr);
}

int32_t MindMap::detectMindMapFormat(const MindMapData& data)
{
    return MindMapFormats::detectFormat(data);
}
