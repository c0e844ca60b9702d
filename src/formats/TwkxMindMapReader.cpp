#include "formats/TwkxMindMapReader.h"

#include "MindMaps/CrossLink.h"
#include "MindMaps/CustomStyleSheet.h"
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
#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TextStyle.h"
#include "MindMaps/TopicDepthLimit.h"
#include "Utils/GuidCreation.h"
#include "Utils/PathValidation.h"
#include "formats/DocumentDamage.h"
#include "formats/MindMapClipboard.h"
#include "formats/MindMapFormatDetector.h"
#include "formats/NativeStyleFileFormat.h"
#include "formats/NodeDateFormatter.h"
#include "formats/SelectionParcel.h"
#include "formats/StyleElementIO.h"
#include "formats/TwkxMindMapWriter.h"
#include "formats/TwkxNames.h"
#include "formats/XmlAttributeHelpers.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <unordered_map>

namespace {

// Positions beyond this are taken as the limit: far larger than any map, and small enough that
// sizes and distances computed from them stay finite.
constexpr double MaxCoordinate = 1.0e9;
// A topic position beyond this is no position a map could have been given by hand or by layout;
// it is refused and read as the origin, so that placing topics around it stays a bounded search.
constexpr double MaxTopicCoordinate = 1.0e7;
// Zoom percentages outside this range are brought into it.
constexpr int64_t MinZoomPercentage = 1;
constexpr int64_t MaxZoomPercentage = 10000;
// The generator whose positions are in the older, smaller units.
constexpr int32_t ScaledGenerator = 1;

constexpr unsigned ParseOptions = pugi::parse_default;
static_assert((ParseOptions & pugi::parse_doctype) == 0, "the document type declaration is skipped, never read");

double clampCoordinate(double value)
{
    if (std::isnan(value)) return 0;
    return std::clamp(value, -MaxCoordinate, MaxCoordinate);
}

std::string stringAttribute(pugi::xml_node element, const char* name)
{
    pugi::xml_attribute attribute = element.attribute(name);
    return attribute ? std::string(attribute.value()) : std::string();
}

bool equalsIgnoringCase(const char* text, const char* other)
{
    for (; *text && *other; ++text, ++other) {
        char a = *text;
        char b = *other;
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != b) return false;
    }
    return *text == *other;
}

// A GUID names the map's file in its store: one that could not be a file name, or that would
// name the folder itself or its parent, is replaced.
bool isUsableDocumentGuid(const std::string& guid)
{
    if (guid.empty() || containsInvalidFilenameChars(guid)) return false;
    for (char c : guid) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    }
    return guid.find_first_not_of('.') != std::string::npos;
}

int64_t integerValue(pugi::xml_attribute attribute, int64_t defaultValue)
{
    return attribute ? parseInteger(attribute.value(), defaultValue) : defaultValue;
}

double doubleValue(pugi::xml_attribute attribute, double defaultValue)
{
    return attribute ? parseDouble(attribute.value(), defaultValue) : defaultValue;
}

double topicCoordinate(pugi::xml_attribute attribute)
{
    const double value = doubleValue(attribute, 0);
    return std::abs(value) <= MaxTopicCoordinate ? value : 0;
}

bool boolValue(pugi::xml_attribute attribute, bool defaultValue)
{
    if (!attribute) return defaultValue;
    if (equalsIgnoringCase(attribute.value(), "true")) return true;
    if (equalsIgnoringCase(attribute.value(), "false")) return false;
    return defaultValue;
}

// The items of a "topic", by index.
enum TopicAttribute : size_t {
    TopicId,
    TopicParent,
    TopicOriginalLevel,
    TopicGuid,
    TopicText,
    TopicX,
    TopicY,
    TopicLayout,
    TopicLayoutDirection,
    TopicIcon,
    TopicCollapsed,
    TopicOutlineCollapsed,
    TopicHidden,
    TopicCheckboxMode,
    TopicProgress,
    TopicCheckbox,
    TopicChecked,
    TopicDate,
    TopicPalette,
    TopicColorInfo,
    TopicDiagramRef,
    TopicIsHotLink,
    TopicAttributeCount
};

enum TopicChild : size_t {
    TopicStyle,
    TopicFillColor,
    TopicStrokeColor,
    TopicHull,
    TopicEmbeddedImage,
    TopicParentRelation,
    TopicLink,
    TopicVoiceMemo,
    TopicChildren,
    TopicImages,
    TopicNote,
    TopicChildCount
};

constexpr std::string_view TopicAttributeNames[TopicAttributeCount] = {
    "id",      "parent",        "original-level",   "guid",     "text",      "x",
    "y",       "layout",        "layout-direction", "icon",     "collapsed", "outline-collapsed",
    "hidden",  "checkbox-mode", "progress",         "checkbox", "checked",   "date",
    "palette", "colorinfo",     "diagramref",       "ishotlink"};

constexpr std::string_view TopicChildNames[TopicChildCount] = {
    "style",      "fillcolor", "strokecolor", "hull", "embedded-image", "parent-relation", "link",
    "voice-memo", "children",  "images",      "note"};

// The names of a table sorted by length: most names of a topic differ in length, so that one
// comparison of characters finds a name or tells it is none of them.
template <size_t N> class NameTable {
public:
    constexpr explicit NameTable(const std::string_view (&names)[N]) : _names(names)
    {
        for (size_t i = 0; i < N; ++i) {
            std::array<uint8_t, BucketSize>& bucket = _byLength[names[i].size()];
            size_t free = 0;
            while (bucket[free] != 0) ++free;
            bucket[free] = static_cast<uint8_t>(i + 1);
        }
    }

    // The index of the name in the table; N when it is none of them.
    size_t indexOf(std::string_view name) const
    {
        if (name.size() > MaxLength) return N;
        for (uint8_t entry : _byLength[name.size()]) {
            if (entry == 0) break;
            if (_names[entry - 1] == name) return entry - 1;
        }
        return N;
    }

private:
    static constexpr size_t MaxLength = 20;
    static constexpr size_t BucketSize = 4;
    const std::string_view (&_names)[N];
    std::array<std::array<uint8_t, BucketSize>, MaxLength + 1> _byLength{};
};

constexpr NameTable TopicAttributeTable(TopicAttributeNames);
constexpr NameTable TopicChildTable(TopicChildNames);

// The attributes and child elements of one "topic", found in one pass over each.
class TopicItems {
public:
    explicit TopicItems(pugi::xml_node topic);
    pugi::xml_attribute attribute(TopicAttribute index) const { return _attributes[index]; }
    pugi::xml_node child(TopicChild index) const { return _children[index]; }

private:
    pugi::xml_attribute _attributes[TopicAttributeCount];
    pugi::xml_node _children[TopicChildCount];
};

TopicItems::TopicItems(pugi::xml_node topic)
{
    // The first of equally named items counts, as a look-up by name would find it.
    for (pugi::xml_attribute attribute = topic.first_attribute(); attribute; attribute = attribute.next_attribute()) {
        const size_t index = TopicAttributeTable.indexOf(attribute.name());
        if (index < TopicAttributeCount && !_attributes[index]) _attributes[index] = attribute;
    }
    for (pugi::xml_node child = topic.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        const size_t index = TopicChildTable.indexOf(child.name());
        if (index < TopicChildCount && !_children[index]) _children[index] = child;
    }
}

} // namespace

TwkxMindMapReader::TwkxMindMapReader(MindMap& mindMap) : _mindMap(mindMap)
{
}

bool TwkxMindMapReader::readMindMap(MindMap& mindMap, const MindMapData& data, Error* error)
{
    TwkxMindMapReader reader(mindMap);
    return reader.readMindMapFromData(data.data(), data.size(), error);
}

bool TwkxMindMapReader::loadMindMap(MindMap& mindMap, const std::string& undoState, Error* error)
{
    TwkxMindMapReader reader(mindMap);
    reader._checksDepth = false;
    return reader.readMindMapFromData(undoState.data(), undoState.size(), error);
}

size_t TwkxMindMapReader::topicLevels(pugi::xml_node parent)
{
    std::vector<int64_t> ids;
    std::vector<int64_t> parentIds;
    pugi::xml_node topics = firstElementForName(parent, "topics");
    for (pugi::xml_node topic = topics.child("topic"); topic; topic = topic.next_sibling("topic")) {
        // The first of equally named attributes counts, as it does when the topic is read.
        ids.push_back(integerValue(topic.attribute("id"), -1));
        parentIds.push_back(integerValue(topic.attribute("parent"), -1));
    }
    return TopicDepthLimit::linkedLevels(ids, parentIds);
}

bool TwkxMindMapReader::parseDocument(pugi::xml_document& document, const void* data, size_t size, Error* error)
{
    if (!data || size == 0) return false;
    const pugi::xml_parse_result result = document.load_buffer(data, size, ParseOptions, pugi::encoding_auto);
    if (result) return true;
    return setError(error, DocumentDamage::parseError(result, data, size));
}

bool TwkxMindMapReader::readMindMapFromData(const void* data, size_t size, Error* error)
{
    if (!parseDocument(_document, data, size, error)) return false;
    pugi::xml_node root = _document.document_element();
    if (std::strcmp(root.name(), TwkxMindMapWriter::RootElementName) != 0) return false;
    pugi::xml_node mindMapElement = root.child("mindmap");
    if (!mindMapElement) return false;
    if (_checksDepth && !TopicDepthLimit::acceptsLevels(topicLevels(mindMapElement), error)) return false;

    readDocumentProperties(root);
    _mindMap.documentInformation().setLoadedVersion(_documentVersion);
    readMetaData(mindMapElement);
    readNodes(mindMapElement);
    _mindMap.nodesLoadedFromIndex(0);
    _mindMap.rethinkCentralThemes();
    readCrossLinks(mindMapElement);
    if (_mainCentralThemeId >= 0) {
        MindMapNode* theme = nodeOnId(_mainCentralThemeId);
        if (theme && !theme->parent()) _mindMap.setMainCentralTheme(theme);
    }
    restoreSelection();
    return true;
}

// ---- Document and meta ----

void TwkxMindMapReader::readDocumentProperties(pugi::xml_node root)
{
    _generator = GeneratorFromName(root.attribute("generator").value());
    _generatorVersion = stringAttribute(root, "gen-version");
    _documentVersion = attributeAsLong(root, "doc-version", -1);
    _documentScaleFactor = _generator == ScaledGenerator ? 4.0 / 3.0 : 1.0;
}

void TwkxMindMapReader::readMetaData(pugi::xml_node mindMapElement)
{
    pugi::xml_node meta = firstElementForName(mindMapElement, "meta");
    if (!meta) return;
    DocumentInformation& information = _mindMap.documentInformation();

    pugi::xml_node title = firstElementForName(meta, "title");
    if (title && attributeAsBool(title, "customized", false))
        _mindMap.setCustomTitle(UnescapeXmlText(stringAttribute(title, "text")));

    if (pugi::xml_node guid = firstElementForName(meta, "guid")) {
        const std::string value = stringAttribute(guid, "guid");
        information.setLoadedGuid(isUsableDocumentGuid(value) ? value : createGUIDString());
    }

    if (pugi::xml_node newMap = firstElementForName(meta, "new-map")) {
        information.setIsNewMap(attributeAsBool(newMap, "add-theme", false));
        const std::string themeText = stringAttribute(newMap, "theme-text");
        if (!themeText.empty()) information.setDefaultTheme(themeText);
    } else {
        information.setIsNewMap(false);
    }

    if (pugi::xml_node style = firstElementForName(meta, "style")) {
        // A custom sheet carried by the document registers or refreshes that sheet; without one,
        // or when registration gives none, the sheet of the key serves.
        std::shared_ptr<StyleSheet> sheet = readInlineStyleSheet(mindMapElement);
        if (!sheet) sheet = StyleManager::styleManager().getStyleOnKey(stringAttribute(style, "key"), true);
        _mindMap.setStyleSheet(sheet);
        if (MindMapStyle* mapStyle = _mindMap.style()) {
            ElementStyle::UpdateGuard batch(*mapStyle);
            mapStyle->reset();
            readMindMapStyle(*mapStyle, style);
        }
    }

    pugi::xml_node autoNumbering = firstElementForName(meta, "auto-numbering");
    _mindMap.setAutoNumberStyle(autoNumberingStyleFromName(stringAttribute(autoNumbering, "style")));

    auto scrollState = MindMapEditorScrollState::scrollState();
    scrollState->setCenterSelection(true);
    pugi::xml_node scrollElement = firstElementForName(meta, "scrollstate");
    if (scrollElement && (_generator == 1 || _generator == 2)) {
        const int64_t zoom = attributeAsLong(scrollElement, "zoom", scrollState->zoomPercentage());
        scrollState->setZoomPercentage(std::clamp(zoom, MinZoomPercentage, MaxZoomPercentage));
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double x = attributeAsFloat(scrollElement, "x", nan);
        const double y = attributeAsFloat(scrollElement, "y", nan);
        if (!std::isnan(x) && !std::isnan(y)) {
            scrollState->setOffset(Point{clampCoordinate(x), clampCoordinate(y)});
            scrollState->setOffsetValid(true);
        }
    }
    _mindMap.setEditorScrollState(*scrollState);

    readSelectionState(meta);

    _mainCentralThemeId = attributeAsLong(firstElementForName(meta, "main-centraltheme"), "id", -1);
}

void TwkxMindMapReader::readSelectionState(pugi::xml_node meta)
{
    _selectionState = ::readSelectionState(firstElementForName(meta, "selection"));
}

void TwkxMindMapReader::restoreSelection()
{
    TwkxSelectionParcelReader parcelReader(_selectionState, _mindMap);
    if (MindMapElement* element = parcelReader.restoreSelection()) _mindMap.setSelectedElement(element);
}

// ---- Topics ----

void TwkxMindMapReader::readNodes(pugi::xml_node parent)
{
    _mindMap.resetIdsForExistingNodes();
    _idTableMade = false;
    const size_t firstNew = _mindMap.nodes().size();
    pugi::xml_node topics = firstElementForName(parent, "topics");
    if (!topics) return;
    // The parents the topics name, in the order the topics were made: needed only until each is
    // linked, so the topics themselves keep no room for them.
    std::vector<int64_t> parentIds;
    for (pugi::xml_node topic = topics.child("topic"); topic; topic = topic.next_sibling("topic"))
        parentIds.push_back(readNode(topic));
    const std::vector<MindMapNode*>& nodes = _mindMap.nodes();
    if (nodes.size() == firstNew) return;

    // Of topics sharing an id, the first keeps it.
    const size_t added = nodes.size() - firstNew;
    _nodesByDenseId.assign(added, nullptr);
    _nodesBySparseId.clear();
    _idTableMade = true;
    for (size_t i = firstNew; i < nodes.size(); ++i) {
        const int64_t id = nodes[i]->id();
        if (id < 0) continue;
        if (static_cast<uint64_t>(id) < added) {
            if (!_nodesByDenseId[static_cast<size_t>(id)]) _nodesByDenseId[static_cast<size_t>(id)] = nodes[i];
        } else {
            _nodesBySparseId.emplace(id, nodes[i]);
        }
    }
    for (size_t i = firstNew; i < nodes.size(); ++i) {
        MindMapNode* node = nodes[i];
        // The node refuses itself and its own descendants as parent: a topic naming one of them
        // stays a central theme, so that no walk up the tree can run in a circle.
        if (MindMapNode* parent = nodeOnId(parentIds[i - firstNew])) node->linkToParent(parent);
        if (_isPasting) node->collectReferencedImages(_referencedImages);
    }
}

MindMapNode* TwkxMindMapReader::nodeOnId(int64_t id)
{
    if (!_idTableMade) return _mindMap.findNodeOnId(id);
    if (id < 0) return nullptr;
    if (static_cast<uint64_t>(id) < _nodesByDenseId.size()) return _nodesByDenseId[static_cast<size_t>(id)];
    auto found = _nodesBySparseId.find(id);
    return found != _nodesBySparseId.end() ? found->second : nullptr;
}

int64_t TwkxMindMapReader::readNode(pugi::xml_node topic)
{
    // A topic carries up to two dozen attributes and a dozen kinds of children: one pass over
    // each finds them all, where a look-up per item would scan them again every time.
    const TopicItems items(topic);
    MindMapNode* node = _mindMap.addNodeLoadingAtLocation(Point{0, 0});
    node->setId(integerValue(items.attribute(TopicId), -1));
    const int64_t parentId = integerValue(items.attribute(TopicParent), -1);
    if (_isPasting) node->setOriginalLevel(integerValue(items.attribute(TopicOriginalLevel), -1));
    else node->setGuid(items.attribute(TopicGuid).value());

    if (pugi::xml_attribute text = items.attribute(TopicText)) {
        // Most texts hold no escapes: those go in straight from the parsed document.
        const std::string_view raw = text.value();
        if (raw.find('\\') == std::string_view::npos) node->setText(raw);
        else node->setText(UnescapeXmlText(raw));
    }
    node->setLocation(scaledPoint(topicCoordinate(items.attribute(TopicX)), topicCoordinate(items.attribute(TopicY))));

    const int32_t layoutMode = LayoutModeFromName(items.attribute(TopicLayout).value());
    node->setLayoutMode(layoutMode);
    if (layoutMode != 0) {
        node->setLayoutDirection(LayoutDirectionFromName(items.attribute(TopicLayoutDirection).value(),
                                                         DefaultLayoutDirectionForMode(layoutMode)));
    }

    const std::string iconName = items.attribute(TopicIcon).value();
    if (isUsableImageHash(iconName)) node->setIconName(iconName);

    if (pugi::xml_node embedded = items.child(TopicEmbeddedImage)) {
        const std::string name = stringAttribute(embedded, "name");
        if (isUsableImageHash(name)) node->setEmbeddedImageName(name);
        if (EmbeddedImage* image = node->embeddedImage())
            image->setScale(attributeAsFloat(embedded, "scale", image->scale()));
    }

    node->setCollapsed(boolValue(items.attribute(TopicCollapsed), false));
    node->setOutlineCollapsed(boolValue(items.attribute(TopicOutlineCollapsed), false));
    node->setIsHidden(boolValue(items.attribute(TopicHidden), false));

    node->setCheckboxMode(CheckboxModeFromName(items.attribute(TopicCheckboxMode).value()));
    if (node->showCheckbox()) {
        const int64_t progress = integerValue(items.attribute(TopicProgress), -1);
        if (progress >= 0) node->setProgress(progress);
    } else if (boolValue(items.attribute(TopicCheckbox), false)) {
        node->setShowCheckbox(true);
        if (boolValue(items.attribute(TopicChecked), false)) node->setCheckedState(1);
    }

    if (pugi::xml_attribute date = items.attribute(TopicDate)) {
        if (auto parsed = NodeDateFormatter::dateFromString(date.value())) node->setDate(parsed);
    }

    if (pugi::xml_node link = items.child(TopicLink)) {
        readLink(link, *node);
    } else if (pugi::xml_attribute reference = items.attribute(TopicDiagramRef)) {
        // The older form: a local-map link on the topic itself.
        node->linkToLocalMap(reference.value(), std::string(), boolValue(items.attribute(TopicIsHotLink), false));
    }

    if (pugi::xml_node hull = items.child(TopicHull)) {
        if (attributeAsBool(hull, "visible", false)) {
            NodeHullStyle* hullStyle = node->assureHullStyle();
            if (auto color = getNamedColor(hull, "fillcolor")) {
                hullStyle->setFillColor(color);
                hullStyle->setCustomColor(true);
            }
        }
    }

    if (pugi::xml_node memo = items.child(TopicVoiceMemo)) node->setVoiceMemo(stringAttribute(memo, "link"));

    int64_t paletteInfo = integerValue(items.attribute(TopicPalette), 0);
    if (paletteInfo == 0) paletteInfo = integerValue(items.attribute(TopicColorInfo), 0);
    // Most topics carry no style of their own: theirs is made only for one the document gives.
    const bool styled = node->hasOwnStyle() || items.child(TopicStyle) || paletteInfo == -1;
    if (NodeStyle* style = styled ? node->style() : nullptr) {
        ElementStyle::UpdateGuard batch(*style);
        const bool hasStyle = items.child(TopicStyle) && readNodeStyle(*style, topic, "style");
        if (!hasStyle) style->setCustomizedProps(0);
        // The older form of custom colours: on the topic itself, flagged by colour info -1.
        if (!hasStyle && paletteInfo == -1) {
            node->setCustomFillColor(getRGBColor(items.child(TopicFillColor)),
                                     getRGBColor(items.child(TopicStrokeColor)), std::nullopt);
        }
    }
    node->setPaletteInfo(std::max<int64_t>(paletteInfo, 0));

    readParentRelation(items.child(TopicParentRelation), *node);

    if (pugi::xml_node children = items.child(TopicChildren)) {
        readContainedElements(children, *node);
    } else if (pugi::xml_node images = items.child(TopicImages)) {
        for (pugi::xml_node image = images.child("image"); image; image = image.next_sibling("image"))
            readImage(image, *node);
    }

    if (auto note = getFirstTextValue(items.child(TopicNote))) node->setNote(*note);
    return parentId;
}

void TwkxMindMapReader::readParentRelation(pugi::xml_node element, MindMapNode& node)
{
    ParentRelation* relation = node.parentRelation();
    if (!element || !relation) return;
    if (!_isPasting) relation->setGuid(stringAttribute(element, "guid"));
    // Most lines carry no style of their own: theirs is made only for one the document gives.
    if (relation->hasOwnStyle() || firstElementForName(element, "style"))
        readRelationStyle(*relation->ownStyle(), element, "style");
    readCustomPath(element, *relation);
    if (pugi::xml_node children = firstElementForName(element, "children")) readContainedElements(children, *relation);
}

void TwkxMindMapReader::readLink(pugi::xml_node link, MindMapNode& node)
{
    if (!link) return;
    auto thumbnail = [&link] {
        const std::string hash = stringAttribute(link, "thumbnail");
        return isUsableImageHash(hash) ? hash : std::string();
    };
    if (pugi::xml_attribute reference = link.attribute("diagramref")) {
        node.linkToLocalMap(reference.value(), stringAttribute(link, "element"),
                            attributeAsBool(link, "ishotlink", false));
    } else if (pugi::xml_attribute url = link.attribute("urllink")) {
        node.linkToURL(url.value());
    } else if (pugi::xml_attribute cloudMap = link.attribute("cloudmapref")) {
        node.linkToCloudMap(cloudMap.value(), stringAttribute(link, "native"), stringAttribute(link, "element"));
    } else if (pugi::xml_attribute cloudDocument = link.attribute("clouddocref")) {
        node.linkToCloudDocument(cloudDocument.value(), stringAttribute(link, "native"));
    } else if (pugi::xml_attribute phone = link.attribute("phone-contact")) {
        node.linkToPhoneContact(phone.value(), thumbnail());
    } else if (pugi::xml_attribute email = link.attribute("email-contact")) {
        node.linkToEmailContact(email.value(), thumbnail());
    }
}

void TwkxMindMapReader::readCustomPath(pugi::xml_node element, MindMapRelation& relation)
{
    pugi::xml_node point = firstElementForName(firstElementForName(element, "path"), "custom-point");
    if (!point) return;
    relation.setHasCustomPath(true);
    relation.relationPath().setCustomOffset(
        Point{clampCoordinate(attributeAsFloat(point, "x", 0)), clampCoordinate(attributeAsFloat(point, "y", 0))});
}

// ---- Contained elements ----

void TwkxMindMapReader::readContainedElements(pugi::xml_node children, CompositeElement& container)
{
    for (pugi::xml_node child = children.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        if (equalsIgnoringCase(child.name(), "image")) readImage(child, container);
        else if (equalsIgnoringCase(child.name(), "text")) readText(child, container);
    }
}

MindMapImage* TwkxMindMapReader::readImage(pugi::xml_node element, CompositeElement& container)
{
    const std::string name = stringAttribute(element, "name");
    if (!isUsableImageHash(name)) return nullptr;
    std::string thumbnail = stringAttribute(element, "thumbnail");
    if (!isUsableImageHash(thumbnail)) thumbnail.clear();
    MindMapImage* image = container.addCustomImage(name, thumbnail);
    if (!_isPasting) image->setGuid(stringAttribute(element, "guid"));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double x = attributeAsFloat(element, "x", nan);
    const double y = attributeAsFloat(element, "y", nan);
    if (!std::isnan(x) && !std::isnan(y)) image->setRelLocation(scaledPoint(x, y));
    else image->setRelLocation(Point{std::isnan(x) ? 0 : clampCoordinate(x), std::isnan(y) ? -50 : clampCoordinate(y)});
    image->setScale(attributeAsFloat(element, "scale", 1.0));
    image->setAngle(attributeAsFloat(element, "angle", 0));
    if (pugi::xml_node link = firstElementForName(element, "link"))
        image->setImageLink(stringAttribute(link, "urllink"));
    if (_isPasting) image->collectReferencedImages(_referencedImages);
    return image;
}

MindMapText* TwkxMindMapReader::readText(pugi::xml_node element, CompositeElement& container)
{
    MindMapText* text = container.addText();
    if (!_isPasting) text->setGuid(stringAttribute(element, "guid"));
    text->setRelLocation(scaledPoint(attributeAsFloat(element, "x", 0), attributeAsFloat(element, "y", 0)));
    if (auto note = getFirstTextValue(firstElementForName(element, "note")); note && !note->empty())
        text->setText(*note);
    if (text->style()) readTextStyle(*text->style(), element, "style");
    return text;
}

// ---- Relations ----

void TwkxMindMapReader::readCrossLinks(pugi::xml_node parent)
{
    pugi::xml_node relations = firstElementForName(parent, "relations");
    for (pugi::xml_node element = relations.child("relation"); element; element = element.next_sibling("relation")) {
        const int64_t sourceId = attributeAsLong(element, "source", -1);
        const int64_t targetId = attributeAsLong(element, "target", -1);
        // Negative ids never name a topic of this document: the map's older nodes carry one.
        if (sourceId < 0 || targetId < 0) continue;
        MindMapNode* source = nodeOnId(sourceId);
        MindMapNode* target = nodeOnId(targetId);
        if (!source || !target) continue;
        // A link of a topic to itself, between parent and child or doubling another is refused.
        CrossLink* link = _mindMap.addCrossLinkFromSource(source, target);
        if (!link) continue;
        if (!_isPasting) link->setGuid(stringAttribute(element, "guid"));
        readRelationStyle(*link->ownStyle(), element, "style");
        readCustomPath(element, *link);
        if (pugi::xml_node children = firstElementForName(element, "children")) readContainedElements(children, *link);
    }
}

// ---- Helpers ----

Point TwkxMindMapReader::topicLocationAsWritten(Point location)
{
    const auto asRead = [](double value) {
        char written[FloatAttributeTextCapacity];
        const char* end = formatFloatAttributeChars(value, written);
        const double read = parseDouble(std::string_view(written, static_cast<size_t>(end - written)), 0);
        return clampCoordinate(std::abs(read) <= MaxTopicCoordinate ? read : 0);
    };
    return Point{asRead(location.x), asRead(location.y)};
}

Point TwkxMindMapReader::scaledPoint(double x, double y) const
{
    return Point{clampCoordinate(x * _documentScaleFactor), clampCoordinate(y * _documentScaleFactor)};
}

bool TwkxMindMapReader::isUsableImageHash(const std::string& hash)
{
    if (hash.empty() || hash == "." || hash == "..") return false;
    for (char c : hash) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
    }
    return true;
}

void registerNativeFormat()
{
    static NativeStyleFileFormat styleFiles;
    StyleFileFormat::install(&styleFiles);
    MindMap::setUndoStateFormat(&TwkxMindMapWriter::captureUndoState,
                                [](MindMap& mindMap, const std::string& undoState) {
                                    return TwkxMindMapReader::loadMindMap(mindMap, undoState);
                                });
    MindMapFormats::registerReader(MindMapReadFormat::Native,
                                   [](MindMap& mindMap, const MindMapData& data, Error* error) {
                                       return TwkxMindMapReader::readMindMap(mindMap, data, error);
                                   });
    MindMapFormats::registerWriter(MindMapExportFormat::Native,
                                   [](MindMap& mindMap, const MindMapExportOptions&, Error* error) {
                                       return TwkxMindMapWriter::writeMindMap(mindMap, error);
                                   });
    MindMapFormats::registerClipboard(
        [](MindMap& mindMap) { MindMapClipboard::copySelectionToClipboard(mindMap); },
        [](MindMap& mindMap, bool asCentralTheme, const Pasteboard& contents, Error* error) {
            return MindMapClipboard::pasteFromClipboard(mindMap, asCentralTheme, contents, error);
        });
    MindMapFormats::registerDetection(
        [](const MindMapData& data) { return MindMapFormatDetector().detectMindMapFormat(data); });
}
