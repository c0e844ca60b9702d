#include "formats/MindMapClipboard.h"

#include "MindMaps/CompositeElement.h"
#include "MindMaps/ContainedElement.h"
#include "MindMaps/ImageStore.h"
#include "MindMaps/MapImageServices.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TopicDepthLimit.h"
#include "Utils/AppErrors.h"
#include "formats/TwkxMindMapReader.h"
#include "formats/TwkxMindMapWriter.h"
#include "formats/TwkxNames.h"
#include "formats/XmlAttributeHelpers.h"
#include "layout/NodeLayouter.h"
#include "platform/Localizer.h"
#include "platform/NumberText.h"
#include "platform/Pasteboard.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace {

// Space between the map as it was and topics pasted as new central themes.
constexpr double PastedThemeGap = 50;

} // namespace

MindMapClipboard::MindMapClipboard(MindMap& mindMap, TwkxMindMapReader& reader, ImageStore* clipboardImages)
    : _mindMap(mindMap), _reader(reader), _clipboardImages(clipboardImages)
{
}

// ---- Copy ----

void MindMapClipboard::copySelectionToClipboard(MindMap& mindMap)
{
    copySelectionToClipboard(mindMap, Pasteboard::generalPasteboard(),
                             mapImageServicesInstance().clipboardImageStore().get());
}

void MindMapClipboard::copySelectionToClipboard(MindMap& mindMap, Pasteboard& pasteboard, ImageStore* clipboardImages)
{
    TwkxMindMapWriter writer(mindMap);
    writer.setCopying(true);
    pugi::xml_document document;
    pugi::xml_node root = TwkxMindMapWriter::createTwkxDocument(document);
    pugi::xml_node selection = root.append_child("selection");
    std::set<std::string> images;
    if (MindMapElement* primary = mindMap.selectedElement()) primary->collectReferencedImages(images);

    const int32_t type = mindMap.selectedElementType();
    addStringAttribute(selection, "type", ElementTypeName(type));
    std::string plainText;
    if (type == ElementTypeNode) {
        // Each copied branch whole, numbered in this order, so that the copies keep their tree.
        std::vector<MindMapNode*> nodes;
        for (MindMapNode* branch : mindMap.getSelectedRootNodes()) branch->collectNodeAndChildrenInArray(nodes);
        for (MindMapNode* node : nodes) node->collectReferencedImages(images);
        writer.setNodes(std::move(nodes));
        writer.writeNodes(selection);
        writer.writeCrossLinks(selection);
        if (MindMapNode* node = mindMap.selectedNode()) plainText = node->text();
    } else if (type == ElementTypeText) {
        for (MindMapElement* element : mindMap.selectionWithMask(ElementTypeText)) {
            writer.writeText(*static_cast<MindMapText*>(element), selection);
        }
        if (MindMapText* text = mindMap.selectedTextElement()) plainText = text->text();
    }
    if (type == ElementTypeNode || type == ElementTypeImage) {
        for (MindMapElement* element : mindMap.selectionWithMask(ElementTypeImage)) {
            auto* image = static_cast<MindMapImage*>(element);
            image->collectReferencedImages(images);
            writer.writeImage(*image, selection);
        }
    }

    const std::string text = TwkxMindMapWriter::serialize(document, false);
    pasteboard.declareTypes({PasteboardType, Pasteboard::StringType});
    pasteboard.setData(std::vector<uint8_t>(text.begin(), text.end()), PasteboardType);
    pasteboard.setString(plainText, Pasteboard::StringType);

    if (clipboardImages && clipboardImages != mindMap.imageStore()) {
        clipboardImages->deleteAllImages();
        clipboardImages->copyImages(images, mindMap.imageStore());
    }
}

// ---- Paste ----

bool MindMapClipboard::pasteFromClipboard(MindMap& mindMap, bool asCentralTheme, const Pasteboard& pasteboard,
                                          Error* error)
{
    return pasteFromClipboard(mindMap, asCentralTheme, pasteboard,
                              mapImageServicesInstance().clipboardImageStore().get(), error);
}

bool MindMapClipboard::pasteFromClipboard(MindMap& mindMap, bool asCentralTheme, const Pasteboard& pasteboard,
                                          ImageStore* clipboardImages, Error* error)
{
    TwkxMindMapReader reader(mindMap);
    MindMapClipboard clipboard(mindMap, reader, clipboardImages);
    return clipboard.internalPasteFromClipboard(pasteboard, asCentralTheme, error);
}

bool MindMapClipboard::internalPasteFromClipboard(const Pasteboard& pasteboard, bool asCentralTheme, Error* error)
{
    _reader.setIsPasting(true);
    const std::optional<std::vector<uint8_t>> data = pasteboard.dataForType(PasteboardType);
    if (!data) return setError(error, MakeAppError(AppErrors::PasteNoNativeData));
    if (data->empty() || data->size() > MaximumDocumentSize) {
        Error unreadable = MakeAppError(AppErrors::PasteUnreadableNativeData);
        if (!data->empty()) {
            unreadable.failureReason =
                localizedFormat("map_paste_too_large_reason",
                                {formatInteger(static_cast<int64_t>(MaximumDocumentSize / (1024 * 1024)))});
        }
        return setError(error, std::move(unreadable));
    }
    pugi::xml_document document;
    Error parseError;
    if (!TwkxMindMapReader::parseDocument(document, data->data(), data->size(), &parseError)) {
        // What is wrong with the data, then what the parser met and where.
        Error unreadable = MakeAppError(AppErrors::PasteUnreadableNativeData);
        unreadable.failureReason = parseError.localizedDescription + " (" + parseError.failureReason + ")";
        return setError(error, std::move(unreadable));
    }
    pugi::xml_node root = document.document_element();
    if (!root || std::strcmp(root.name(), TwkxMindMapWriter::RootElementName) != 0) {
        Error unreadable = MakeAppError(AppErrors::PasteUnreadableNativeData);
        unreadable.failureReason = localized("map_paste_not_a_map_reason");
        return setError(error, std::move(unreadable));
    }
    _reader.readDocumentProperties(root);

    pugi::xml_node selection = root.child("selection");
    if (!selection) return false;
    switch (ElementTypeFromName(selection.attribute("type").value())) {
    case ElementTypeNode:
        return internalPasteNodes(selection, asCentralTheme, error);
    case ElementTypeImage:
        return internalPasteImages(selection, error);
    case ElementTypeText:
        return internalPasteTexts(selection);
    default:
        return false;
    }
}

bool MindMapClipboard::internalPasteNodes(pugi::xml_node selection, bool asCentralTheme, Error* error)
{
    MindMapNode* target = asCentralTheme ? nullptr : _mindMap.selectedNode();
    if (!asCentralTheme && !target && !_mindMap.isEmpty()) {
        return setError(error, MakeAppError(AppErrors::PasteNoTopicSelected));
    }
    // Measured before anything is made: refused, the paste leaves the map as it was.
    if (!TopicDepthLimit::acceptsLevelsBelow(target ? target->nodeLevel() : -1,
                                             TwkxMindMapReader::topicLevels(selection), error))
        return false;
    const Rect visualArea = _mindMap.getVisualArea(true);
    const size_t oldCount = _mindMap.nodes().size();

    MindMap::UpdateGuard update(_mindMap);
    _reader.readNodes(selection);
    _reader.readCrossLinks(selection);
    if (_mindMap.nodes().size() == oldCount) return true;
    _referencedImages.insert(_reader.referencedImages().begin(), _reader.referencedImages().end());
    mergeReferencedImagesFromClipboard();

    std::vector<MindMapNode*> pastedRoots;
    for (size_t i = oldCount; i < _mindMap.nodes().size(); ++i) {
        MindMapNode* node = _mindMap.nodes()[i];
        if (!node->parent()) pastedRoots.push_back(node);
    }
    if (target) {
        for (MindMapNode* root : pastedRoots) root->linkToParent(target);
    }
    _mindMap.rethinkCentralThemes();
    // The document may join topics that are parent and child, or join two of them twice.
    _mindMap.checkCrossLinksIntegrity();

    for (MindMapNode* root : pastedRoots) {
        root->fullExpand();
        switch (root->originalLevel()) {
        case 0: // a central theme when copied
            root->resetPaletteColor();
            for (MindMapNode* child : root->children()) child->resetPaletteColor();
            break;
        case 1: // a main branch when copied
            root->resetPaletteColor();
            break;
        default:
            if (StyleSheet* sheet = _mindMap.styleSheet()) sheet->applyStyleToSubTree(root);
            break;
        }
    }
    _mindMap.nodesLoadedFromIndex(oldCount);
    // Placing a branch needs its real size: fresh topics know theirs only once validated.
    for (size_t i = oldCount; i < _mindMap.nodes().size(); ++i) {
        MindMapNode* node = _mindMap.nodes()[i];
        node->validateNodeState();
        node->validateContainedElements();
        node->parentRelation()->validateContainedElements();
    }

    const bool targetLaysOut = target && (target->isAutoLayout() || target->layoutMode() != 0);
    if (!targetLaysOut) {
        if (target) {
            for (MindMapNode* root : pastedRoots) NodeLayouter::positionBranch(root);
        } else if (oldCount > 0) {
            // New central themes go right of the map as it was, centred on it vertically.
            for (MindMapNode* root : pastedRoots) {
                std::vector<MindMapNode*> branch;
                root->collectNodeAndChildrenInArray(branch);
                const Rect bounds = MindMapNode::boundsOfMindMapNodes(branch, true, true);
                const double dx = visualArea.maxX() - bounds.minX() + PastedThemeGap;
                const double dy = visualArea.midY() - bounds.midY();
                MindMapNode::translateMindMapNodes(branch, dx, dy);
            }
        }
    }

    _mindMap.setSelectedElement(pastedRoots.front());
    for (size_t i = 1; i < pastedRoots.size(); ++i) _mindMap.toggleSelection(pastedRoots[i], false);
    _mindMap.hierarchyChanged();
    _mindMap.setNeedsLayout(true);
    _mindMap.addChangeBits(MindMapChangeElement);

    MindMapNode* mainTheme = _mindMap.mainCentralTheme();
    if (std::find(pastedRoots.begin(), pastedRoots.end(), mainTheme) != pastedRoots.end()) _mindMap.titleChanged();
    return true;
}

bool MindMapClipboard::internalPasteImages(pugi::xml_node selection, Error* error)
{
    MindMapNode* node = _mindMap.selectedNode();
    if (!node) return setError(error, MakeAppError(AppErrors::PasteImageOnlyInTopics));

    MindMap::UpdateGuard update(_mindMap);
    std::vector<MindMapImage*> pasted;
    for (pugi::xml_node element = selection.child("image"); element; element = element.next_sibling("image")) {
        MindMapImage* image = _reader.readImage(element, *node);
        if (!image) continue;
        image->collectReferencedImages(_referencedImages);
        pasted.push_back(image);
    }
    if (pasted.empty()) return false;
    _mindMap.setSelectedElement(pasted.front());
    for (size_t i = 1; i < pasted.size(); ++i) _mindMap.toggleSelection(pasted[i], false);
    mergeReferencedImagesFromClipboard();
    return true;
}

bool MindMapClipboard::internalPasteTexts(pugi::xml_node selection)
{
    MindMapElement* selected = _mindMap.selectedElement();
    if (auto* contained = dynamic_cast<ContainedElement*>(selected)) selected = contained->container();
    auto* container = dynamic_cast<CompositeElement*>(selected);
    if (!container) return false;

    MindMap::UpdateGuard update(_mindMap);
    std::vector<MindMapText*> pasted;
    for (pugi::xml_node element = selection.child("text"); element; element = element.next_sibling("text")) {
        if (MindMapText* text = _reader.readText(element, *container)) pasted.push_back(text);
    }
    if (pasted.empty()) return false;
    _mindMap.setSelectedElement(pasted.front());
    for (size_t i = 1; i < pasted.size(); ++i) _mindMap.toggleSelection(pasted[i], false);
    return true;
}

void MindMapClipboard::mergeReferencedImagesFromClipboard()
{
    ImageStore* store = _mindMap.imageStore();
    if (!store || !_clipboardImages || store == _clipboardImages || _referencedImages.empty()) return;
    store->copyImages(_referencedImages, _clipboardImages);
}
