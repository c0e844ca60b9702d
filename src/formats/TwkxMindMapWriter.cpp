#include "formats/TwkxMindMapWriter.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/CustomStyleSheet.h"
#include "MindMaps/DiagramLink.h"
#include "MindMaps/DocumentInformation.h"
#include "MindMaps/EmbeddedImage.h"
#include "MindMaps/LayoutModes.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapEditorScrollState.h"
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
#include "formats/NativeStyleFileFormat.h"
#include "formats/NodeDateFormatter.h"
#include "formats/SelectionParcel.h"
#include "formats/StyleElementIO.h"
#include "formats/TwkxNames.h"
#include "formats/XmlAttributeHelpers.h"
#include "formats/XmlTextWriter.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <type_traits>

namespace {

// The elements of the document go either into a pugixml tree (the clipboard and the template
// build their documents from the writer's steps) or straight into text (whole documents and undo
// snapshots). This side of the two takes the same calls as XmlTextWriter.
class TreeOutput {
public:
    explicit TreeOutput(pugi::xml_node parent) { _open.push_back(parent); }

    void openElement(const char* name) { _open.push_back(_open.back().append_child(name)); }
    void closeElement() { _open.pop_back(); }
    void addIntAttribute(const char* name, int64_t value) { ::addIntAttribute(_open.back(), name, value); }
    void addBoolAttribute(const char* name, bool value) { ::addBoolAttribute(_open.back(), name, value); }
    void addFloatAttribute(const char* name, double value) { ::addFloatAttribute(_open.back(), name, value); }
    void addStringAttribute(const char* name, std::string_view value)
    {
        ::addStringAttribute(_open.back(), name, value);
    }
    void addEscapedStringAttribute(const char* name, std::string_view value)
    {
        ::addEscapedStringAttribute(_open.back(), name, value);
    }
    void setElementText(std::string_view text) { ::setElementText(_open.back(), text); }
    void addColorElement(const char* name, const std::optional<Color>& color)
    {
        setColorNamed(_open.back(), color, name);
    }
    template <typename Fill> void appendTree(Fill&& fill) { fill(_open.back()); }

private:
    std::vector<pugi::xml_node> _open;
};

// The document's elements, written in one order for both outputs: an element's attributes come
// before its children, as text must have them.
template <typename Output> class ElementEmitter {
public:
    ElementEmitter(TwkxMindMapWriter& writer, Output& out) : _writer(writer), _out(out) {}

    void metaData();
    void nodes();
    void node(MindMapNode& node, int64_t index, int64_t parentIndex);
    void crossLinks();
    void customStyleSheet();
    void image(MindMapImage& image);
    void text(MindMapText& text);
    void containedElements(CompositeElement& composite);

    // Whether the map contains images is answered by the topics as they are written instead of by
    // a walk through all of them first, which a large map without images pays in full: the meta
    // leaves its "images" element out and marks the place, which imagesPlace then answers when
    // the element belongs there.
    void answerImagesAfterwards() { _imagesAfterwards = true; }
    std::optional<size_t> imagesPlace() const;

private:
    void parentRelation(MindMapNode& node);
    void link(const DiagramLink& link);
    void customPath(MindMapRelation& relation);
    void selectionState();
    template <typename Style> void style(const Style* style, const char* tag);

    TwkxMindMapWriter& _writer;
    Output& _out;
    bool _imagesAfterwards = false;
    size_t _imagesPlace = 0;
    bool _topicImagesFound = false;
};

// As the map answers containsImages, one topic at a time.
bool topicContainsImages(const MindMapNode& node)
{
    const ParentRelation* relation = node.parentRelation();
    return node.containsImages() || (relation && relation->hasCustomImages());
}

// ---- Styles as text ----

// The shared style writers build a tree, which costs an allocation per attribute and a second pass
// to print it: for every styled topic of a large map's snapshot. Whole documents write the same
// elements straight as text, attributes first as text must have them; the document tests compare
// the two.

void writeTextStyleAttributesText(XmlTextWriter& out, const TextStyle& style)
{
    if (style.isPropCustomized(TextStyle::AlignmentMask))
        out.addStringAttribute("align", TextAlignmentName(style.alignment()));
    if (style.isPropCustomized(TextStyle::CallOutMask))
        out.addStringAttribute("callout", CallOutName(static_cast<int64_t>(style.callOut())));
}

void writeTextStyleChildrenText(XmlTextWriter& out, const TextStyle& style)
{
    if (style.isPropCustomized(TextStyle::FillColorMask)) out.addColorElement("fillcolor", style.fillColor());
    if (style.isPropCustomized(TextStyle::TextColorMask)) out.addColorElement("textcolor", style.textColor());
    if (style.isPropCustomized(TextStyle::FontMask)) {
        constexpr std::pair<uint64_t, const char*> FontStyleAttributes[] = {
            {1, "bold"}, {2, "italic"}, {4, "strikethrough"}, {8, "underline"}};
        out.openElement("font");
        const uint64_t fontStyle = style.fontStyle();
        for (const auto& [bit, name] : FontStyleAttributes) {
            if (fontStyle & bit) out.addBoolAttribute(name, true);
        }
        if (style.fontScale() != 1.0) out.addFloatAttribute("scale", style.fontScale());
        out.closeElement();
    }
}

void writeStyleText(XmlTextWriter& out, const TextStyle& style, const char* tag)
{
    out.openElement(tag);
    writeTextStyleAttributesText(out, style);
    writeTextStyleChildrenText(out, style);
    out.closeElement();
}

void writeStyleText(XmlTextWriter& out, const NodeStyle& style, const char* tag)
{
    out.openElement(tag);
    writeTextStyleAttributesText(out, style);
    if (style.isPropCustomized(NodeStyle::BorderStyleMask))
        out.addStringAttribute("borderstyle", BorderStyleName(style.borderStyle()));
    if (style.isPropCustomized(NodeStyle::BorderWidthMask)) out.addFloatAttribute("borderwidth", style.borderWidth());
    writeTextStyleChildrenText(out, style);
    if (style.isPropCustomized(NodeStyle::StrokeColorMask)) out.addColorElement("strokecolor", style.strokeColor());
    out.closeElement();
}

void writeStyleText(XmlTextWriter& out, const RelationStyle& style, const char* tag)
{
    out.openElement(tag);
    if (style.isPropCustomized(RelationStyle::LineStyleMask))
        out.addStringAttribute("line-style", PenStyleName(style.lineStyle()));
    if (style.isPropCustomized(RelationStyle::LineWidthMask)) out.addFloatAttribute("line-width", style.lineWidth());
    if (style.isPropCustomized(RelationStyle::PathStyleMask))
        out.addStringAttribute("path-style", PathStyleName(style.relationPathStyle()));
    if (style.isPropCustomized(RelationStyle::SourceArrowMask))
        out.addStringAttribute("source-arrow", ArrowStyleName(style.sourceArrowStyle()));
    if (style.isPropCustomized(RelationStyle::TargetArrowMask))
        out.addStringAttribute("target-arrow", ArrowStyleName(style.targetArrowStyle()));
    if (style.isPropCustomized(RelationStyle::ColorMask)) out.addColorElement("color", style.color());
    out.closeElement();
}

void writeStyleTree(const TextStyle& style, pugi::xml_node parent, const char* tag)
{
    writeTextStyle(style, parent, tag);
}

void writeStyleTree(const NodeStyle& style, pugi::xml_node parent, const char* tag)
{
    writeNodeStyle(style, parent, tag);
}

void writeStyleTree(const RelationStyle& style, pugi::xml_node parent, const char* tag)
{
    writeRelationStyle(style, parent, tag);
}

// The style a line stores. A line without one of its own answers the map's blank style, which
// carries no value and is not written; looking it up goes through the map for every topic.
const RelationStyle* ownStyle(const MindMapRelation& relation)
{
    return relation.hasOwnStyle() ? relation.style() : nullptr;
}

template <typename Output> void writeRootAttributes(Output& out)
{
    out.addIntAttribute("doc-version", TwkxMindMapWriter::DocumentVersion);
    out.addStringAttribute("generator", GeneratorName(TwkxMindMapWriter::Generator));
    out.addStringAttribute("gen-version", bundleInfoValue("CFBundleShortVersionString"));
}

// ---- Meta ----

template <typename Output> void ElementEmitter<Output>::metaData()
{
    MindMap& mindMap = _writer.mindMap();
    _out.openElement("meta");

    // The GUID under which the map is kept; a map kept nowhere yet keeps the one it was read with.
    const DocumentInformation& information = mindMap.documentInformation();
    _out.openElement("guid");
    _out.addStringAttribute("guid", information.guid().empty() ? information.loadedGuid() : information.guid());
    _out.closeElement();

    _out.openElement("title");
    _out.addEscapedStringAttribute("text", mindMap.title());
    if (mindMap.hasCustomTitle()) _out.addBoolAttribute("customized", true);
    _out.closeElement();

    if (_imagesAfterwards) {
        // A map with images mostly has one among its first topics: then nothing is left for later.
        constexpr size_t TopicsLookedAt = 64;
        const std::vector<MindMapNode*>& listed = _writer.nodes();
        const size_t first = std::min(listed.size(), TopicsLookedAt);
        if (listed.size() != mindMap.nodes().size() ||
            std::any_of(listed.begin(), listed.begin() + static_cast<std::ptrdiff_t>(first),
                        [](const MindMapNode* node) { return topicContainsImages(*node); }))
            _imagesAfterwards = false;
    }
    if constexpr (std::is_same_v<Output, XmlTextWriter>) {
        if (_imagesAfterwards) _imagesPlace = _out.written();
    }
    if (!_imagesAfterwards && mindMap.containsImages()) {
        _out.openElement("images");
        _out.addBoolAttribute("containsImages", true);
        _out.closeElement();
    }

    _out.openElement("style");
    if (StyleSheet* sheet = mindMap.styleSheet()) _out.addStringAttribute("key", sheet->styleKeyName());
    if (MindMapStyle* mapStyle = mindMap.style())
        _out.appendTree([mapStyle](pugi::xml_node element) { writeMindMapStyle(*mapStyle, element); });
    _out.closeElement();

    _out.openElement("auto-numbering");
    _out.addStringAttribute("style", autoNumberingStyleName(mindMap.autoNumberStyle()));
    _out.closeElement();

    _out.openElement("scrollstate");
    if (MindMapEditorScrollState* state = mindMap.getEditorScrollState()) {
        _out.addIntAttribute("zoom", state->zoomPercentage());
        if (state->offsetValid()) {
            _out.addFloatAttribute("x", state->offset().x);
            _out.addFloatAttribute("y", state->offset().y);
        }
    }
    _out.closeElement();

    selectionState();

    if (MindMapNode* mainTheme = mindMap.mainCentralTheme()) {
        _out.openElement("main-centraltheme");
        _out.addIntAttribute("id", _writer.indexOfNode(mainTheme));
        _out.closeElement();
    }
    _out.closeElement();
}

template <typename Output> std::optional<size_t> ElementEmitter<Output>::imagesPlace() const
{
    if (!_imagesAfterwards) return std::nullopt;
    const std::vector<CrossLink*>& crossLinks = _writer.mindMap().crossLinks();
    const bool found = _topicImagesFound ||
        std::any_of(crossLinks.begin(), crossLinks.end(),
                    [](const CrossLink* link) { return link && link->hasCustomImages(); });
    return found ? std::optional<size_t>(_imagesPlace) : std::nullopt;
}

template <typename Output> void ElementEmitter<Output>::selectionState()
{
    SelectionParcel parcel;
    TwkxSelectionParcelWriter parcelWriter(parcel, _writer);
    parcelWriter.capture();
    if (parcel.elementType == 0) return;
    _out.appendTree([&parcel](pugi::xml_node meta) { writeSelectionState(parcel, meta); });
}

// ---- Topics ----

template <typename Output> void ElementEmitter<Output>::nodes()
{
    _out.openElement("topics");
    // In hierarchical order a node's parent lies on the path from the root to the node written
    // just before it: a stack of that path answers most parent look-ups without hashing.
    const std::vector<MindMapNode*>& listed = _writer.nodes();
    std::vector<std::pair<const MindMapNode*, int64_t>> path;
    for (size_t i = 0; i < listed.size(); ++i) {
        MindMapNode* current = listed[i];
        const MindMapNode* parentNode = current->parent();
        while (!path.empty() && path.back().first != parentNode) path.pop_back();
        const int64_t parentIndex = !parentNode ? -1
            : !path.empty()                     ? path.back().second
                                                : _writer.indexOfNode(parentNode);
        node(*current, static_cast<int64_t>(i), parentIndex);
        if (_imagesAfterwards && !_topicImagesFound) _topicImagesFound = topicContainsImages(*current);
        path.emplace_back(current, static_cast<int64_t>(i));
    }
    _out.closeElement();
}

template <typename Output> void ElementEmitter<Output>::node(MindMapNode& node, int64_t index, int64_t parentIndex)
{
    _out.openElement("topic");
    _out.addIntAttribute("id", index);
    _out.addIntAttribute("parent", parentIndex);
    if (_writer.copying()) _out.addIntAttribute("original-level", node.nodeLevel());
    if (node.hasGuid()) _out.addStringAttribute("guid", node.guid());
    _out.addFloatAttribute("x", node.location().x);
    _out.addFloatAttribute("y", node.location().y);

    const int32_t layoutMode = node.layoutMode();
    if (layoutMode != 0) {
        _out.addStringAttribute("layout", layoutModeName(layoutMode));
        if (node.layoutDirection() != DefaultLayoutDirectionForMode(layoutMode))
            _out.addStringAttribute("layout-direction", layoutDirectionName(node.layoutDirection()));
    }

    const NodeStyle& nodeStyle = node.currentStyle();
    const bool customColors =
        nodeStyle.isPropCustomized(TextStyle::FillColorMask) || nodeStyle.isPropCustomized(NodeStyle::StrokeColorMask);
    if (customColors || node.paletteInfo() != 0) {
        _out.addIntAttribute("palette", node.paletteInfo());
        _out.addIntAttribute("colorinfo", customColors ? -1 : node.paletteInfo());
    }
    _out.addStringAttribute("icon", node.iconName());
    if (node.collapsed()) _out.addBoolAttribute("collapsed", true);
    if (node.outlineCollapsed()) _out.addBoolAttribute("outline-collapsed", true);
    if (node.isHidden()) _out.addBoolAttribute("hidden", true);
    if (node.showCheckbox()) {
        _out.addStringAttribute("checkbox-mode", checkboxModeName(node.checkboxMode()));
        if (node.checkboxMode() != 3) _out.addIntAttribute("progress", node.progress());
        _out.addBoolAttribute("checkbox", true);
        if (node.checkedState() == 1) _out.addBoolAttribute("checked", true);
    }
    if (node.hasDate()) _out.addStringAttribute("date", NodeDateFormatter::stringFromDate(*node.date()));
    _out.addEscapedStringAttribute("text", node.text());

    style(&nodeStyle, "style");
    if (customColors) {
        _out.addColorElement("fillcolor", node.fillColor());
        _out.addColorElement("strokecolor", node.strokeColor());
    }

    if (node.showHull()) {
        _out.openElement("hull");
        _out.addBoolAttribute("visible", true);
        NodeHullStyle* hullStyle = node.hullStyle();
        if (hullStyle && hullStyle->customColor()) _out.addColorElement("fillcolor", hullStyle->fillColor());
        _out.closeElement();
    }

    if (EmbeddedImage* embedded = node.embeddedImage()) {
        _out.openElement("embedded-image");
        _out.addStringAttribute("name", node.embeddedImageName());
        _out.addFloatAttribute("scale", embedded->scale());
        _out.closeElement();
    }

    if (node.parent()) parentRelation(node);
    if (const DiagramLink* diagramLink = node.diagramLink()) link(*diagramLink);
    if (node.hasVoiceMemo()) {
        _out.openElement("voice-memo");
        _out.addStringAttribute("link", node.voiceMemo());
        _out.closeElement();
    }

    containedElements(node);
    if (node.hasCustomImages()) {
        // The older form, for readers that know only it.
        _out.openElement("images");
        for (ContainedElement* element : node.containedElements()) {
            if (auto* contained = dynamic_cast<MindMapImage*>(element)) image(*contained);
        }
        _out.closeElement();
    }

    if (node.hasNote()) {
        _out.openElement("note");
        _out.setElementText(node.note());
        _out.closeElement();
    }
    _out.closeElement();
}

// A style that stores nothing writes nothing.
template <typename Output>
template <typename Style>
void ElementEmitter<Output>::style(const Style* style, const char* tag)
{
    if (!style || !style->isStored()) return;
    if constexpr (std::is_same_v<Output, XmlTextWriter>) {
        writeStyleText(_out, *style, tag);
    } else {
        _out.appendTree([style, tag](pugi::xml_node parent) { writeStyleTree(*style, parent, tag); });
    }
}

template <typename Output> void ElementEmitter<Output>::parentRelation(MindMapNode& node)
{
    ParentRelation* relation = node.parentRelation();
    if (!relation) return;
    const RelationStyle* own = ownStyle(*relation);
    const bool styled = own && own->isStored();
    if (!relation->hasContainedElements() && !styled && !relation->hasGuid() && !relation->hasCustomPath()) return;
    _out.openElement("parent-relation");
    if (relation->hasGuid()) _out.addStringAttribute("guid", relation->guid());
    style(own, "style");
    customPath(*relation);
    containedElements(*relation);
    _out.closeElement();
}

template <typename Output> void ElementEmitter<Output>::customPath(MindMapRelation& relation)
{
    if (!relation.hasCustomPath()) return;
    _out.openElement("path");
    _out.openElement("custom-point");
    _out.addFloatAttribute("x", relation.relationPath().customOffset().x);
    _out.addFloatAttribute("y", relation.relationPath().customOffset().y);
    _out.closeElement();
    _out.closeElement();
}

template <typename Output> void ElementEmitter<Output>::link(const DiagramLink& link)
{
    _out.openElement("link");
    switch (link.linkType()) {
    case DiagramLink::LinkTypeLocalMap:
        _out.addStringAttribute("diagramref", link.linkID());
        _out.addStringAttribute("element", link.element());
        _out.addBoolAttribute("ishotlink", link.isHotLink());
        break;
    case DiagramLink::LinkTypeURL:
        _out.addStringAttribute("urllink", link.linkID());
        break;
    case DiagramLink::LinkTypeCloudMap:
        _out.addStringAttribute("cloudmapref", link.linkID());
        _out.addStringAttribute("native", link.nativeLink());
        _out.addStringAttribute("element", link.element());
        break;
    case DiagramLink::LinkTypeCloudDocument:
        _out.addStringAttribute("clouddocref", link.linkID());
        _out.addStringAttribute("native", link.nativeLink());
        break;
    case DiagramLink::LinkTypePhoneContact:
        _out.addStringAttribute("phone-contact", link.linkID());
        _out.addStringAttribute("thumbnail", link.imageHash());
        break;
    case DiagramLink::LinkTypeEmailContact:
        _out.addStringAttribute("email-contact", link.linkID());
        _out.addStringAttribute("thumbnail", link.imageHash());
        break;
    default:
        break;
    }
    _out.closeElement();
}

// ---- Contained elements ----

template <typename Output> void ElementEmitter<Output>::containedElements(CompositeElement& composite)
{
    if (!composite.hasContainedElements()) return;
    _out.openElement("children");
    for (ContainedElement* element : composite.containedElements()) {
        if (auto* contained = dynamic_cast<MindMapImage*>(element)) image(*contained);
        else if (auto* freeText = dynamic_cast<MindMapText*>(element)) text(*freeText);
    }
    _out.closeElement();
}

template <typename Output> void ElementEmitter<Output>::image(MindMapImage& image)
{
    _out.openElement("image");
    if (image.hasGuid()) _out.addStringAttribute("guid", image.guid());
    _out.addStringAttribute("name", image.imageHash());
    _out.addStringAttribute("thumbnail", image.thumbnailHash());
    _out.addFloatAttribute("x", image.relLocation().x);
    _out.addFloatAttribute("y", image.relLocation().y);
    _out.addFloatAttribute("scale", image.scale());
    _out.addFloatAttribute("angle", image.angle());
    if (!image.imageLink().empty()) {
        _out.openElement("link");
        _out.addStringAttribute("urllink", image.imageLink());
        _out.closeElement();
    }
    _out.closeElement();
}

template <typename Output> void ElementEmitter<Output>::text(MindMapText& text)
{
    _out.openElement("text");
    if (text.hasGuid()) _out.addStringAttribute("guid", text.guid());
    _out.addFloatAttribute("x", text.relLocation().x);
    _out.addFloatAttribute("y", text.relLocation().y);
    _out.openElement("note");
    _out.setElementText(text.text());
    _out.closeElement();
    style(text.style(), "style");
    _out.closeElement();
}

// ---- Relations and style sheet ----

template <typename Output> void ElementEmitter<Output>::crossLinks()
{
    _out.openElement("relations");
    for (CrossLink* crossLink : _writer.mindMap().crossLinks()) {
        const int64_t source = _writer.indexOfNode(crossLink->sourceNode());
        const int64_t target = _writer.indexOfNode(crossLink->targetNode());
        if (source < 0 || target < 0) continue;
        _out.openElement("relation");
        if (crossLink->hasGuid()) _out.addStringAttribute("guid", crossLink->guid());
        _out.addIntAttribute("source", source);
        _out.addIntAttribute("target", target);
        style(ownStyle(*crossLink), "style");
        customPath(*crossLink);
        containedElements(*crossLink);
        _out.closeElement();
    }
    _out.closeElement();
}

template <typename Output> void ElementEmitter<Output>::customStyleSheet()
{
    // Only a custom sheet travels with the document, in its own element form.
    const StyleSheet* sheet = _writer.mindMap().styleSheet();
    if (!sheet || !sheet->isCustomStyle()) return;
    _out.appendTree([sheet](pugi::xml_node mindMapElement) { writeInlineStyleSheet(sheet, mindMapElement); });
}

} // namespace

TwkxMindMapWriter::TwkxMindMapWriter(MindMap& mindMap) : _mindMap(mindMap)
{
}

MindMapData TwkxMindMapWriter::writeMindMap(MindMap& mindMap, Error* error)
{
    TwkxMindMapWriter writer(mindMap);
    return writer.writeMindMap(error);
}

void TwkxMindMapWriter::writeMindMapInPieces(MindMap& mindMap, const std::function<void(std::string_view)>& drain)
{
    TwkxMindMapWriter writer(mindMap);
    writer.buildNodeIndexMap();
    drain("\xEF\xBB\xBF");
    XmlTextWriter out(drain);
    writer.writeDocument(out);
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
    TreeOutput out(root);
    writeRootAttributes(out);
    return root;
}

std::string TwkxMindMapWriter::serialize(const pugi::xml_document& document, bool pretty)
{
    std::string text;
    XmlStringWriter writer(text);
    const unsigned flags = pretty ? pugi::format_indent : pugi::format_raw;
    document.save(writer, "  ", flags, pugi::encoding_utf8);
    return text;
}

MindMapData TwkxMindMapWriter::writeMindMap(Error*)
{
    buildNodeIndexMap();
    // Written as bytes from the start: a copy out of a string would hold a large map's document
    // twice while the map itself is still in memory.
    MindMapData data;
    data.reserve(documentSizeEstimate());
    const std::string_view mark = "\xEF\xBB\xBF";
    data.assign(mark.begin(), mark.end());
    XmlTextWriter out(data);
    writeDocument(out);
    return data;
}

std::string TwkxMindMapWriter::writeDocumentText()
{
    buildNodeIndexMap();
    std::string text;
    text.reserve(documentSizeEstimate());
    text += "\xEF\xBB\xBF";
    std::optional<size_t> imagesPlace;
    {
        XmlTextWriter out(text);
        writeDocument(out, &imagesPlace);
    }
    // Found only after the topics, in the rare map whose first topics have none: the one line the
    // meta left out, as the writer prints it three levels deep.
    if (imagesPlace) text.insert(*imagesPlace, "      <images containsImages=\"true\" />\n");
    return text;
}

size_t TwkxMindMapWriter::documentSizeEstimate() const
{
    // Room for a typical topic's share, so that a large map is neither copied nor moved while it
    // grows; room not written to costs no memory.
    return 4096 + nodes().size() * 192;
}

void TwkxMindMapWriter::writeDocument(XmlTextWriter& out, std::optional<size_t>* imagesPlace)
{
    // Written straight behind the byte-order mark.
    ElementEmitter<XmlTextWriter> emitter(*this, out);
    if (imagesPlace) emitter.answerImagesAfterwards();
    out.writeDeclaration(RootElementName);
    out.openElement(RootElementName);
    writeRootAttributes(out);
    out.openElement("mindmap");
    emitter.metaData();
    emitter.nodes();
    emitter.crossLinks();
    emitter.customStyleSheet();
    out.closeElement();
    out.closeElement();
    out.finish();
    if (imagesPlace) *imagesPlace = emitter.imagesPlace();
}

// ---- Node numbering ----

void TwkxMindMapWriter::buildNodeIndexMap()
{
    if (_mindMap.nodesAreHierarchicallyOrdered()) {
        setNodes({});
        _listed = &_mindMap.nodes();
        return;
    }
    std::vector<MindMapNode*> nodes;
    _mindMap.collectHierarchicallyOrderedNodes(nodes);
    setNodes(std::move(nodes));
}

void TwkxMindMapWriter::setNodes(std::vector<MindMapNode*> nodes)
{
    _nodes = std::move(nodes);
    _listed = &_nodes;
    std::vector<std::pair<const MindMapNode*, int64_t>>().swap(_nodeIndexMap);
    _lookupsWithoutIndex = 0;
}

int64_t TwkxMindMapWriter::indexOfNode(const MindMapNode* node) const
{
    if (!node) return -1;
    const std::vector<MindMapNode*>& listed = nodes();
    constexpr size_t LookupsBeforeIndex = 16;
    if (_nodeIndexMap.empty() && _lookupsWithoutIndex < LookupsBeforeIndex) {
        ++_lookupsWithoutIndex;
        const auto found = std::find(listed.begin(), listed.end(), node);
        return found != listed.end() ? static_cast<int64_t>(found - listed.begin()) : -1;
    }
    if (_nodeIndexMap.empty()) {
        _nodeIndexMap.reserve(listed.size());
        for (size_t i = 0; i < listed.size(); ++i) _nodeIndexMap.emplace_back(listed[i], static_cast<int64_t>(i));
        // A node listed twice keeps its first index.
        std::stable_sort(_nodeIndexMap.begin(), _nodeIndexMap.end(),
                         [](const auto& a, const auto& b) { return std::less<>()(a.first, b.first); });
    }
    auto found = std::lower_bound(
        _nodeIndexMap.begin(), _nodeIndexMap.end(), node,
        [](const auto& entry, const MindMapNode* wanted) { return std::less<>()(entry.first, wanted); });
    return found != _nodeIndexMap.end() && found->first == node ? found->second : -1;
}

// ---- Steps into a tree ----

void TwkxMindMapWriter::writeMetaData(pugi::xml_node mindMapElement)
{
    TreeOutput out(mindMapElement);
    ElementEmitter<TreeOutput>(*this, out).metaData();
}

void TwkxMindMapWriter::writeNodes(pugi::xml_node parent)
{
    TreeOutput out(parent);
    ElementEmitter<TreeOutput>(*this, out).nodes();
}

void TwkxMindMapWriter::writeCrossLinks(pugi::xml_node parent)
{
    TreeOutput out(parent);
    ElementEmitter<TreeOutput>(*this, out).crossLinks();
}

void TwkxMindMapWriter::writeCustomStyleSheet(pugi::xml_node mindMapElement)
{
    TreeOutput out(mindMapElement);
    ElementEmitter<TreeOutput>(*this, out).customStyleSheet();
}

void TwkxMindMapWriter::writeImage(MindMapImage& image, pugi::xml_node parent)
{
    TreeOutput out(parent);
    ElementEmitter<TreeOutput>(*this, out).image(image);
}

void TwkxMindMapWriter::writeText(MindMapText& text, pugi::xml_node parent)
{
    TreeOutput out(parent);
    ElementEmitter<TreeOutput>(*this, out).text(text);
}
