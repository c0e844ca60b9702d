#include "MindMaps/MindMap.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/HierarchyListener.h"
#include "MindMaps/ImageStore.h"
#include "MindMaps/LayoutModes.h"
#include "MindMaps/MapImageServices.h"
#include "MindMaps/MapLayouter.h"
#include "MindMaps/MarkdownSettingsNexus.h"
#include "MindMaps/MarkdownSpanParser.h"
#include "MindMaps/MindMapDocumentOwner.h"
#include "MindMaps/MindMapEditorScrollState.h"
#include "MindMaps/MindMapModelessEditor.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RearrangeMarker.h"
#include "MindMaps/SearchMatchListener.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "Utils/StringUtils.h"
#include "platform/Localizer.h"
#include "platform/UndoManager.h"

#include <cassert>
#include <utility>

namespace {

std::string replacingNewlines(const std::string& text)
{
    std::string result = text;
    for (char& c : result) {
        if (c == '\n') c = ' ';
    }
    return result;
}

} // namespace

// ---- Creation and binding ----

MindMap::MindMap(std::shared_ptr<ImageStore> imageStore)
    : _rearrangeMarker(std::make_unique<RearrangeMarker>(this)), _ownUndoManager(std::make_unique<UndoManager>())
{
    setImageStore(imageStore ? std::move(imageStore) : mapImageServicesInstance().localImageStore());
    initializeStyles();
    setUndoManager(_ownUndoManager.get());
    observeNotifications();
}

MindMap::MindMap(MindMapDocumentOwner* document, std::shared_ptr<ImageStore> imageStore)
    : MindMap(std::move(imageStore))
{
    bindDocument(document);
}

MindMap::~MindMap()
{
    // A document's manager may outlive the map; its steps call the map back.
    if (_undoManager) _undoManager->removeAllActionsWithTarget(this);
    // The listeners may already be gone, and a map being destroyed has nothing to tell them: the
    // tear-down below reaches none of them, and the update it never ends holds back every
    // notification.
    _nodeEditor = nullptr;
    _searchListener = nullptr;
    _modelessEditor = nullptr;
    _hierarchyListener = nullptr;
    _document = nullptr;
    ++_updateCount;
    _styleBuffer.reset();
    _observations.clear();
    _imageStoreObservation.reset();
    setDropTarget(nullptr);
    setSelectedElement(nullptr);
    _selection.clear();
    _searchMatches.clear();
    _mainCentralTheme = nullptr;
    releaseCrossLinksAndThemes();
    destroyAllNodes();
    _delayedUndoState.reset();
    if (_style) {
        _style->setListener(nullptr);
        _style->setNodeStyleListener(nullptr);
    }
    if (_defaultStyle) {
        _defaultStyle->setListener(nullptr);
        _defaultStyle->setNodeStyleListener(nullptr);
    }
    dropUnusedImages();
}

void MindMap::setImageStore(std::shared_ptr<ImageStore> imageStore)
{
    if (imageStore == _imageStore) return;
    _imageStoreObservation.reset();
    if (_imageStore) _imageStore->dropUnusedImages();
    _imageStore = std::move(imageStore);
    if (!_imageStore) return;
    // Only this store's pictures concern the map.
    _imageStoreObservation = NotificationCenter::defaultCenter().addObserver(
        ImageStore::CustomImagesChangedNotification, static_cast<const void*>(_imageStore.get()),
        [this](const Notification& notification) { customImagesChangedNotify(notification); });
}

void MindMap::bindDocument(MindMapDocumentOwner* document)
{
    _document = document;
    UndoManager* documentManager = document ? document->undoManager() : nullptr;
    setUndoManager(documentManager ? documentManager : _ownUndoManager.get());
}

void MindMap::setDocumentOwner(MindMapDocumentOwner* document)
{
    bindDocument(document);
}

void MindMap::setUndoManager(UndoManager* undoManager)
{
    if (undoManager == _undoManager) return;
    // The steps call this map back; a manager it no longer uses must not keep them.
    if (_undoManager) _undoManager->removeAllActionsWithTarget(this);
    _undoManager = undoManager;
    if (_undoManager) _undoManager->setLevelsOfUndo(UndoLevels);
}

bool MindMap::modified() const
{
    return _document && _document->isDocumentEdited();
}

void MindMap::markModified()
{
    if (_document) _document->updateChangeCount(MindMapDocumentOwner::ChangeKind::Done);
}

void MindMap::observeNotifications()
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    _observations.push_back(center.addObserver(StyleSheet::FontsChangeNotification, nullptr,
                                               [this](const Notification&) { styleSheetFontsChangedNotify(); }));
    _observations.push_back(center.addObserver(StyleManager::StyleSheetChangedNotification, nullptr,
                                               [this](const Notification& n) { styleSheetChangedNotify(n); }));
    _observations.push_back(center.addObserver(StyleManager::StyleSheetRemovedNotification, nullptr,
                                               [this](const Notification& n) { styleSheetRemovedNotify(n); }));
    _observations.push_back(center.addObserver(MarkdownSyntaxSupportChangedNotification, nullptr,
                                               [this](const Notification&) { markdownSupportChanged(); }));
}

void MindMap::dropUnusedImages()
{
    if (_imageStore) _imageStore->dropUnusedImages();
}

MindMapNode* MindMap::adoptNode(std::unique_ptr<MindMapNode> node)
{
    // Either both lists take the node or, when memory runs out, neither does and the node goes.
    const MindMapElement* address = node.get();
    if (_hasNodeAddresses) _nodeAddresses.insert(address);
    try {
        _nodes.push_back(node.get());
    } catch (...) {
        if (_hasNodeAddresses) _nodeAddresses.erase(address);
        throw;
    }
    return node.release();
}

bool MindMap::ownsNode(const MindMapElement* element) const
{
    ensureNodeAddresses();
    return _nodeAddresses.contains(element);
}

void MindMap::ensureNodeAddresses() const
{
    if (_hasNodeAddresses) return;
    try {
        _nodeAddresses.reserve(_nodes.size());
        for (const MindMapNode* node : _nodes) _nodeAddresses.insert(static_cast<const MindMapElement*>(node));
    } catch (...) {
        _nodeAddresses.clear();
        throw;
    }
    _hasNodeAddresses = true;
}

void MindMap::destroyAllNodes()
{
    _idIndex.clear();
    _idIndexCoverage = 0;
    // Detaching from the last node backwards takes each child off the end of its parent's list.
    for (auto it = _nodes.rbegin(); it != _nodes.rend(); ++it) (*it)->linkToParent(nullptr);
    // In the order they were made, which is mostly the order of their memory: the table's own
    // order sends a large map's destruction all over memory.
    for (MindMapNode* node : _nodes) delete node;
    _nodes.clear();
    _nodeAddresses.clear();
    _hasNodeAddresses = false;
}

// ---- Central themes and title ----

MindMapNode* MindMap::mainCentralTheme()
{
    if (!_mainCentralTheme && !_centralThemes.empty()) _mainCentralTheme = _centralThemes.front();
    return _mainCentralTheme;
}

void MindMap::setMainCentralTheme(MindMapNode* node)
{
    if (!node || node->parent() || !containsElement(node) || node == mainCentralTheme()) return;
    if (!isLoading()) prepareUndoableOperation(localized("undoable_op_change_central_theme"));
    _mainCentralTheme = node;
    titleChanged();
}

std::string MindMap::centralThemeTitle()
{
    MindMapNode* theme = mainCentralTheme();
    if (!theme) return std::string();
    return MarkdownSpanParser::markdownFilteredString(trimWhitespaceAndNewlines(theme->text()));
}

std::string MindMap::title()
{
    if (!_enabled) return std::string();
    if (!_customTitle.empty()) return _customTitle;
    std::string themeTitle = centralThemeTitle();
    if (!themeTitle.empty()) return themeTitle;
    return localized(mainCentralTheme() ? "mindmap_unnamed_map" : "mindmap_empty_map");
}

std::string MindMap::singleLineTitle()
{
    return replacingNewlines(title());
}

void MindMap::setCustomTitle(const std::string& title)
{
    // Every kind of line end counts as a line break, so no control character stays in a title.
    std::string value = trimWhitespaceAndNewlines(replacingNewlines(NormalizeNewlines(title)));
    if (!isLoading() && !value.empty() && value == centralThemeTitle()) value.clear();
    if (value == _customTitle) return;
    if (!isLoading()) prepareUndoableOperation(localized("undoable_op_change_title"));
    _customTitle = std::move(value);
    if (!isLoading()) titleChanged();
}

void MindMap::titleChanged()
{
    if (_updateCount > 0) {
        _lockedChanges |= MindMapChangeTitle;
        return;
    }
    NotificationCenter::defaultCenter().post(TitleChangedNotification, static_cast<const void*>(this));
    for (size_t i = 0; i < _nodes.size(); ++i) _nodes[i]->refreshDiagramLink();
}

// ---- Update batching ----

void MindMap::beginUpdate()
{
    if (_updateCount++ == 0) _lockedChanges = 0;
}

void MindMap::endUpdate()
{
    assert(_updateCount > 0 && "endUpdate without beginUpdate");
    if (_updateCount <= 0) return;
    // Still inside the update, so that the removal of a link joins the changes reported below.
    if (_updateCount == 1) checkCrossLinksAfterHierarchyChange();
    if (--_updateCount > 0) return;

    if (_nodeEditor && _lockedChanges != 0) {
        // Each call runs with no update open, so its reports go out at once; a call that runs an
        // update of its own sends and clears the bits, so they are read again after every call.
        if ((_lockedChanges & MindMapChangeHierarchy) && _hierarchyListener) _hierarchyListener->hierarchyChanged();
        if (_lockedChanges & MindMapChangeTitle) titleChanged();
        if (_lockedChanges & MindMapChangeSelection) selectedElementChanged();
        if ((_lockedChanges & MindMapChangeElementTools) && _nodeEditor) _nodeEditor->updateElementTools(nullptr);
        if ((_lockedChanges & MindMapChangeElement) && _nodeEditor) _nodeEditor->mindMapChanged();
        if ((_lockedChanges & MindMapChangeScrollState) && _editorScrollState && _nodeEditor)
            _nodeEditor->setEditorScrollState(*_editorScrollState);
        // Scrolling may validate, which runs an update of its own that clears the bits: a search
        // update asked for before it still counts.
        const bool searchAsked = _lockedChanges & MindMapChangeSearchMatches;
        if (_lockedChanges & MindMapChangeScrollSelection) scrollSelectedElementVisible();
        if (searchAsked || (_lockedChanges & MindMapChangeSearchMatches)) updateSearchMatches();
    }
    _lockedChanges = 0;
}

void MindMap::addChangeBits(int64_t bits)
{
    if (_updateCount > 0) _lockedChanges |= bits;
}

// ---- Reports to the editor and the listeners ----

void MindMap::beforeChangingSelection(MindMapElement* outgoing)
{
    if (_modelessEditor) _modelessEditor->beforeChangingSelection(outgoing);
    if (_hierarchyListener) _hierarchyListener->beforeChangingSelection(outgoing);
}

void MindMap::selectedElementChanged()
{
    if (_updateCount > 0) {
        _lockedChanges |= MindMapChangeSelection;
        return;
    }
    if (_nodeEditor) _nodeEditor->selectedElementChanged();
    if (_modelessEditor) _modelessEditor->afterChangingSelection(selectedElement());
    if (_hierarchyListener) _hierarchyListener->afterChangingSelection(selectedElement());
}

void MindMap::elementInvalidated(MindMapElement* /*element*/)
{
    ++_changeCount;
    if (_updateCount > 0) {
        _lockedChanges |= MindMapChangeElement;
        return;
    }
    if (_nodeEditor) _nodeEditor->mindMapChanged();
}

void MindMap::updateElementTools(MindMapElement* element)
{
    ++_changeCount;
    if (_updateCount > 0) {
        _lockedChanges |= MindMapChangeElement | MindMapChangeElementTools;
        return;
    }
    if (!_nodeEditor) return;
    _nodeEditor->mindMapChanged();
    if (element && element == selectedElement()) _nodeEditor->updateElementTools(element);
}

void MindMap::elementBoundsChanged(MindMapElement* element)
{
    _needsLayout = true;
    updateElementTools(element);
}

void MindMap::hierarchyChanged()
{
    ++_changeCount;
    _progressDirty = true;
    _crossLinksNeedCheck = true;
    if (!_hierarchyListener) return;
    if (_updateCount > 0) _lockedChanges |= MindMapChangeHierarchy;
    else _hierarchyListener->hierarchyChanged();
}

void MindMap::scrollSelectedElementVisible()
{
    if (_updateCount != 0) {
        _lockedChanges |= MindMapChangeScrollSelection;
        return;
    }
    if (!selectedElement() || !_nodeEditor) return;
    if (_needsLayout) validateElementStates();
    if (MindMapElement* primary = selectedElement(); primary && _nodeEditor) _nodeEditor->scrollElementVisible(primary);
}

void MindMap::startEditingNewNode(MindMapNode* node, UndoState undoState)
{
    if (!containsElement(node)) return;
    setSelectedElement(node);
    if (_nodeEditor) _nodeEditor->startEditingNewNode(node, std::move(undoState));
}

void MindMap::modelessAttributeChanged(MindMapElement* element, unsigned attribute)
{
    if (_modelessEditor) _modelessEditor->attributeChanged(element, attribute);
}

void MindMap::commitModelessEditor()
{
    if (!_modelessEditor || _committing) return;
    _committing = true;
    beforeChangingSelection(selectedElement());
    _committing = false;
}

MindMapNode* MindMap::cancelEditorModes()
{
    MindMapNode* node = selectedNode();
    if (_nodeEditor && !_cancelling) {
        _cancelling = true;
        _nodeEditor->cancelEditorModes();
        _cancelling = false;
    }
    // The editor may have changed the selection, or even removed the node (an edit of a new topic
    // ended empty), meanwhile: the node is looked up by its address before anything reads it.
    if (!_enabled || !node || !ownsNode(node) || node != selectedElement()) return nullptr;
    return node;
}

MindMapEditorScrollState* MindMap::getEditorScrollState()
{
    if (!_editorScrollState) _editorScrollState = MindMapEditorScrollState::scrollState();
    if (_nodeEditor) _nodeEditor->getEditorScrollState(*_editorScrollState);
    return _editorScrollState.get();
}

void MindMap::setEditorScrollState(const MindMapEditorScrollState& state)
{
    if (!_editorScrollState) _editorScrollState = MindMapEditorScrollState::scrollState();
    _editorScrollState->setScrollState(state);
    if (_updateCount > 0) _lockedChanges |= MindMapChangeScrollState;
    else if (_nodeEditor) _nodeEditor->setEditorScrollState(*_editorScrollState);
}

// ---- Validation ----

void MindMap::checkCrossLinksAfterHierarchyChange()
{
    // A topic moved under the other end of one of its cross links must not stay joined to it.
    if (!_crossLinksNeedCheck || isLoading()) return;
    checkCrossLinksIntegrity();
    _crossLinksNeedCheck = false;
}

void MindMap::validateElementStates()
{
    UpdateGuard update(*this);
    checkCrossLinksAfterHierarchyChange();
    if (_progressDirty) updateRollUpProgress();
    if (_statesPending || _changeCount != _validatedChangeCount || _nodes.size() != _validatedNodeCount) {
        // Whatever the walk itself leaves pending is taken up by the next validation.
        _statesPending = false;
        MindMapNode::measureTextsAhead(_nodes, _crossLinks);
        for (size_t i = 0; i < _nodes.size(); ++i) {
            MindMapNode* node = _nodes[i];
            node->validateNodeState();
            node->validateContainedElements();
            node->parentRelation()->validateContainedElements();
        }
        for (size_t i = 0; i < _crossLinks.size(); ++i) _crossLinks[i]->validateContainedElements();
    }
    if (_needsLayout) {
        updatePathTapers();
        performAutoLayout();
        updateRelationPaths();
    }
    _validatedChangeCount = _changeCount;
    _validatedNodeCount = _nodes.size();
}

void MindMap::updateRollUpProgress()
{
    std::vector<MindMapNode*> ordered;
    collectHierarchicallyOrderedNodes(ordered);
    // Children come after their parents in that order: going backwards finishes every child first.
    for (auto it = ordered.rbegin(); it != ordered.rend(); ++it) (*it)->updateRollUpProgress();
    _progressDirty = false;
}

// ---- Layout operations ----

void MindMap::unlockAutoLayout()
{
    if (_autoLayoutLock > 0) --_autoLayoutLock;
}

void MindMap::performAutoLayout()
{
    if (_autoLayoutBusy || _autoLayoutLock > 0) return;
    _autoLayoutBusy = true;
    for (size_t i = 0; i < _centralThemes.size(); ++i) performAutoLayoutForNode(_centralThemes[i]);
    _lockedChanges |= MindMapChangeSelection | MindMapChangeElementTools;
    _needsLayout = false;
    _autoLayoutBusy = false;
}

void MindMap::performAutoLayoutForNode(MindMapNode* node)
{
    // Walked with a stack of our own: a document may nest topics deeper than the call stack allows.
    std::vector<MindMapNode*> pending{node};
    while (!pending.empty()) {
        MindMapNode* current = pending.back();
        pending.pop_back();
        if (!current || !current->isVisible() || current->childCount() == 0) continue;
        if (current->layoutMode() != LayoutModeFreeForm) {
            MapLayouter::shared().layoutBranch(current, current->layoutMode());
            continue;
        }
        const auto& children = current->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back(*it);
    }
}

void MindMap::updatePathTapers()
{
    for (size_t i = 0; i < _nodes.size(); ++i) _nodes[i]->parentRelation()->updatePathTaper();
    for (size_t i = 0; i < _crossLinks.size(); ++i) _crossLinks[i]->updatePathTaper();
}

void MindMap::updateRelationPaths()
{
    MapLayouter::shared().updateParentRelationPaths(*this);
    for (size_t i = 0; i < _crossLinks.size(); ++i) _crossLinks[i]->updatePath();
}

void MindMap::compressLayoutModes()
{
    // One walk from the central themes down, carrying whether an ancestor lays the branch out, so
    // that the cost does not grow with the depth of every node.
    std::vector<std::pair<MindMapNode*, bool>> pending;
    for (auto it = _centralThemes.rbegin(); it != _centralThemes.rend(); ++it) pending.emplace_back(*it, false);
    while (!pending.empty()) {
        auto [node, underAutoLayout] = pending.back();
        pending.pop_back();
        const int32_t mode = node->layoutMode();
        if (mode != LayoutModeFreeForm && underAutoLayout) {
            // The direction of free form, not of the mode it had: a top-down topic would keep 5.
            node->setLayoutMode(LayoutModeFreeForm);
            node->setLayoutDirection(DefaultLayoutDirectionForMode(LayoutModeFreeForm));
        }
        const bool childrenUnderAutoLayout = underAutoLayout || mode != LayoutModeFreeForm;
        const auto& children = node->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            pending.emplace_back(*it, childrenUnderAutoLayout);
    }
}

// ---- Styles ----

void MindMap::initializeStyles()
{
    _defaultStyle = std::make_shared<MindMapStyle>();
    _style = std::make_shared<MindMapStyle>(_defaultStyle);
    _styleSheet = StyleManager::styleManager().defaultStyle();
    _defaultStyle->setListener(this);
    _defaultStyle->setNodeStyleListener(this);
    _style->setListener(this);
    _style->setNodeStyleListener(this);
    if (_styleSheet) _styleSheet->applyStyleToDiagram(*this);
}

void MindMap::styleChanged(ElementStyle* /*style*/)
{
    UpdateGuard update(*this);
    invalidateTextStyles();
    _lockedChanges |= MindMapChangeElement;
    _needsLayout = true;
}

void MindMap::nodeStyleChanged(MindMapStyle* /*style*/)
{
    if (isLoading()) return;
    UpdateGuard update(*this);
    for (size_t i = 0; i < _nodes.size(); ++i) _nodes[i]->mapNodeStyleChanged();
    if (_styleSheet) {
        for (size_t i = 0; i < _centralThemes.size(); ++i) _styleSheet->applyStyleToSubTree(_centralThemes[i]);
    }
}

void MindMap::invalidateTextStyles()
{
    UpdateGuard update(*this);
    for (size_t i = 0; i < _nodes.size(); ++i) {
        _nodes[i]->textStyleChanged();
        _nodes[i]->parentRelation()->textStyleChanged();
    }
    for (size_t i = 0; i < _crossLinks.size(); ++i) _crossLinks[i]->textStyleChanged();
}

void MindMap::assignStyleSheet(std::shared_ptr<StyleSheet> styleSheet)
{
    if (styleSheet == _styleSheet) return;
    _styleSheet = std::move(styleSheet);
    if (!_styleSheet) return;
    UpdateGuard update(*this);
    _styleSheet->applyStyleToDiagram(*this);
    _lockedChanges |= MindMapChangeElement;
    if (!isLoading()) markModified();
}

void MindMap::setStyleSheet(std::shared_ptr<StyleSheet> styleSheet)
{
    if (styleSheet == _styleSheet) return;
    if (!isLoading()) prepareUndoableOperation(localized("undoable_op_change_style"));
    assignStyleSheet(std::move(styleSheet));
}

void MindMap::applyStyleSheetWithKey(const std::string& key)
{
    setStyleSheet(StyleManager::styleManager().getStyleOnKey(key, true));
}

void MindMap::setStyleBuffer(std::unique_ptr<ElementStyle> style)
{
    _styleBuffer = std::move(style);
}

void MindMap::styleSheetChangedNotify(const Notification& notification)
{
    if (!_styleSheet || notification.object != static_cast<const void*>(_styleSheet.get())) return;
    UpdateGuard update(*this);
    _styleSheet->applyStyleToDiagram(*this);
    _lockedChanges |= MindMapChangeElement;
    if (!isLoading()) markModified();
}

void MindMap::styleSheetRemovedNotify(const Notification& notification)
{
    if (!_styleSheet || notification.object != static_cast<const void*>(_styleSheet.get())) return;
    assignStyleSheet(StyleManager::styleManager().defaultStyle());
}

void MindMap::styleSheetFontsChangedNotify()
{
    UpdateGuard update(*this);
    if (_styleSheet) _styleSheet->applyStyleToDiagram(*this);
    invalidateTextStyles();
}

void MindMap::markdownSupportChanged()
{
    UpdateGuard update(*this);
    // What each node's styleChanged() does, with the branches restyled once from their themes:
    // restyling every node's whole branch would cost the square of a long chain's length.
    for (size_t i = 0; i < _nodes.size(); ++i) _nodes[i]->includeNodeUpdateState(MindMapNode::UpdateFont);
    if (_styleSheet) {
        for (size_t i = 0; i < _centralThemes.size(); ++i) _styleSheet->applyStyleToSubTree(_centralThemes[i]);
    }
    invalidateTextStyles();
}

void MindMap::customImagesChangedNotify(const Notification& notification)
{
    const std::string hash = notification.value<std::string>(ImageStore::ImageHashKey);
    if (hash.empty()) return;
    const int operation = notification.value<int>(ImageStore::OperationKey);
    UpdateGuard update(*this);
    for (size_t i = 0; i < _nodes.size(); ++i) {
        _nodes[i]->customImagesChanged(hash, operation);
        _nodes[i]->parentRelation()->customImagesChanged(hash, operation);
    }
    for (size_t i = 0; i < _crossLinks.size(); ++i) _crossLinks[i]->customImagesChanged(hash, operation);
}
