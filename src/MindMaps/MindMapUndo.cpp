#include "MindMaps/MindMap.h"

#include "MindMaps/CompositeElement.h"
#include "MindMaps/ContainedElement.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMapDocumentOwner.h"
#include "MindMaps/MindMapEditorScrollState.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapNodeEditor.h"
#include "MindMaps/MindMapRelation.h"
#include "MindMaps/MindMapText.h"
#include "platform/UndoManager.h"

#include <utility>

namespace {

// The native format's snapshot functions; the map's library cannot reach the format itself.
struct UndoStateFormat {
    MindMap::UndoStateCapture capture;
    MindMap::UndoStateLoader load;
};

UndoStateFormat& undoStateFormat()
{
    static UndoStateFormat format;
    return format;
}

} // namespace

void MindMap::setUndoStateFormat(UndoStateCapture capture, UndoStateLoader load)
{
    undoStateFormat() = UndoStateFormat{std::move(capture), std::move(load)};
}

bool MindMap::hasUndoStateFormat()
{
    return undoStateFormat().capture && undoStateFormat().load;
}

UndoState MindMap::captureUndoState()
{
    if (!hasUndoStateFormat()) return nullptr;
    // A copy: capturing must not run on a table that changes under it.
    const UndoStateCapture capture = undoStateFormat().capture;
    return std::make_shared<const std::string>(capture(*this));
}

// ---- Registration ----

void MindMap::registerUndoState(const UndoState& undoState)
{
    if (!_undoManager || !undoState) return;
    // The step holds the snapshot, never an element of the map: elements do not outlive a reload.
    _undoManager->registerUndo([this, undoState]() { applyUndoState(undoState); }, this);
}

void MindMap::markDocumentChangedForUndo()
{
    if (_document && !_document->isDocumentEdited())
        _document->updateChangeCount(MindMapDocumentOwner::ChangeKind::Done);
}

UndoState MindMap::pushStateToUndoManager(const std::string& actionName)
{
    const bool replaying = _undoManager && (_undoManager->isUndoing() || _undoManager->isRedoing());
    if (!replaying) clearDelayedUndoState();
    // Nothing would be registered: the snapshot is not worth writing.
    if (!_undoManager || !_undoManager->isUndoRegistrationEnabled() || !hasUndoStateFormat()) return nullptr;
    if (!replaying) {
        // The snapshot names the selected element by GUID, so the element needs one before it is
        // written; otherwise the selection could not come back with the snapshot.
        if (MindMapElement* primary = selectedElement()) primary->guid();
    }
    UndoState undoState = captureUndoState();
    if (!undoState) return nullptr;
    registerUndoState(undoState);
    if (!replaying) {
        _undoManager->setActionName(actionName);
        markDocumentChangedForUndo();
    }
    return undoState;
}

void MindMap::applyUndoState(const UndoState& undoState)
{
    if (!undoState) return;
    cancelEditorModes();
    // The opposite step is also the way back when the snapshot cannot be read.
    UndoState current = pushStateToUndoManager(std::string());
    if (!current) current = captureUndoState();
    reloadFromUndoState(*undoState, current.get());
    clearDelayedUndoState();
    if (_document && _undoManager) {
        if (_undoManager->isUndoing()) {
            _document->updateChangeCount(MindMapDocumentOwner::ChangeKind::Undone);
        } else if (_undoManager->isRedoing()) {
            _document->updateChangeCount(MindMapDocumentOwner::ChangeKind::Redone);
        }
    }
}

void MindMap::reloadFromUndoState(const std::string& undoState, const std::string* fallback)
{
    if (!hasUndoStateFormat()) return;
    const UndoStateLoader load = undoStateFormat().load;
    // The snapshot carries the view of the moment it was taken, read as a map opened anew (centred
    // on its selection): the view stays where the user is instead.
    MindMapEditorScrollState view;
    if (_nodeEditor) _nodeEditor->getEditorScrollState(view);
    beginLoading();
    // beginLoading emptied the map: a failed read must not leave it so.
    if (!load(*this, undoState) && fallback) {
        internalClearDiagram();
        load(*this, *fallback);
    }
    if (_nodeEditor) setEditorScrollState(view);
    loadingCompleted(MindMapLoadedSelection);
}

// ---- Ordinary steps ----

void MindMap::prepareUndoableOperation(const std::string& actionName)
{
    clearDelayedUndoState();
    cancelEditorModes();
    pushStateToUndoManager(actionName);
}

MindMapNode* MindMap::prepareUndoableNodeOperation(const std::string& actionName)
{
    clearDelayedUndoState();
    MindMapNode* node = cancelEditorModes();
    if (!node) return nullptr;
    pushStateToUndoManager(actionName);
    // After the push: the snapshot keeps the node hidden or collapsed as it was.
    forceNodeVisible(node);
    return node;
}

namespace {

// One step for the primary selected element of a kind: the element is taken before the editor's
// modes are left and must still be the primary one afterwards. Compared by address only: leaving
// the modes may have destroyed it.
template <typename Element, typename Select>
Element* prepareSelectedElementOperation(MindMap& map, Select select, const std::string& actionName)
{
    map.clearDelayedUndoState();
    Element* element = select();
    map.cancelEditorModes();
    if (!element || static_cast<const MindMapElement*>(element) != map.selectedElement()) return nullptr;
    map.pushStateToUndoManager(actionName);
    return element;
}

} // namespace

CrossLink* MindMap::prepareUndoableCrossLinkOperation(const std::string& actionName)
{
    return prepareSelectedElementOperation<CrossLink>(
        *this, [this] { return selectedCrossLink(); }, actionName);
}

MindMapRelation* MindMap::prepareUndoableRelationOperation(const std::string& actionName)
{
    return prepareSelectedElementOperation<MindMapRelation>(
        *this, [this] { return selectedRelation(); }, actionName);
}

MindMapImage* MindMap::prepareUndoableImageOperation(const std::string& actionName)
{
    return prepareSelectedElementOperation<MindMapImage>(
        *this, [this] { return selectedImage(); }, actionName);
}

MindMapText* MindMap::prepareUndoableTextOperation(const std::string& actionName)
{
    return prepareSelectedElementOperation<MindMapText>(
        *this, [this] { return selectedTextElement(); }, actionName);
}

ContainedElement* MindMap::prepareUndoableContainedElementOperation(const std::string& actionName)
{
    return prepareSelectedElementOperation<ContainedElement>(
        *this, [this] { return selectedContainedElement(); }, actionName);
}

CompositeElement* MindMap::prepareUndoableCompositeElementOperation(const std::string& actionName)
{
    clearDelayedUndoState();
    MindMapElement* primary = selectedElement();
    cancelEditorModes();
    if (!primary || primary != selectedElement()) return nullptr;
    // Taken after leaving the modes: the container of a text may have changed meanwhile.
    CompositeElement* composite = nullptr;
    if (auto* contained = dynamic_cast<ContainedElement*>(primary)) {
        composite = contained->container();
    } else {
        composite = dynamic_cast<CompositeElement*>(primary);
    }
    if (composite) pushStateToUndoManager(actionName);
    return composite;
}

// ---- Delayed steps ----

UndoState MindMap::prepareDelayedUndoableOperation(const std::string& actionName)
{
    clearDelayedUndoState();
    if (!hasUndoStateFormat()) return nullptr;
    if (MindMapElement* primary = selectedElement()) primary->guid();
    UndoState undoState = captureUndoState();
    _delayedUndoState = undoState;
    _delayedUndoOperation = actionName;
    return undoState;
}

void MindMap::pushDelayedUndoableOperation(const UndoState& undoState)
{
    if (undoState && undoState == _delayedUndoState && _undoManager) {
        registerUndoState(undoState);
        if (!_undoManager->isUndoing() && !_undoManager->isRedoing()) {
            _undoManager->setActionName(_delayedUndoOperation);
            // As with an ordinary step: an edit registered for undo is an unsaved change.
            markDocumentChangedForUndo();
        }
    }
    clearDelayedUndoState();
}

void MindMap::cancelDelayedUndoableOperation(const UndoState& undoState)
{
    if (!undoState || undoState != _delayedUndoState) {
        clearDelayedUndoState();
        return;
    }
    // Held here while the map lets go of it as pending.
    const UndoState kept = _delayedUndoState;
    clearDelayedUndoState();
    const UndoState current = captureUndoState();
    reloadFromUndoState(*kept, current.get());
}

void MindMap::dropDelayedUndoableOperation(const UndoState& undoState)
{
    if (undoState && undoState == _delayedUndoState) clearDelayedUndoState();
}

void MindMap::clearDelayedUndoState()
{
    _delayedUndoState.reset();
    _delayedUndoOperation.clear();
}

// ---- Several nodes at once ----

void MindMap::performMultipleSelectionNodeOperation(const std::function<void(MindMapNode*)>& operation,
                                                    const std::string& opName)
{
    cancelEditorModes();
    if (!operation) return;
    // A copy: the operation may change the selection.
    const std::vector<MindMapElement*> nodes = selectionWithMask(ElementTypeNode);
    if (nodes.empty()) return;
    prepareUndoableOperation(opName);
    UpdateGuard update(*this);
    for (MindMapElement* element : nodes) {
        // An earlier call may have taken a later node out of the map; looked up by address, since
        // such a node no longer exists.
        if (!ownsNode(element)) continue;
        operation(static_cast<MindMapNode*>(element));
    }
}
