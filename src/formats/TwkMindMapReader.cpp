#include "formats/TwkMindMapReader.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/StyleManager.h"
#include "MindMaps/StyleSheet.h"
#include "MindMaps/TopicDepthLimit.h"
#include "Utils/AppErrors.h"
#include "Utils/PropertyListUtils.h"
#include "formats/TwkxNames.h"
#include "platform/Localizer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// The oldest generator wrote positions in a unit three quarters of today's.
constexpr int32_t OldestGenerator = 1;
constexpr double OldestGeneratorScale = 4.0 / 3.0;
// Beyond this no layout or painter works sensibly; hostile documents get clamped to it.
constexpr double MaxCoordinate = 1.0e9;

bool isNumber(const PropertyList& value)
{
    return value.type() == PropertyList::Type::Integer || value.type() == PropertyList::Type::Real;
}

// Ids are integers; a document id of the largest signed 64-bit value was written for "none".
std::optional<int64_t> documentId(const PropertyList& value)
{
    if (value.type() != PropertyList::Type::Integer) return std::nullopt;
    const int64_t id = value.integerValue(-1);
    if (id < 0 || id == std::numeric_limits<int64_t>::max()) return std::nullopt;
    return id;
}

// An entry without a text or a whole location makes no topic.
bool isUsableTopic(const PropertyList& entry)
{
    return entry["name"].type() == PropertyList::Type::String && isNumber(entry["location"]["X"]) &&
        isNumber(entry["location"]["Y"]);
}

double coordinate(const PropertyList& value, double scale)
{
    const double raw = value.realValue();
    if (std::isnan(raw)) return 0;
    // Stored in single precision: read it so, but clamp first so that the narrowing stays finite.
    const float single = static_cast<float>(std::clamp(raw, -MaxCoordinate, MaxCoordinate));
    return std::clamp(static_cast<double>(single) * scale, -MaxCoordinate, MaxCoordinate);
}

const PropertyList& emptyDictionary()
{
    static const PropertyList empty{PropertyList::Dictionary{}};
    return empty;
}

} // namespace

MindMapCompatibility::MindMapCompatibility(const PropertyList& dictionary)
{
    const PropertyList& generator = dictionary["generator"];
    if (generator.type() == PropertyList::Type::String) _generator = GeneratorFromName(generator.stringValue());
    const PropertyList& version = dictionary["gen-version"];
    if (version.type() == PropertyList::Type::String) _generatorVersion = version.stringValue();
    const PropertyList& stream = dictionary["stream-version"];
    if (isNumber(stream)) _streamVersion = stream.integerValue();
}

bool TwkMindMapReader::readMindMap(MindMap& mindMap, const MindMapData& data, Error* error)
{
    TwkMindMapReader reader(mindMap);
    return reader.readMindMapFromData(data, error);
}

bool TwkMindMapReader::readStoredMindMap(MindMap& mindMap, const MindMapData& data, const std::string& guid,
                                         Error* error)
{
    Error failure;
    const bool read = mindMap.importWithImporter(
        [&] { return TwkMindMapReader(mindMap, Texts::Stored).readMindMapFromData(data, &failure); }, guid);
    if (!read && !failure.isEmpty()) setError(error, std::move(failure));
    return read;
}

bool TwkMindMapReader::readMindMapFromData(const MindMapData& data, Error* error)
{
    Error failure;
    std::optional<PropertyList> plist = propertyListWithData(data, &failure);
    if (!plist || (!plist->isNone() && !plist->dictionaryValue())) {
        Error unreadable = MakeAppError(AppErrors::PropertyListMapUnreadable);
        // The property-list reader says what is wrong with the data; a list of another shape is
        // no map.
        unreadable.failureReason =
            !plist ? failure.failureReason : localized("map_import_property_list_not_a_map_reason");
        return setError(error, std::move(unreadable));
    }
    const PropertyList& dictionary = plist->isNone() ? emptyDictionary() : *plist;
    if (!TopicDepthLimit::acceptsLevels(topicLevels(dictionary["nodes"]), error)) return false;
    loadFromDictionary(dictionary);
    reportCutTexts();
    return true;
}

size_t TwkMindMapReader::topicLevels(const PropertyList& nodes)
{
    const PropertyList::Array* entries = nodes.arrayValue();
    if (!entries) return 0;
    std::vector<int64_t> ids;
    std::vector<int64_t> parentIds;
    for (const PropertyList& entry : *entries) {
        if (!isUsableTopic(entry)) continue;
        ids.push_back(documentId(entry["id"]).value_or(-1));
        parentIds.push_back(documentId(entry["parent"]).value_or(-1));
    }
    return TopicDepthLimit::linkedLevels(ids, parentIds);
}

void TwkMindMapReader::loadFromDictionary(const PropertyList& dictionary)
{
    const MindMapCompatibility compatibility(dictionary["meta"]);
    const PropertyList& key = dictionary["style"]["key"];
    if (key.type() == PropertyList::Type::String) {
        if (auto sheet = StyleManager::styleManager().getStyleOnKey(key.stringValue(), true))
            mindMap().setStyleSheet(sheet);
    }
    loadNodesFromDictionary(dictionary, compatibility);
    loadRelationsFromDictionary(dictionary, compatibility);
    loadDiagramMetaFromDictionary(dictionary["meta"]);
}

void TwkMindMapReader::loadNodesFromDictionary(const PropertyList& dictionary,
                                               const MindMapCompatibility& compatibility)
{
    loadNodesDataFromArray(dictionary["nodes"], compatibility);
}

void TwkMindMapReader::loadNodesDataFromArray(const PropertyList& nodes, const MindMapCompatibility& compatibility)
{
    MindMap& map = mindMap();
    const size_t firstNew = map.nodes().size();
    resetIdsForExistingNodes();
    const PropertyList::Array* entries = nodes.arrayValue();
    if (!entries) return;
    const double scale = compatibility.generator() == OldestGenerator ? OldestGeneratorScale : 1.0;

    // The parents the topics name, in the order the topics were made, until each is linked.
    std::vector<int64_t> parentIds;
    parentIds.reserve(entries->size());
    for (const PropertyList& entry : *entries) {
        if (!isUsableTopic(entry)) continue;
        const PropertyList& name = entry["name"];
        const PropertyList& x = entry["location"]["X"];
        const PropertyList& y = entry["location"]["Y"];

        MindMapNode* node = addNodeLoadingAtLocation(Point{coordinate(x, scale), coordinate(y, scale)});
        node->setId(documentId(entry["id"]).value_or(-1));
        parentIds.push_back(documentId(entry["parent"]).value_or(-1));
        if (_texts == Texts::Stored) node->setText(name.stringValue());
        else setTopicText(node, name.stringValue());

        const PropertyList& fillInfo = entry["fillInfo"];
        const int64_t paletteInfo = isNumber(fillInfo) ? fillInfo.integerValue() : 0;
        node->setPaletteInfo(paletteInfo);
        if (paletteInfo == -1) {
            node->setCustomFillColor(readColor(entry["fillColor"]), readColor(entry["strokeColor"]), std::nullopt);
        }
        if (paletteInfo < 0) node->setPaletteInfo(0);

        const PropertyList& collapsed = entry["collapsed"];
        if (isNumber(collapsed) && collapsed.integerValue() != 0) node->setCollapsed(true);
        const PropertyList& reference = entry["diagramref"];
        if (reference.type() == PropertyList::Type::String) {
            const PropertyList& hotLink = entry["ishotlink"];
            node->linkToLocalMap(reference.stringValue(), std::string(),
                                 hotLink.type() == PropertyList::Type::Boolean && hotLink.boolValue());
        }
        const PropertyList& icon = entry["icon"];
        node->setIconName(icon.type() == PropertyList::Type::String ? icon.stringValue() : std::string());
        const PropertyList& note = entry["note"];
        node->setNote(note.type() == PropertyList::Type::String ? note.stringValue() : std::string());
    }

    const std::vector<MindMapNode*>& all = map.nodes();
    for (size_t i = firstNew; i < all.size(); ++i) {
        MindMapNode* node = all[i];
        const int64_t parentId = parentIds[i - firstNew];
        if (parentId < 0) continue;
        // The node refuses itself and its own descendants: such a topic stays a central theme, so
        // that no walk up the tree can run in a circle.
        if (MindMapNode* parent = map.findNodeOnId(parentId)) node->linkToParent(parent);
    }
    map.rethinkCentralThemes();
    if (map.loadingState() != MindMapPasting) nodesLoadedFromIndex(firstNew);
}

void TwkMindMapReader::loadRelationsFromDictionary(const PropertyList& dictionary, const MindMapCompatibility&)
{
    const PropertyList::Array* relations = dictionary["relations"].arrayValue();
    if (!relations) return;
    for (const PropertyList& relation : *relations) {
        MindMapNode* source = nodeOnId(relation["source"]);
        MindMapNode* target = nodeOnId(relation["target"]);
        // The checked form: a document may join a topic to itself or to its parent.
        if (source && target) mindMap().addCrossLinkFromSource(source, target);
    }
}

void TwkMindMapReader::loadDiagramMetaFromDictionary(const PropertyList& meta)
{
    if (MindMapNode* main = nodeOnId(meta["main-centraltheme"])) mindMap().setMainCentralTheme(main);
    if (MindMapNode* selected = nodeOnId(meta["selected"])) mindMap().setSelectedElement(selected);
}

MindMapNode* TwkMindMapReader::nodeOnId(const PropertyList& id)
{
    std::optional<int64_t> value = documentId(id);
    return value ? mindMap().findNodeOnId(*value) : nullptr;
}

std::optional<Color> TwkMindMapReader::readColor(const PropertyList& dictionary)
{
    const PropertyList& r = dictionary["r"];
    const PropertyList& g = dictionary["g"];
    const PropertyList& b = dictionary["b"];
    if (!isNumber(r) || !isNumber(g) || !isNumber(b)) return std::nullopt;
    auto component = [](const PropertyList& value) {
        const double v = value.realValue();
        return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 255.0) / 255.0;
    };
    return Color(component(r), component(g), component(b), 1.0);
}

void registerPropertyListFormat()
{
    MindMapFormats::registerReader(MindMapReadFormat::PropertyList,
                                   [](MindMap& mindMap, const MindMapData& data, Error* error) {
                                       return TwkMindMapReader::readMindMap(mindMap, data, error);
                                   });
}
