#include "formats/TwkxMindMapWriter.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/DocumentInformation.h"
#include "MindMaps/EmbeddedImage.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapImage.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/MindMapStyle.h"
#include "MindMaps/MindMapText.h"
#include "MindMaps/NodeHullStyle.h"
#include "MindMaps/NodeStyle.h"
#include "MindMaps/ParentRelation.h"
#include "MindMaps/RelationStyle.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TextStyle.h"
#include "Utils/VersionInfoUtils.h"
#include "editor-view/MindMapEditorScrollState.h"
#include "formats/NodeDateFormatter.h"
#include "formats/SelectionParcel.h"
#include "formats/StyleElementIO.h"
#include "formats/TwkxNames.h"
#include "formats/XmlAttributeHelpers.h"
#include "layout/LayoutModes.h"

namespace {

// Collects the serialised document without going through the process locale.
class StringWriter : public pugi::xml_writer {
public:
    explicit StringWriter(std::string& out) : _out(out) {}
    void write(const void* data, size_t size) override { _out.append(static_cast<const char*>(data), size); }

private:
    std::string& _out;
};

} // namespace

TwkxMindMapWriter::TwkxMindMapWriter(MindMap& mindMap) : _mindMap(mindMap)
{
}

MindMapData TwkxMindMapWriter::writeMindMap(MindMap& mindMap, Error* error)
{
    TwkxMindMapWriter writer(mindMap);
    return writer.writeMindMap(error);
}

std::string TwkxMindMapWriter::captureUndoState(MindMap& mindMap)
{
    TwkxMindMapWriter writer(mindMap);
    return writer.writeDocumentText();
}

pugi::xml_node TwkxMindMapWriter::createTwkxDocument(pugi::xml_document& document)
{
    document.reset();
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version").set_value("1.0");
    declaration.append_attribute("encoding").set_value("UTF-8");
    document.append_child(pugi::node_doctype).set_value(RootElementName);
    pugi::xml_node root = document.append_child(RootElementName);
    addIntAttribute(root, "doc-version", DocumentVersion);
    addStringAttribute(root, "generator", GeneratorName(Generator));
    addStringAttribute(root, "gen-version", bundleInfoValue("CFBundleShortVersionString"));
    return root;
}

std::string TwkxMindMapWriter::serialize(const pugi::xml_document& document, bool pretty)
{
    std::string text;
    serializeInto(document, pretty, text);
    return text;
}

void TwkxMindMapWriter::serializeInto(const pugi::xml_document& document, bool pretty, std::string& text)
{
    StringWriter writer(text);
    const unsigned flags = pretty ? pugi::format_indent : pugi::format_raw;
    document.save(writer, "  ", flags, pugi::encoding_utf8);
}

MindMapData TwkxMindMapWriter::writeMindMap(Error*)
{
    const std::string text = writeDocumentText();
    return MindMapData(text.begin(), text.end());
}

std::string TwkxMindMapWriter::writeDocumentText()
{
    pugi::xml_document document;
    pugi::xml_node root = createTwkxDocument(document);
    pugi::xml_node mindMapElement = root.append_child("mindmap");
    buildNodeIndexMap();
    writeMetaData(mindMapElement);
    writeNodes(mindMapElement);
    writeCrossLinks(mindMapElement);
    writeCustomStyleSheet(mindMapElement);
    // Written straight behind the byte-order mark, into room for a typical topic's share, so
    // that a large map is neither copied nor moved while it grows.
    std::string text;
    text.reserve(4096 + _nodes.size() * 192);
    text += "\xEF\xBB\xBF";
    serializeInto(document, true, text);
    return text;
}

// ---- Node numbering ----

void TwkxMindMapWriter::buildNodeIndexMap()
{
    std::vector<MindMapNode*> nodes;
    _mindMap.collectHierarchicallyOrderedNodes(nodes);
    setNodes(std::move(nodes));
}

void TwkxMindMapWriter::setNodes(std::vector<MindMapNode*> nodes)
{
    _nodes = std::move(nodes);
    _nodeIndexMap.clear();
    _nodeIndexMap.reserve(_nodes.size());
    for (size_t i = 0; i < _nodes.size(); ++i) _nodeIndexMap.emplace(_nodes[i], static_cast<int64_t>(i));
}

int64_t TwkxMindMapWriter::indexOfNode(const MindMapNode* node) const
{
    if (!node) return -1;
    auto found = _nodeIndexMap.find(node);
    return found == _nodeIndexMap.end() ? -1 : found->second;
}

// ---- Meta ----

void TwkxMindMapWriter::writeMetaData(pugi::xml_node mindMapElement)
{
    pugi::xml_node meta = mindMapElement.append_child("meta");

    // The GUID under which the map is kept; a map kept nowhere yet keeps the one it was read with.
    const DocumentInformation& information = _mindMap.documentInformation();
    addStringAttribute(meta.append_child("guid"), "guid",
                       information.guid().empty() ? information.loadedGuid() : information.guid());

    pugi::xml_node title = meta.append_child("title");
    addEscapedStringAttribute(title, "text", _mindMap.title());
    if (_mindMap.hasCustomTitle()) addBoolAttribute(title, "customized", true);

    if (_mindMap.containsImages()) addBoolAttribute(meta.append_child("images"), "containsImages", true);

    pugi::xml_node style = meta.append_child("style");
    if (StyleSheet* sheet = _mindMap.styleSheet()) addStringAttribute(style, "key", sheet->styleKeyName());
    if (MindMapStyle* mapStyle = _mindMap.style()) writeMindMapStyle(*mapStyle, style);

    addStringAttribute(meta.append_child("auto-numbering"), "style", AutoNumberingStyleName(_mindMap.autoNumberStyle()));

    pugi::xml_node scrollState = meta.append_child("scrollstate");
    if (MindMapEditorScrollState* state = _mindMap.getEditorScrollState()) {
        addIntAttribute(scrollState, "zoom", state->zoomPercentage());
        if (state->offsetValid()) {
            addFloatAttribute(scrollState, "x", state->offset().x);
            addFloatAttribute(scrollState, "y", state->offset().y);
        }
    }

    writeSelectionState(meta);

    if (MindMapNode* mainTheme = _mindMap.mainCentralTheme())
        addIntAttribute(meta.append_child("main-centraltheme"), "id", indexOfNode(mainTheme));
}

// ---- Topics ----

void TwkxMindMapWriter::writeNodes(pugi::xml_node parent)
{
    pugi::xml_node topics = parent.append_child("topics");
    // In hierarchical order a node's parent lies on the path from the root to the node written
    // just before it: a stack of that path answers most parent look-ups without hashing.
    std::vector<std::pair<const MindMapNode*, int64_t>> path;
    for (size_t i = 0; i < _nodes.size(); ++i) {
        MindMapNode* node = _nodes[i];
        const MindMapNode* parentNode = node->parent();
        while (!path.empty() && path.back().first != parentNode) path.pop_back();
        const int64_t parentIndex = !parentNode ? -1 : !path.empty() ? path.back().second : indexOfNode(parentNode);
        writeNode(*node, topics, static_cast<int64_t>(i), parentIndex);
        path.emplace_back(node, static_cast<int64_t>(i));
    }
}

void TwkxMindMapWriter::writeNode(MindMapNode& node, pugi::xml_node topics)
{
    writeNode(node, topics, indexOfNode(&node), indexOfNode(node.parent()));
}

void TwkxMindMapWriter::writeNode(MindMapNode& node, pugi::xml_node topics, int64_t index, int64_t parentIndex)
{
    pugi::xml_node topic = topics.append_child("topic");
    addIntAttribute(topic, "id", index);
    addIntAttribute(topic, "parent", parentIndex);
    if (_copying) addIntAttribute(topic, "original-level", node.nodeLevel());
    if (node.hasGuid()) addStringAttribute(topic, "guid", node.guid());
    addFloatAttribute(topic, "x", node.location().x);
    addFloatAttribute(topic, "y", node.location().y);

    const int32_t layoutMode = node.layoutMode();
    if (layoutMode != 0) {
        addStringAttribute(topic, "layout", LayoutModeName(layoutMode));
        if (node.layoutDirection() != DefaultLayoutDirectionForMode(layoutMode))
            addStringAttribute(topic, "layout-direction", LayoutDirectionName(node.layoutDirection()));
    }

    NodeStyle* style = node.style();
    if (style) writeNodeStyle(*style, topic, "style");
    const bool customColors =
        style && (style->isPropCustomized(TextStyle::FillColorMask) || style->isPropCustomized(NodeStyle::StrokeColorMask));
    if (customColors || node.paletteInfo() != 0) {
        addIntAttribute(topic, "palette", node.paletteInfo());
        addIntAttribute(topic, "colorinfo", customColors ? -1 : node.paletteInfo());
        if (customColors) {
            setColorNamed(topic, node.fillColor(), "fillcolor");
            setColorNamed(topic, node.strokeColor(), "strokecolor");
        }
    }

    if (node.showHull()) {
        pugi::xml_node hull = topic.append_child("hull");
        addBoolAttribute(hull, "visible", true);
        NodeHullStyle* hullStyle = node.hullStyle();
        if (hullStyle && hullStyle->customColor()) setColorNamed(hull, hullStyle->fillColor(), "fillcolor");
    }

    addStringAttribute(topic, "icon", node.iconName());

    if (EmbeddedImage* embedded = node.embeddedImage()) {
        pugi::xml_node element = topic.append_child("embedded-image");
        addStringAttribute(element, "name", node.embeddedImageName());
        addFloatAttribute(element, "scale", embedded->scale());
    }

    if (node.collapsed()) addBoolAttribute(topic, "collapsed", true);
    if (node.outlineCollapsed()) addBoolAttribute(topic, "outline-collapsed", true);
    if (node.isHidden()) addBoolAttribute(topic, "hidden", true);

    if (node.showCheckbox()) {
        addStringAttribute(topic, "checkbox-mode", CheckboxModeName(node.checkboxMode()));
        if (node.checkboxMode() != 3) addIntAttribute(topic, "progress", node.progress());
        addBoolAttribute(topic, "checkbox", true);
        if (node.checkedState() == 1) addBoolAttribute(topic, "checked", true);
    }

    if (node.hasDate()) addStringAttribute(topic, "date", NodeDateFormatter::stringFromDate(*node.date()));

    if (node.parent()) writeParentRelation(node, topic);
    if (node.diagramLink()) writeLink(node, topic);
    if (node.hasVoiceMemo()) addStringAttribute(topic.append_child("voice-memo"), "link", node.voiceMemo());

    writeContainedElements(node, topic);
    if (node.hasCustomImages()) {
        // The older form, for readers that know only it.
        pugi::xml_node images = topic.append_child("images");
        for (ContainedElement* element : node.containedElements()) {
            if (auto* image = dynamic_cast<MindMapImage*>(element)) writeImage(*image, images);
        }
    }

    addEscapedStringAttribute(topic, "text", node.text());
    if (node.hasNote()) setElementText(topic.append_child("note"), node.note());
}

void TwkxMindMapWriter::writeParentRelation(MindMapNode& node, pugi::xml_node topic)
{
    ParentRelation* relation = node.parentRelation();
    if (!relation) return;
    const bool styled = relation->style() && relation->style()->isStored();
    if (!relation->hasContainedElements() && !styled && !relation->hasGuid() && !relation->hasCustomPath()) return;
    pugi::xml_node element = topic.append_child("parent-relation");
    if (relation->hasGuid()) addStringAttribute(element, "guid", relation->guid());
    if (relation->style()) writeRelationStyle(*relation->style(), element, "style");
    if (relation->hasCustomPath()) {
        pugi::xml_node point = element.append_child("path").append_child("custom-point");
        addFloatAttribute(point, "x", relation->relationPath().customOffset().x);
        addFloatAttribute(point, "y", relation->relationPath().customOffset().y);
    }
    writeContainedElements(*relation, element);
}

void TwkxMindMapWriter::writeLink(MindMapNode& node, pugi::xml_node topic)
{
    const DiagramLink* link = node.diagramLink();
    pugi::xml_node element = topic.append_child("link");
    switch (link->linkType()) {
    case DiagramLink::LinkTypeLocalMap:
        addStringAttribute(element, "diagramref", link->linkID());
        addStringAttribute(element, "element", link->element());
        addBoolAttribute(element, "ishotlink", link->isHotLink());
        break;
    case DiagramLink::LinkTypeURL:
        addStringAttribute(element, "urllink", link->linkID());
        break;
    case DiagramLink::LinkTypeCloudMap:
        addStringAttribute(element, "cloudmapref", link->linkID());
        addStringAttribute(element, "native", link->nativeLink());
        addStringAttribute(element, "element", link->element());
        break;
    case DiagramLink::LinkTypeCloudDocument:
        addStringAttribute(element, "clouddocref", link->linkID());
        addStringAttribute(element, "native", link->nativeLink());
        break;
    case DiagramLink::LinkTypePhoneContact:
        addStringAttribute(element, "phone-contact", link->linkID());
        addStringAttribute(element, "thumbnail", link->imageHash());
        break;
    case DiagramLink::LinkTypeEmailContact:
        addStringAttribute(element, "email-contact", link->linkID());
        addStringAttribute(element, "thumbnail", link->imageHash());
        break;
    default:
        break;
    }
}

// ---- Contained elements ----

void TwkxMindMapWriter::writeContainedElements(CompositeElement& composite, pugi::xml_node parent)
{
    if (!composite.hasContainedElements()) return;
    pugi::xml_node children = parent.append_child("children");
    for (ContainedElement* element : composite.containedElements()) {
        if (auto* image = dynamic_cast<MindMapImage*>(element))
            writeImage(*image, children);
        else if (auto* text = dynamic_cast<MindMapText*>(element))
            writeText(*text, children);
    }
}

void TwkxMindMapWriter::writeImage(MindMapImage& image, pugi::xml_node parent)
{
    pugi::xml_node element = parent.append_child("image");
    if (image.hasGuid()) addStringAttribute(element, "guid", image.guid());
    addStringAttribute(element, "name", image.imageHash());
    addStringAttribute(element, "thumbnail", image.thumbnailHash());
    addFloatAttribute(element, "x", image.relLocation().x);
    addFloatAttribute(element, "y", image.relLocation().y);
    addFloatAttribute(element, "scale", image.scale());
    addFloatAttribute(element, "angle", image.angle());
    if (!image.imageLink().empty()) addStringAttribute(element.append_child("link"), "urllink", image.imageLink());
}

void TwkxMindMapWriter::writeText(MindMapText& text, pugi::xml_node parent)
{
    pugi::xml_node element = parent.append_child("text");
    if (text.hasGuid()) addStringAttribute(element, "guid", text.guid());
    addFloatAttribute(element, "x", text.relLocation().x);
    addFloatAttribute(element, "y", text.relLocation().y);
    setElementText(element.append_child("note"), text.text());
    if (text.style()) writeTextStyle(*text.style(), element, "style");
}

// ---- Relations and style sheet ----

void TwkxMindMapWriter::writeCrossLinks(pugi::xml_node parent)
{
    pugi::xml_node relations = parent.append_child("relations");
    for (CrossLink* link : _mindMap.crossLinks()) {
        const int64_t source = indexOfNode(link->sourceNode());
        const int64_t target = indexOfNode(link->targetNode());
        if (source < 0 || target < 0) continue;
        pugi::xml_node element = relations.append_child("relation");
        if (link->hasGuid()) addStringAttribute(element, "guid", link->guid());
        addIntAttribute(element, "source", source);
        addIntAttribute(element, "target", target);
        if (link->style()) writeRelationStyle(*link->style(), element, "style");
        if (link->hasCustomPath()) {
            pugi::xml_node point = element.append_child("path").append_child("custom-point");
            addFloatAttribute(point, "x", link->relationPath().customOffset().x);
            addFloatAttribute(point, "y", link->relationPath().customOffset().y);
        }
        writeContainedElements(*link, element);
    }
}

void TwkxMindMapWriter::writeSelectionState(pugi::xml_node meta)
{
    SelectionParcel parcel;
    TwkxSelectionParcelWriter parcelWriter(parcel, *this);
    parcelWriter.capture();
    ::writeSelectionState(parcel, meta);
}

void TwkxMindMapWriter::writeCustomStyleSheet(pugi::xml_node)
{
    // Custom style sheets write their own element form; until they exist in this build no map
    // can hold one, so there is nothing to write.
}
