#include "formats/SelectionParcel.h"

#include "MindMaps/CompositeElement.h"
#include "MindMaps/ContainedElement.h"
#include "MindMaps/CrossLink.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/ParentRelation.h"
#include "formats/TwkxMindMapWriter.h"
#include "formats/TwkxNames.h"
#include "formats/XmlAttributeHelpers.h"

#include <algorithm>
#include <string>

// ---- Reading ----

MindMapNode* SelectionParcelReader::getNodeOnId(int64_t /*nodeId*/)
{
    return nullptr;
}

CrossLink* SelectionParcelReader::locateSelectionCrossLink(MindMapNode* target)
{
    if (!_mindMap || _parcel.sourceId < 0) return nullptr;
    MindMapNode* source = getNodeOnId(_parcel.sourceId);
    if (!source) return nullptr;
    for (CrossLink* link : _mindMap->crossLinks()) {
        if (link->connects(source, target)) return link;
    }
    return nullptr;
}

MindMapElement* SelectionParcelReader::restoreSelection()
{
    if (!_mindMap) return nullptr;
    if (!_parcel.elementGuid.empty()) {
        if (MindMapElement* element = _mindMap->elementWithGuid(_parcel.elementGuid)) return element;
    }
    if (_parcel.nodeId < 0) return nullptr;
    MindMapNode* node = getNodeOnId(_parcel.nodeId);
    if (!node) return nullptr;

    switch (_parcel.elementType) {
    case ElementTypeCrossLink:
        if (CrossLink* link = locateSelectionCrossLink(node)) return link;
        return node;
    case ElementTypeParentRelation:
        return node->parentRelation();
    case ElementTypeImage:
    case ElementTypeText: {
        CompositeElement* container = nullptr;
        if (_parcel.containerType == ElementTypeParentRelation) {
            container = node->parentRelation();
        } else if (_parcel.containerType == ElementTypeCrossLink) {
            container = locateSelectionCrossLink(node);
        } else {
            container = node;
        }
        if (!container || _parcel.childIndex < 0 ||
            static_cast<uint64_t>(_parcel.childIndex) >= container->containedElementCount()) {
            return node;
        }
        return container->containedElements()[static_cast<size_t>(_parcel.childIndex)];
    }
    default:
        return node;
    }
}

MindMapNode* MindMapSelectionParcelReader::getNodeOnId(int64_t nodeId)
{
    if (!_mindMap || nodeId < 0 || static_cast<uint64_t>(nodeId) >= _mindMap->nodes().size()) return nullptr;
    return _mindMap->nodes()[static_cast<size_t>(nodeId)];
}

MindMapNode* TwkxSelectionParcelReader::getNodeOnId(int64_t nodeId)
{
    return _mindMap ? _mindMap->findNodeOnId(nodeId) : nullptr;
}

// ---- Writing ----

int64_t SelectionParcelWriter::getNodeId(MindMapNode* /*node*/)
{
    return -1;
}

void SelectionParcelWriter::capture()
{
    if (!_mindMap) return;
    MindMapElement* element = _mindMap->selectedElement();
    if (!element) return;
    // Nothing of an earlier capture may stay behind.
    _parcel = SelectionParcel();

    if (element->hasGuid()) {
        _parcel.elementGuid = element->guid();
    } else if (_mindMap->modified()) {
        _parcel.elementGuid = element->guid();
    }
    _parcel.elementType = element->elementType();
    auto* contained = dynamic_cast<ContainedElement*>(element);
    _parcel.childSelection = contained != nullptr;

    MindMapNode* node = nullptr;
    switch (_parcel.elementType) {
    case ElementTypeNode:
        node = static_cast<MindMapNode*>(element);
        break;
    case ElementTypeCrossLink: {
        auto* link = static_cast<CrossLink*>(element);
        if (link->sourceNode()) _parcel.sourceId = getNodeId(link->sourceNode());
        node = link->targetNode();
        break;
    }
    case ElementTypeParentRelation:
        node = static_cast<ParentRelation*>(element)->targetNode();
        break;
    case ElementTypeImage:
    case ElementTypeText: {
        CompositeElement* container = contained ? contained->container() : nullptr;
        if (!container) break;
        const size_t index = container->indexOfContainedElement(contained);
        _parcel.childIndex = index == CompositeElement::NotFound ? -1 : static_cast<int64_t>(index);
        _parcel.containerType = container->elementType();
        node = container->asNode();
        if (_parcel.containerType == ElementTypeParentRelation) {
            node = static_cast<ParentRelation*>(container)->targetNode();
        } else if (_parcel.containerType == ElementTypeCrossLink) {
            auto* link = static_cast<CrossLink*>(container);
            if (link->sourceNode()) _parcel.sourceId = getNodeId(link->sourceNode());
            node = link->targetNode();
        }
        break;
    }
    default:
        return;
    }
    if (!node) return;
    _parcel.nodeId = getNodeId(node);
    _parcel.infoText = node->text();
}

int64_t MindMapSelectionParcelWriter::getNodeId(MindMapNode* node)
{
    if (!_mindMap || !node) return -1;
    const std::vector<MindMapNode*>& nodes = _mindMap->nodes();
    const auto found = std::find(nodes.begin(), nodes.end(), node);
    return found == nodes.end() ? -1 : static_cast<int64_t>(found - nodes.begin());
}

TwkxSelectionParcelWriter::TwkxSelectionParcelWriter(SelectionParcel& parcel, TwkxMindMapWriter& writer)
    : SelectionParcelWriter(parcel, &writer.mindMap()), _writer(writer)
{
}

int64_t TwkxSelectionParcelWriter::getNodeId(MindMapNode* node)
{
    return _writer.indexOfNode(node);
}

// ---- The "selection" element ----

void writeSelectionState(const SelectionParcel& parcel, pugi::xml_node meta)
{
    if (!meta || parcel.elementType == 0) return;
    pugi::xml_node selection = meta.append_child("selection");
    addStringAttribute(selection, "guid", parcel.elementGuid);
    addStringAttribute(selection, "type", ElementTypeName(parcel.elementType));
    if (parcel.childIndex >= 0 && parcel.childSelection) {
        addStringAttribute(selection, "container-type", ElementTypeName(parcel.containerType));
        addIntAttribute(selection, "child-index", parcel.childIndex);
        // The same index once more, under the name older readers look for.
        addIntAttribute(selection, "image", parcel.childIndex);
    }
    if (parcel.sourceId >= 0) addIntAttribute(selection, "source", parcel.sourceId);
    if (parcel.nodeId >= 0) addIntAttribute(selection, "id", parcel.nodeId);
}

SelectionParcel readSelectionState(pugi::xml_node selection)
{
    SelectionParcel parcel;
    if (!selection) return parcel;
    parcel.elementGuid = attributeAsString(selection, "guid").value_or(std::string());
    parcel.elementType = ElementTypeFromName(attributeAsString(selection, "type").value_or(std::string()));
    parcel.containerType = ElementTypeFromName(attributeAsString(selection, "container-type").value_or(std::string()));
    parcel.childIndex = attributeAsLong(selection, "child-index", -1);
    if (parcel.childIndex == -1) parcel.childIndex = attributeAsLong(selection, "image", -1);
    parcel.sourceId = attributeAsLong(selection, "source", -1);
    parcel.nodeId = attributeAsLong(selection, "id", -1);
    return parcel;
}
