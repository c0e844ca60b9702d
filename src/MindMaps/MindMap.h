#pragma once

#include "MindMaps/DocumentInformation.h"
#include "MindMaps/ElementStyleListener.h"
#include "MindMaps/MindMapFormats.h"
#include "MindMaps/MindMapSearchData.h"
#include "MindMaps/UndoState.h"
#include "Utils/AddressSet.h"
#include "platform/Error.h"
#include "platform/Geometry.h"
#include "platform/NotificationCenter.h"
#include "platform/Pasteboard.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

class CompositeElement;
class ContainedElement;
class CrossLink;
class ImageStore;
class ElementStyle;
class HierarchyListener;
class MindMapDocumentOwner;
class MindMapEditorScrollState;
class MindMapElement;
class MindMapImage;
class MindMapModelessEditor;
class MindMapNode;
class MindMapNodeEditor;
class MindMapRelation;
class MindMapStyle;
class MindMapText;
class ParentRelation;
class RearrangeMarker;
class SearchMatchListener;
class StyleSheet;
class UndoManager;
// Style, decoration and validation commands.
class Color;
class RelationStyle;
class StylePreset;
class TextStyle;
enum class MindMapAction : int;
enum FontTraitMask : unsigned;

// The change bits a map collects while an update is open and sends to its editing view when the
// outermost update ends.
enum MindMapChange : int64_t {
    MindMapChangeElement = 1,          // an element needs redrawing
    MindMapChangeSelection = 2,        // the selection changed
    MindMapChangeElementTools = 4,     // the element tools must be rebuilt
    MindMapChangeTitle = 8,            // the title changed
    MindMapChangeScrollSelection = 16, // the primary selected element should be scrolled into view
    MindMapChangeScrollState = 32,     // a scroll state was set for the editor
    MindMapChangeSearchMatches = 64,   // the search matches must be recomputed
    MindMapChangeHierarchy = 128,      // the tree of topics changed
};

// What the map is doing with its content: 0 idle, 1 reading a document or snapshot, 3 pasting.
enum MindMapLoadingState : uint64_t {
    MindMapIdle = 0,
    MindMapLoading = 1,
    MindMapPasting = 3,
};

// Auto numbering of topics: 0 disabled, 1 the number inside the topic, 2 below it.
enum MindMapAutoNumberStyle : int32_t {
    AutoNumberDisabled = 0,
    AutoNumberInside = 1,
    AutoNumberBelow = 2,
};

// The codes the node editor's mindMapLoaded() receives.
enum MindMapLoadedCode : int {
    MindMapLoadedCleared = 0,
    MindMapLoadedNew = 1,
    MindMapLoadedDocument = 2,
    // An undo or redo step read the map anew: the view stays, showing the selection.
    MindMapLoadedSelection = 3,
};

// The in-memory document of one mind map. It owns every element (nodes and cross links; through
// them parent relations, free texts and images), the selection, the search criteria and matches,
// the map styles and the style sheet, the document information and its undo manager.
//
// Changes are reported through change bits collected between beginUpdate() and the outermost
// endUpdate(), which sends them to the node editor in one fixed order; outside an update each
// report goes out at once. Without a node editor collected bits are dropped.
//
// Elements are handed out as plain pointers. The map drops its own references (selection, search
// matches, drop target, main central theme) when it lets elements go, including when the whole
// content is replaced by a load; callers must not keep element pointers across a load.
//
// Main thread only.
class MindMap : public ElementStyleListener, public NodeStyleListener {
public:
    // The most undo steps kept, whichever undo manager the map uses.
    static constexpr size_t UndoLevels = 30;
    // The centre of a map without nodes.
    static constexpr Point EmptyMapCenter{400, 400};
    // Posted with the map as object when its title changes.
    static constexpr const char* TitleChangedNotification = "com.Orrinworks.MindMapTitleChanged";

    // The new map is empty, not enabled and idle, with its own undo manager. Without an image
    // store it takes the shared local image store.
    explicit MindMap(std::shared_ptr<ImageStore> imageStore = nullptr);
    // A map that belongs to a document: it uses the document's undo manager instead.
    MindMap(MindMapDocumentOwner* document, std::shared_ptr<ImageStore> imageStore);
    ~MindMap() override;
    MindMap(const MindMap&) = delete;
    MindMap& operator=(const MindMap&) = delete;

    // ---- Binding ----

    ImageStore* imageStore() const { return _imageStore.get(); }
    void setImageStore(std::shared_ptr<ImageStore> imageStore);

    // The owning document (not owned); its undo manager replaces the map's own one.
    MindMapDocumentOwner* document() const { return _document; }
    void setDocumentOwner(MindMapDocumentOwner* document);

    UndoManager* undoManager() const { return _undoManager; }
    // Installs the manager (not owned unless it is the map's own) and limits it to UndoLevels.
    void setUndoManager(UndoManager* undoManager);

    // The owning document reports unsaved changes; false without one.
    bool modified() const;
    // Tells the owning document that a change was made.
    void markModified();

    // ---- Listeners (not owned) ----

    // Waits for its caller in the editor.
    MindMapNodeEditor* nodeEditor() const { return _nodeEditor; }
    void setNodeEditor(MindMapNodeEditor* editor) { _nodeEditor = editor; }
    // Waits for its caller in the editor.
    SearchMatchListener* searchListener() const { return _searchListener; }
    void setSearchListener(SearchMatchListener* listener) { _searchListener = listener; }
    // Waits for its caller in the editor.
    MindMapModelessEditor* modelessEditor() const { return _modelessEditor; }
    void setModelessEditor(MindMapModelessEditor* editor) { _modelessEditor = editor; }
    // Waits for its caller in the editor.
    HierarchyListener* hierarchyListener() const { return _hierarchyListener; }
    void setHierarchyListener(HierarchyListener* listener) { _hierarchyListener = listener; }

    // ---- Content ----

    // Every node, in creation and load order.
    const std::vector<MindMapNode*>& nodes() const { return _nodes; }
    // The parentless nodes, in the order of nodes().
    const std::vector<MindMapNode*>& centralThemes() const { return _centralThemes; }
    const std::vector<CrossLink*>& crossLinks() const { return _crossLinks; }
    bool isEmpty() const { return _nodes.empty(); }
    // The element belongs to this map's content right now (a node or cross link of the map, a
    // parent relation of such a node, or a text or image held by one of them).
    bool containsElement(const MindMapElement* element) const;
    // Counts the times the content was dropped (a load, a reload, an undo): an element remembered
    // under an older count may be gone even when an element now sits at its address.
    uint64_t contentGeneration() const { return _contentGeneration; }
    // Counts the reports of changed elements, bounds and hierarchy, whether or not an editor
    // listens: what was measured of the map under an older count may be out of date.
    uint64_t changeCount() const { return _changeCount; }

    DocumentInformation& documentInformation() { return _documentInformation; }
    const DocumentInformation& documentInformation() const { return _documentInformation; }

    bool enabled() const { return _enabled; }
    void setEnabled(bool enabled) { _enabled = enabled; }
    bool readOnly() const { return _readOnly; }
    void setReadOnly(bool readOnly) { _readOnly = readOnly; }
    uint64_t loadingState() const { return _loadingState; }
    bool isLoading() const { return _loadingState != MindMapIdle; }

    // ---- Central themes and title ----

    // The chosen main central theme, else the first central theme (which is then kept).
    MindMapNode* mainCentralTheme();
    // Refuses nullptr, a node with a parent, a node of another map and the current main theme.
    void setMainCentralTheme(MindMapNode* node);
    // The main central theme's text, trimmed and without markdown markup.
    std::string centralThemeTitle();
    // Empty for a disabled map; else the custom title, the central theme title, or a localised
    // placeholder for a map with an unnamed theme or without nodes.
    std::string title();
    std::string singleLineTitle();
    const std::string& customTitle() const { return _customTitle; }
    bool hasCustomTitle() const { return !_customTitle.empty(); }
    // Line breaks become spaces and the title is trimmed; a title equal to the central theme
    // title (outside loading) or empty means none.
    void setCustomTitle(const std::string& title);
    void titleChanged();

    // ---- Update batching ----

    void beginUpdate();
    // An end without a begin is a programming error (asserted), harmless in release builds.
    void endUpdate();
    bool isUpdating() const { return _updateCount > 0; }
    // Records change bits for the open update; outside an update they are dropped.
    void addChangeBits(int64_t bits);

    // Keeps one update open for its lifetime.
    class UpdateGuard {
    public:
        explicit UpdateGuard(MindMap& mindMap) : _mindMap(mindMap) { _mindMap.beginUpdate(); }
        ~UpdateGuard() { _mindMap.endUpdate(); }
        UpdateGuard(const UpdateGuard&) = delete;
        UpdateGuard& operator=(const UpdateGuard&) = delete;

    private:
        MindMap& _mindMap;
    };

    // ---- Reports to the editor and the listeners ----

    void beforeChangingSelection(MindMapElement* outgoing);
    void selectedElementChanged();
    void elementInvalidated(MindMapElement* element);
    void updateElementTools(MindMapElement* element);
    void elementBoundsChanged(MindMapElement* element);
    void hierarchyChanged();
    void scrollSelectedElementVisible();
    void startEditingNewNode(MindMapNode* node, UndoState undoState);
    void modelessAttributeChanged(MindMapElement* element, unsigned attribute);
    void commitModelessEditor();
    // Ends the editor's modes; returns the selected node when the map is enabled and the node is
    // still the primary selected element afterwards.
    MindMapNode* cancelEditorModes();
    // Made on demand; the node editor fills it in first.
    MindMapEditorScrollState* getEditorScrollState();
    void setEditorScrollState(const MindMapEditorScrollState& state);

    bool needsLayout() const { return _needsLayout; }
    // A topic or free text has state to validate: the next validateElementStates walks the map.
    void noteStatesPending() { _statesPending = true; }
    void setNeedsLayout(bool needsLayout) { _needsLayout = needsLayout; }
    // Roll-up progress is recomputed at the next validation.
    void setProgressDirty() { _progressDirty = true; }
    // Revalidates every element and lays out when needed, inside one update.
    void validateElementStates();
    void updateRollUpProgress();

    // ---- Layout operations of the map ----

    bool autoLayoutBusy() const { return _autoLayoutBusy; }
    void lockAutoLayout() { ++_autoLayoutLock; }
    // A drag holds the lock: automatic layout waits until every holder has let go.
    bool autoLayoutLocked() const { return _autoLayoutLock > 0; }
    void unlockAutoLayout();
    void performAutoLayout();
    void performAutoLayoutForNode(MindMapNode* node);
    void updatePathTapers();
    void updateRelationPaths();
    void compressLayoutModes();
    // Opens the layout-mode dialog for the primary selected topic unless a strict branch holds it;
    // the dialog answers through layoutModeSelected().
    void changeLayoutMode();
    // Gives every selected root topic the mode and then the direction, as one undo step.
    void layoutModeSelected(int32_t layoutMode, int32_t layoutDirection);

    // ---- Rearranging inside strict branches ----

    // Shows the rearrange marker where the strict branch under the drag would take the dragged
    // topics; hides it when no branch does.
    void hitTestRearrangeMarker(MindMapNode* draggedNode, const std::vector<MindMapNode*>& rootNodes);
    bool hitTestRearrangeMarkerForNode(MindMapNode* node, MindMapNode* draggedNode,
                                       const std::vector<MindMapNode*>& rootNodes);
    // Drops the dragged roots where the visible marker points, then registers the drag's
    // snapshot as one undo step.
    void rearrangeNodeDragEnded(const std::vector<MindMapNode*>& rootNodes, const UndoState& undoState,
                                Point dragStart);
    // Moves the topic under the parent (nullptr: makes it a central theme) at the index, as one
    // undo step; false when the parent may not take it.
    bool reconnectNode(MindMapNode* node, MindMapNode* parent, int64_t index);

    // ---- Styles ----

    // The root map style filled by the style sheet, and the map's own customisation above it.
    MindMapStyle* defaultStyle() const { return _defaultStyle.get(); }
    MindMapStyle* style() const { return _style.get(); }
    StyleSheet* styleSheet() const { return _styleSheet.get(); }
    // The sheet as shared, for holders that must tell it apart from a later sheet at the same
    // address.
    const std::shared_ptr<StyleSheet>& sharedStyleSheet() const { return _styleSheet; }
    // Opens an undo step (outside loading), then assignStyleSheet().
    void setStyleSheet(std::shared_ptr<StyleSheet> styleSheet);
    // Takes the sheet and applies it, without an undo step.
    void assignStyleSheet(std::shared_ptr<StyleSheet> styleSheet);
    // The style manager's sheet of the key, or its default sheet for an unknown key.
    void applyStyleSheetWithKey(const std::string& key);
    void invalidateTextStyles();
    void styleChanged(ElementStyle* style) override;
    void nodeStyleChanged(MindMapStyle* style) override;

    // The copied style of the copy-style and paste-style commands.
    // Waits for its caller in the editor.
    ElementStyle* styleBuffer() const { return _styleBuffer.get(); }
    void setStyleBuffer(std::unique_ptr<ElementStyle> style);

    // ---- Selection ----

    // The whole selection; the first element is the primary one.
    const std::vector<MindMapElement*>& selection() const { return _selection; }
    // The selection when every selected element's type has a bit in the mask, else an empty list.
    const std::vector<MindMapElement*>& selectionWithMask(uint32_t typeMask) const;
    MindMapElement* selectedElement() const;
    // Selects the element alone; nullptr clears the selection. An element of another map is
    // refused.
    void setSelectedElement(MindMapElement* element);
    // Waits for its caller in the editor.
    void setSelectedNode(MindMapNode* node);
    void toggleSelection(MindMapElement* element, bool focus);
    void focusSelectedElement(MindMapElement* element);
    void forceSingleSelection();
    void excludeHiddenElementsFromSelection();
    // Forgets the selection without touching the elements (the map is being cleared).
    void dropSelection();
    bool hasMultipleSelection() const { return _selection.size() > 1; }
    int32_t selectedElementType() const;
    MindMapNode* selectedNode() const;
    MindMapRelation* selectedRelation() const;
    CrossLink* selectedCrossLink() const;
    MindMapImage* selectedImage() const;
    MindMapText* selectedTextElement() const;
    ContainedElement* selectedContainedElement() const;
    // The selected nodes none of whose ancestors is selected: siblings in their order under the
    // parent, families of siblings in the order their first member was selected. Empty unless only
    // nodes are selected.
    std::vector<MindMapNode*> getSelectedRootNodes() const;
    void selectContainedElements(CompositeElement* composite, int32_t elementType);
    void selectAll(int32_t elementType);
    // Waits for its caller in the editor.
    void selectSearchMatches();
    std::string selectedElementGuid() const;
    // Waits for its caller in the editor.
    MindMapElement* selectElementWithGuid(const std::string& guid);
    MindMapNode* dropTarget() const { return _dropTarget; }
    void setDropTarget(MindMapNode* node);

    // ---- Queries ----

    // Depth first from each central theme in turn, children in their order.
    void collectHierarchicallyOrderedNodes(std::vector<MindMapNode*>& nodes) const;
    // Whether nodes() is that very list, as it is for a map just read or imported.
    bool nodesAreHierarchicallyOrdered() const;
    bool containsImages() const;
    void collectReferencedImages(std::set<std::string>& images) const;
    void collectReferencedIcons(std::set<std::string>& icons) const;
    void forceNodeVisible(MindMapNode* node);
    // Waits for its caller in the editor.
    void forceElementVisible(MindMapElement* element);
    // Never gives an element a GUID.
    MindMapElement* elementWithGuid(const std::string& guid) const;
    // The node with that load-time id (set by the readers), else nullptr.
    MindMapNode* findNodeOnId(int64_t nodeId);
    // Told by a node whose load-time id changed.
    void nodeIdChanged() { _idIndexValid = false; }
    MindMapElement* hitTestNodes(Point point, const CompositeElement* excludedComposite, bool includeContainedElements);
    MindMapNode* hitTestNodes(Point point, const CompositeElement* excludedComposite);
    // Waits for its caller in the editor.
    MindMapElement* hitTestRelations(Point point);
    MindMapNode* hitTestMarkerTools(Point point);
    Rect getVisualArea(bool includeHidden) const;
    Point center() const;
    RearrangeMarker* rearrangeMarker() const { return _rearrangeMarker.get(); }

    // ---- Structure editing ----
    //
    // Adding and removing nodes, central themes, cross links, parent relations, texts and images,
    // and the ends of the editor's drags. Every operation keeps these rules: a cross link joins
    // two different nodes that are not parent and child, and no two links join the same pair (in
    // either direction); a node without a parent is a central theme; nothing the map refers to
    // (selection, search matches, main central theme, drop target, rearrange marker) outlives
    // its element. Elements that are nullptr or not in this map are ignored.

    // A new node under the parent (or a parentless one) at the location; the central-theme list
    // is left alone. nullptr for a parent of another map.
    MindMapNode* addMindMapNodeAsChild(MindMapNode* parent, Point location);
    // A new central theme with the text at the map's centre, appended to the central themes.
    MindMapNode* internalAddCentralTheme(const std::string& text);
    // Rebuilds the central themes from the parentless nodes in node order.
    void rethinkCentralThemes();
    // Removes the node with its whole subtree and every cross link that touches them. When the
    // node or its parent relation is the primary selected element, the parent (nothing for a
    // central theme) becomes the selection; removing the main central theme makes the next
    // central theme the main one.
    void removeMindMapNode(MindMapNode* node);
    // Removes every child (with its subtree) and shows the node.
    void removeChildNodes(MindMapNode* node);

    // Some cross link joins the two nodes, in either direction.
    bool containsCrossLinkBetween(const MindMapNode* a, const MindMapNode* b) const;
    // Both nodes are in the map and different, neither is the other's parent, no link joins them.
    bool canCreateCrossLinkFromSource(const MindMapNode* source, const MindMapNode* target) const;
    // No checks and no undo step.
    CrossLink* internalAddCrossLinkFromSource(MindMapNode* source, MindMapNode* target);
    // The checked form, for users and readers: nullptr, with no undo step, when the rules refuse
    // the pair. Outside loading it is one undo step.
    CrossLink* addCrossLinkFromSource(MindMapNode* source, MindMapNode* target);
    // A primary selected link hands the selection to its source node.
    void removeCrossLink(CrossLink* crossLink);
    // Moves the link's ends as one undo step; nothing when the rules refuse the new pair.
    // Waits for its caller in the editor.
    void reconnectCrossLink(CrossLink* crossLink, MindMapNode* newSource, MindMapNode* newTarget);
    void removeCrossLinksBetween(MindMapNode* a, MindMapNode* b);
    // Removes links without both ends, links of a node to itself or between parent and child,
    // and every later duplicate of a pair (the first in the list stays).
    void checkCrossLinksIntegrity();
    // Runs checkCrossLinksIntegrity() once after hierarchy changes, not while loading.
    void checkCrossLinksAfterHierarchyChange();

    // The relation's node loses its parent and becomes a central theme; the relation's style and
    // texts go. A primary selected relation hands the selection to the node.
    void removeParentRelation(ParentRelation* relation);
    // A primary selected text or image hands the selection to its container.
    void removeContainedElement(ContainedElement* element);

    // The node that the dragged topics (the roots of the drag) would be attached to if dropped
    // now: the expanded node under the dragged node that every root accepts as its new parent
    // and that is no root's parent yet; else nullptr.
    MindMapNode* canDragChangeNodeParent(MindMapNode* draggedNode, const std::vector<MindMapNode*>& rootNodes);
    // Ends a topic drag begun with prepareDelayedUndoableOperation(): attaches the roots to the
    // new parent, or, without one, tells the user when automatic layout kept topics in place;
    // then registers the drag's snapshot as one undo step.
    void nodeDragEnded(MindMapNode* newParent, const std::vector<MindMapNode*>& rootNodes, bool childMoving,
                       const UndoState& undoState);
    // The node other than its container under a dragged text or image held by a node; else nullptr.
    // Waits for its caller in the editor.
    MindMapNode* canDragChangeContainmentParent(ContainedElement* element);
    // Ends a drag of texts and images: moves them to the new container (when given), then
    // registers the drag's snapshot. Elements other than texts and images are ignored.
    // Waits for its caller in the editor.
    void containedElementDragEnded(CompositeElement* newContainer, const std::vector<MindMapElement*>& draggedElements,
                                   const UndoState& undoState);
    // The snapshot of an image resize, and its end.
    // Waits for its caller in the editor.
    UndoState imageTransformBegan();
    void imageTransformEnded(MindMapImage* image, const UndoState& undoState);

    // ---- Loading ----

    void internalClearDiagram();
    void releaseCrossLinksAndThemes();
    void beginLoading();
    // For readers: a parentless node made in loading mode.
    MindMapNode* addNodeLoadingAtLocation(Point location);
    // For readers that know how many more nodes they make at most: the node list takes them
    // without growing, never twice their number nor a copy of itself while it moves.
    void reserveLoadingNodes(size_t more);
    void nodesLoadedFromIndex(size_t index);
    void resetIdsForExistingNodes();
    void loadingCompleted(int loadedCode = MindMapLoadedDocument);
    void doMindMapLoaded(int code);
    // An empty guid gets a new one.
    void newMindMap(const std::string& guid, bool addDefaultTheme, const std::optional<std::string>& themeText);
    void clearAndDisableDiagram();
    void changeIdentity(const std::string& guid);
    void assertIdentity(const std::string& guid);

    // Reads the data through the reader of the format code. On failure the map is left empty and
    // disabled; an unknown or unregistered code fails without an error. A reader that throws
    // leaves it so too, and the exception goes on to the caller.
    bool readFromData(const MindMapData& data, const std::string& guid, int32_t fileFormat, Error* error = nullptr);
    // The same road, filling the map through an importer.
    bool importWithImporter(const std::function<bool()>& importMindMap, const std::string& guid);
    static int32_t detectMindMapFormat(const MindMapData& data);

    // ---- Writing and exporting ----

    // Empty for an unknown code or when the export fails.
    MindMapData exportDataOfFormat(int32_t format, double imageScaleFactor, bool selectionOnly);
    MindMapData exportDataOfFormat(int32_t format);
    // For saving and sharing: codes 2 (native), 4 (OPML) and 5 (FreeMind); any other code fails
    // with the unsupported-format error.
    MindMapData dataOfType(int32_t typeCode, Error* error = nullptr);
    // Waits for its caller in the editor.
    Size imageExportSize() const;
    static std::string exportFileName(const std::string& title);
    std::string exportFileName();

    // ---- Auto numbering ----

    int32_t autoNumberStyle() const { return _autoNumberStyle; }
    void setAutoNumberStyle(int32_t style);
    void invalidateAutoNumberPaths();

    // ---- Search ----

    const MindMapSearchData& searchData() const { return _searchData; }
    bool searching() const { return !_searchData.isEmpty(); }
    // nullptr clears the criteria.
    void setSearchData(const MindMapSearchData* searchData);
    void invalidateSearchMatches();
    void updateSearchMatches();
    // The current matches in search order.
    const std::vector<MindMapElement*>& searchMatches() const { return _searchMatches; }

    // ---- Snapshot undo ----
    //
    // Every undo step holds the whole map as it was before the change, written in the native
    // format; undoing reads it back into this map. Element pointers do not survive that: the
    // selection comes back by GUID, and callers must look elements up again after an undo or
    // redo. Action names are localised texts.

    // Writes the whole map into a snapshot, and reads one back into a map that is loading.
    using UndoStateCapture = std::function<std::string(MindMap& mindMap)>;
    using UndoStateLoader = std::function<bool(MindMap& mindMap, const std::string& undoState)>;
    // Installed by the native format; until then no undo step can be taken and none is registered.
    static void setUndoStateFormat(UndoStateCapture capture, UndoStateLoader load);
    static bool hasUndoStateFormat();

    // A snapshot of the map as it is now; empty without an installed format.
    UndoState captureUndoState();
    // Registers the map as it is now as one undo step; outside undo and redo the step gets the
    // name and the owning document is marked changed. Returns the registered snapshot, empty
    // when none was registered.
    UndoState pushStateToUndoManager(const std::string& actionName);
    // Undoes (or redoes) one step: the current state becomes the opposite step, then the map is
    // reloaded from the snapshot. A snapshot that cannot be read leaves the map as it was.
    void applyUndoState(const UndoState& undoState);

    // Opens one undo step for a change that needs no particular selection.
    void prepareUndoableOperation(const std::string& actionName);
    // Each opens one undo step for a change of the primary selected element of its kind and
    // returns that element; nullptr, with no step, when there is none or leaving the editor's
    // modes took it away.
    MindMapNode* prepareUndoableNodeOperation(const std::string& actionName);
    // Waits for its caller in the editor.
    CrossLink* prepareUndoableCrossLinkOperation(const std::string& actionName);
    MindMapRelation* prepareUndoableRelationOperation(const std::string& actionName);
    MindMapImage* prepareUndoableImageOperation(const std::string& actionName);
    // Waits for its caller in the editor.
    MindMapText* prepareUndoableTextOperation(const std::string& actionName);
    ContainedElement* prepareUndoableContainedElementOperation(const std::string& actionName);
    // The primary element, or the container of a primary text or image.
    // Waits for its caller in the editor.
    CompositeElement* prepareUndoableCompositeElementOperation(const std::string& actionName);

    // Interactive edits over many events: the snapshot is taken at the start and returned as the
    // caller's token; pushing the token at the end registers it as one step, cancelling reloads
    // the map from it. A token is recognised by identity; one that an ordinary undo step (or a
    // later delayed step) superseded registers nothing and reverts nothing.
    UndoState prepareDelayedUndoableOperation(const std::string& actionName);
    void pushDelayedUndoableOperation(const UndoState& undoState);
    void cancelDelayedUndoableOperation(const UndoState& undoState);
    // Forgets the token while it is still the pending one: registers and restores nothing.
    void dropDelayedUndoableOperation(const UndoState& undoState);
    void clearDelayedUndoState();
    const std::string& delayedUndoOperation() const { return _delayedUndoOperation; }
    void setDelayedUndoOperation(const std::string& name) { _delayedUndoOperation = name; }

    // One undo step, then the operation on every selected node in selection order, inside one
    // update; nothing when the selection is empty or holds anything but nodes.
    void performMultipleSelectionNodeOperation(const std::function<void(MindMapNode*)>& operation,
                                               const std::string& opName);

    // ---- Creation, delete and clipboard commands ----
    //
    // User commands on the selection. Each leaves the editor's modes and makes its change one undo
    // step named by its key, inside one update; without what it needs (a selected topic, an
    // element of the right kind, an expanded parent) it does nothing and takes no step. The
    // editing commands refuse silently on a read-only map; copying does not.
    //
    // The commands that start in-place editing of a new topic (the central theme, child, sibling,
    // parent and palette-branch commands) hand their undo step to the node editor, which registers
    // it when the editing ends; without a node editor they select the new topic and the step stays
    // pending.

    // A central theme at the next free place, or at the point.
    void addCentralTheme();
    void addCentralThemeAtLocation(Point location);
    // A child of the selected topic, below its other children in free layout, or at the point.
    // Nothing under a collapsed topic.
    void addChildNode();
    void addChildNodeAtLocation(Point location);
    // A sibling right after the selected topic (not of a central theme), or at the point.
    void addSiblingNode();
    void addSiblingNodeAtLocation(Point location);
    // A sibling right before the selected topic.
    void insertSiblingNode();
    // A new parent between the selected topic (or the target of a selected parent relation) and
    // its parent, halfway between them, with the topic's palette entry and place.
    void insertNode();
    // A child that takes the palette entry of the zero-based index; a negative index does nothing.
    void addBranchWithPaletteIndex(int64_t paletteIndex);
    // A topic holding the dropped text: a child of the topic under the point (else of the selected
    // topic), or a central theme at the point. Selected, not edited. Blank text does nothing.
    void textDropped(const std::string& text, Point location);
    // A borderless, transparent topic showing the picture: a child of the selected topic, else a
    // central theme. nullptr, with no step, for an empty hash or a read-only map.
    MindMapNode* addImageAsTopicWithHash(const std::string& imageHash);
    // Lets the node editor choose the picture; it ends in addImageAsTopicWithHash().
    void addImageAsTopic();
    // A free text on the selected topic or relation (or the container of a selected text or
    // image), edited at once when there is a node editor.
    void addText();
    // In-place editing of the selected topic's or text's text; needs a node editor.
    void editText();

    // Every central theme, whole, and nothing else is selected.
    bool selectionContainsAllNodes();
    // Deletes the selected branches, or the selected relations, texts and images. Deleting every
    // topic asks first (CommandPrompts); anything but OK changes nothing.
    void delete_();
    // Deletes the selected topic; its children move up to its parent (or become central themes).
    void deleteAlt();
    void cut();
    void copy();
    // Native map data first, then a picture (handed to the node editor), then plain text. The
    // pasteboard's owner may answer late: a paste lands in the content it was asked for, and one
    // whose answer comes after a load, a new map or an undo is dropped.
    void paste();
    void pasteAsCentralTheme();
    void pasteTextAsList();
    // The whole map as PNG, or as an outline in plain text, onto the general pasteboard.
    void copyAsImage();
    void copyAsOutline();
    // Puts the selected topics, images or texts onto the general pasteboard; false for anything
    // else (relations are never copied).
    bool internalCopy();
    void internalPaste(bool asCentralTheme);
    // The general pasteboard's first wanted type that has data, for a paste into the present
    // content (see paste()).
    void readPasteboard(const std::vector<std::string>& wanted, std::function<void(const Pasteboard&)> paste);
    // A failed paste, as an editor notification.
    void presentErrorAlt(const Error& error);
    // Whether a branch of that many levels may be added under the topic (nullptr: as a central
    // theme); when not, the editor notification says why.
    bool acceptsLevelsBelow(const MindMapNode* parent, size_t levels);
    // New text for a topic or free text, cut to what TopicTextLimit lets it have in place of the
    // previous text; when it was cut, the editor notification says how much was left out.
    std::string fittedText(std::string text, std::string_view previous = {});
    // For the paste: 3 while pasted content is read, back to 0 after.
    void setLoadingState(uint64_t loadingState) { _loadingState = loadingState; }

    // ---- Fold and arrange commands ----
    //
    // Folding and hiding change what is shown, not the content: they also work on a read-only
    // map. Rotating, flipping and reordering refuse on one.

    // Each on every selected topic (only topics selected), one step for all.
    void expand();
    void collapse();
    void expandChildren();
    void collapseChildren();
    void fullExpand();
    void fullCollapse();
    void toggleCollapsed();
    // On the selected topics and parent relations (standing for their topics).
    void hideSelected();
    void hideChildren();
    void fullHide();
    void showSelected();
    void showChildren();
    void fullShow();
    // The editing view's hidden-topic markers and tools.
    void hideTopic(MindMapNode* topic);
    void showTopic(MindMapNode* topic);

    // Turns (radians; positive is clockwise on screen) or mirrors the free-layout places of the
    // selected branches around their roots. A non-finite angle does nothing.
    void rotateBranchBy(double angle);
    void flipBranch(bool horizontal);
    void makeMainCentralTheme();
    // One place later or earlier among the siblings, wrapping around at the ends.
    void orderSelectedNodeInDirection(bool forward);
    // One level up: to the grandparent, or a central theme of its own.
    void orderUpSelectedNode();
    // A text or image one place later or earlier among its container's elements.
    void orderSelectedContainedElementInDirection(bool forward);
    void orderSelectedElementInDirection(bool forward);
    void orderElementForward();
    void orderElementBackward();
    void orderContainedElementForward();
    void orderContainedElementBackward();

    // ---- Style commands ----
    //
    // Each leaves the editor's modes and acts on the selection when every selected element is of
    // the kinds the command names, as one undo step named by its key inside one update. Anything
    // else (no selection, other kinds, a code outside its range, a number that is not finite)
    // changes nothing and takes no step.

    // The colour panel's colour for every selected element, unless the primary one is an image.
    // Leaves the editor's modes alone. Refused on a read-only map.
    void changeColor(const Color& color);
    // Topics, relations and texts follow the style sheet again. Refused on a read-only map.
    void clearStyleCustomization();
    // Topics take the palette entry of the zero-based index.
    void applyPaletteIndex(int64_t index);
    void applyDefaultWordWrap();
    // Topics and texts; a size equal to the element's default hands the font back to its parent.
    void changeFontSize(double size);
    // Turns the trait (bold or italic) on for every topic and text selected when the primary one
    // lacks it, else off for all.
    void toggleFontStyleAspect(FontTraitMask trait);
    // The same for font style bits: bold 1, italic 2, strike-through 4, underline 8.
    void toggleFontStyleBits(uint64_t bits);
    // Topics and texts. Aspect 1 text colour, 2 fill colour, 32 stroke colour (a text only marks
    // the stroke as customised).
    void changeElementColor(const Color& color, uint64_t aspect);
    // Alignment 0 centre, 1 left, 2 right, on topics and texts.
    void changeTextAlignment(int32_t alignment);
    // Topics: border style 0..7, border width.
    void changeBorderStyle(int32_t borderStyle);
    void changeBorderWidth(double borderWidth);
    // Cross links and parent relations: line style 0..9, width, path 0..2, arrows 0..8.
    void changeLineStyle(int32_t lineStyle);
    void changeLineWidth(double lineWidth);
    void changePathStyle(int32_t pathStyle);
    void changeSourceArrowStyle(int32_t arrowStyle);
    void changeTargetArrowStyle(int32_t arrowStyle);
    void clearPathCustomization();
    // Merges the preset's style into each selected topic, relation and text; nothing for nullptr.
    void applyStylePresetToSelection(const StylePreset* preset);
    // Keeps a copy of the primary element's style (topic, relation or text) in the style buffer;
    // no undo step.
    void copyStyle();
    // Gives the buffered style to each selected topic, relation and text. A style of another kind
    // stops the command at that element with an editor notification.
    void pasteStyle();
    // A topic's or text's style, with the font style bits and size of its reference font in the
    // outputs; nullptr (outputs untouched) for other elements.
    TextStyle* getElementTextStyleDefaults(MindMapElement* element, uint64_t& defaultStyle, double& defaultSize) const;
    // The property dialogs and panels of the selected element.
    void editProperties();
    void editNodeProperties(MindMapNode* node);
    void editTextProperties(MindMapText* text);
    // The relation style dialog; a changed style is one undo step. Refused on a read-only map.
    void editRelation(MindMapRelation* relation);
    void editMindMapStyle();

    // ---- Link, icon, task and image commands ----

    // Posted with the map as object when the user asks for the icon or the date picker.
    static constexpr const char* InvokeIconPickerNotification = "MindMap.InvokeIconPicker";
    static constexpr const char* InvokeDatePickerNotification = "MindMap.InvokeDatePicker";

    // Per selected topic, one undo step for all; nothing unless only topics are selected.
    void clearHyperlink();
    // The stock or custom icon by key; "" removes it. Refused on a read-only map.
    void selectIcon(const std::string& iconKey);
    // None -> checkbox; checkbox flips; progress steps by 10 and wraps after 100; roll-up stays.
    void toggleCheckedState();
    // nullopt removes the date.
    void applyDate(const std::optional<std::chrono::system_clock::time_point>& date);
    // Central themes are skipped.
    void toggleShowHull();
    // The embedded picture by image hash; "" removes it. Refused on a read-only map.
    void selectEmbeddedImage(const std::string& imageHash);
    void clearEmbeddedImage();

    // The selected topic's link, by kind: 0 local map, 1 URL, 2 cloud map, 3 cloud document,
    // 4 phone contact, 5 e-mail contact; another kind sets none. An empty link removes it.
    void addDiagramLink(const std::string& link, const std::string& nativeLink, int32_t linkType);
    // Selects the topic alone and links it to the URL.
    void linkNode(MindMapNode* node, const std::string& url);
    // Kind 4 phone or 5 e-mail contact; another kind takes the step and sets nothing.
    void addContactLink(const std::string& contact, const std::string& imageHash, int32_t linkType);
    // Checkbox mode 0 none, 1 checkbox, 2 progress, 3 roll-up; the progress is kept for 1 and 2.
    void applyCheckedState(int32_t checkboxMode, int64_t progress);
    void showIconPickerPanel();
    void showDatePickerPanel();

    // Requests to the node editor; adding and editing images is refused on a read-only map.
    void invokeEmbeddedImagePicker();
    void addCustomImage();
    void editImage();
    // A new image on the selected topic, selected alone. A scale above 0.01 is taken; otherwise
    // the image settings decide (2.5 for native density). nullptr, with no step, without a topic
    // or hash.
    MindMapImage* addCustomImageWithHash(const std::string& imageHash, const std::string& thumbnailHash,
                                         const std::string& imageLink, double scale = 0.0);
    // New hashes and link for the image when it is the selected one; its scale returns to 1.
    // Nothing, and no step, when that would change nothing.
    void changeImage(MindMapImage* image, const std::string& imageHash, const std::string& thumbnailHash,
                     const std::string& imageLink);
    // Asks for the selected image's link; a changed link is one undo step. Refused on a
    // read-only map.
    void editImageLink();

    // ---- Command validation ----

    // Whether the action may run on the map and its selection now. handled is set to false only
    // for an action the map does not decide (the answer is then true and means nothing). Reads
    // only.
    bool validateUserInterfaceItem(MindMapAction action, bool& handled) const;

private:
    void bindDocument(MindMapDocumentOwner* document);
    void initializeStyles();
    void observeNotifications();
    void styleSheetChangedNotify(const Notification& notification);
    void styleSheetRemovedNotify(const Notification& notification);
    void styleSheetFontsChangedNotify();
    void markdownSupportChanged();
    void customImagesChangedNotify(const Notification& notification);
    void dropUnusedImages();

    // Selection internals.
    void clearSelectionFlags();
    void removeFromSelection(MindMapElement* element);

    // Search internals.
    void searchNode(MindMapNode* node, const std::string& lowerSearchText);
    void searchContainedElements(CompositeElement* composite, const std::string& lowerSearchText);
    bool nodePassesSearch(MindMapNode* node, const std::string& lowerSearchText);
    void clearSearchMatchFlags();

    bool readWith(const std::function<bool(Error*)>& read, const std::string& guid, Error* error);
    // A read that threw (ran out of memory) leaves the map empty and disabled, its update closed.
    void abandonLoading();
    void destroyAllNodes();
    // Takes the new node into the map and its ownership.
    MindMapNode* adoptNode(std::unique_ptr<MindMapNode> node);
    bool ownsNode(const MindMapElement* element) const;
    // setSelectedElement for an element known to be the map's own.
    void selectOwnElement(MindMapElement* element);
    // Makes the membership table from _nodes when it is not there yet.
    void ensureNodeAddresses() const;

    // Snapshot undo internals.
    // Reads the snapshot into the emptied map, inside one loading bracket; when it cannot be
    // read, the fallback snapshot (the state before) is read instead. Registers nothing.
    void reloadFromUndoState(const std::string& undoState, const std::string* fallback);
    void registerUndoState(const UndoState& undoState);
    void markDocumentChangedForUndo();

    std::shared_ptr<ImageStore> _imageStore;
    ObservationToken _imageStoreObservation;
    // Owns the nodes, in the order they were made.
    std::vector<MindMapNode*> _nodes;
    // Membership of the nodes by address, as MindMapElement: a table of their own would cost an
    // allocation per topic; addresses of nodes already gone may be asked about. Made at the first
    // question and kept up from then on: opening or importing a large map asks none, and the
    // table would be held beside every topic at the height of the load for nothing.
    mutable AddressSet _nodeAddresses;
    mutable bool _hasNodeAddresses = false;
    // Ownership and membership of the cross links, by element.
    std::vector<MindMapNode*> _centralThemes;
    std::vector<CrossLink*> _crossLinks;
    std::unordered_map<const MindMapElement*, std::unique_ptr<CrossLink>> _ownedCrossLinks;
    std::shared_ptr<StyleSheet> _styleSheet;
    MindMapNode* _mainCentralTheme = nullptr;
    std::vector<MindMapElement*> _selection;
    const std::vector<MindMapElement*> _emptySelection;
    std::string _customTitle;
    MindMapNode* _dropTarget = nullptr;
    int32_t _autoNumberStyle = AutoNumberDisabled;
    std::shared_ptr<MindMapStyle> _defaultStyle;
    std::shared_ptr<MindMapStyle> _style;
    std::unique_ptr<ElementStyle> _styleBuffer;
    MindMapNodeEditor* _nodeEditor = nullptr;
    SearchMatchListener* _searchListener = nullptr;
    MindMapModelessEditor* _modelessEditor = nullptr;
    HierarchyListener* _hierarchyListener = nullptr;
    UndoState _delayedUndoState;
    uint64_t _contentGeneration = 0;
    // Drops its reads with the content they were asked for.
    PasteboardRequester _pasteRequester;
    uint64_t _changeCount = 0;
    // What the last full validation left: with nothing pending or reported since, every topic,
    // text and line is still valid and a repaint need not walk them all again.
    bool _statesPending = true;
    uint64_t _validatedChangeCount = 0;
    size_t _validatedNodeCount = 0;
    std::string _delayedUndoOperation;
    uint64_t _loadingState = MindMapIdle;
    int64_t _updateCount = 0;
    int64_t _lockedChanges = 0;
    bool _autoLayoutBusy = false;
    int64_t _autoLayoutLock = 0;
    bool _needsLayout = false;
    bool _cancelling = false;
    bool _committing = false;
    bool _enabled = false;
    bool _readOnly = false;
    DocumentInformation _documentInformation;
    std::unique_ptr<MindMapEditorScrollState> _editorScrollState;
    MindMapSearchData _searchData;
    std::vector<MindMapElement*> _searchMatches;
    std::unique_ptr<RearrangeMarker> _rearrangeMarker;
    std::unique_ptr<UndoManager> _ownUndoManager;
    UndoManager* _undoManager = nullptr;
    MindMapDocumentOwner* _document = nullptr;
    bool _progressDirty = false;
    // Set by hierarchyChanged(): the cross links are checked when the outermost update ends.
    bool _crossLinksNeedCheck = false;

    // Load-time ids to nodes, built as lookups need it: readers set all ids first and then look
    // them up, so one build serves a whole document. Covers the first _idIndexCoverage nodes of
    // _nodes; any id change or node removal makes it stale.
    std::unordered_map<int64_t, MindMapNode*> _idIndex;
    size_t _idIndexCoverage = 0;
    bool _idIndexValid = true;

    std::vector<ObservationToken> _observations;

    // ---- Structure editing internals ----

    using ElementSet = std::unordered_set<const MindMapElement*>;
    // The clean-up for nodes leaving the map together (whole subtrees): every cross link that
    // touches them goes; they, their relations, texts and images leave the selection (a primary
    // one clears it) and the search matches; the map's other references to them are cleared.
    // The nodes stay in _nodes for the caller to destroy.
    void nodeDeleted(const std::vector<MindMapNode*>& nodes, const ElementSet& leaving);
    // Removes whole subtrees, listed parents before children, from the map and destroys them.
    void removeNodes(const std::vector<MindMapNode*>& nodes);
    // Removes the links in one pass; a primary selected link hands the selection to its source
    // when the source stays (is in the map and not among the leaving nodes).
    void discardCrossLinks(const std::vector<CrossLink*>& links, const ElementSet& leavingNodes);
    // A central theme that became a child leaves the theme list; the main theme's place falls
    // back to the first theme, and the map is renumbered.
    void centralThemeBecameChild(MindMapNode* node, bool wasMainTheme);
    // Takes the elements out of the selection and the search matches. When the primary selected
    // element is among them, successor becomes the selection alone (none for nullptr); others
    // leave silently.
    void releaseElements(const ElementSet& going, MindMapElement* successor);
    // Adds a composite element's texts and images to the set.
    static void collectContainedElements(const CompositeElement* composite, ElementSet& elements);
    void syncCrossLinkIndex() const;
    void invalidateCrossLinkIndex() const { _crossLinkIndexValid = false; }

    // The pair of nodes a cross link joins, in a fixed order, so that both directions are one key.
    using NodePair = std::pair<const MindMapNode*, const MindMapNode*>;
    struct NodePairHash {
        size_t operator()(const NodePair& pair) const noexcept
        {
            const size_t first = std::hash<const void*>()(pair.first);
            return first ^
                (std::hash<const void*>()(pair.second) + 0x9e3779b97f4a7c15ULL + (first << 6) + (first >> 2));
        }
    };
    // Where in _crossLinks a link joins each pair, so that readers can add links one by one
    // without comparing each with every other. Built as lookups need it; covers the first
    // _crossLinkIndexCoverage links. Entries are verified before they are believed, and removals
    // make the whole index stale.
    mutable std::unordered_map<NodePair, size_t, NodePairHash> _crossLinkIndex;
    mutable size_t _crossLinkIndexCoverage = 0;
    mutable bool _crossLinkIndexValid = true;
};
