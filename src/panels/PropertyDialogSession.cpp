#include "panels/PropertyDialogSession.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapElement.h"

PropertyDialogSession::PropertyDialogSession(MindMapElement& element, const std::string& actionName, bool captureUndo)
    : _element(element), _mindMap(element.mindMap())
{
    if (!_mindMap) return;
    _generation = _mindMap->contentGeneration();
    if (captureUndo) {
        _undoState = _mindMap->prepareDelayedUndoableOperation(actionName);
        _captured = true;
    }
}

PropertyDialogSession::~PropertyDialogSession()
{
    dropUndo();
}

bool PropertyDialogSession::elementAlive() const
{
    // The generation is checked first: after a reload the remembered address may be a freed one.
    return _mindMap && _mindMap->contentGeneration() == _generation && _mindMap->containsElement(&_element);
}

void PropertyDialogSession::commitUndo()
{
    if (!_captured) return;
    _captured = false;
    if (_mindMap && _mindMap->contentGeneration() == _generation) _mindMap->pushDelayedUndoableOperation(_undoState);
}

void PropertyDialogSession::dropUndo()
{
    if (!_captured) return;
    _captured = false;
    if (_mindMap && _mindMap->contentGeneration() == _generation) _mindMap->dropDelayedUndoableOperation(_undoState);
}
