#include "MindMaps/MindMap.h"

#include "MindMaps/MindMapDocumentOwner.h"
#include "MindMaps/MindMapNodeEditor.h"

MindMap::MindMap(CustomImageStore* imageStore) : _imageStore(imageStore)
{
}

MindMap::~MindMap() = default;

bool MindMap::modified() const
{
    return _document && _document->isDocumentEdited();
}

void MindMap::markModified()
{
    if (_document) _document->updateChangeCount(MindMapDocumentOwner::ChangeKind::Done);
}

void MindMap::elementBoundsChanged(MindMapElement* element)
{
    _needsLayout = true;
    if (_nodeEditor) _nodeEditor->updateElementTools(element);
}
