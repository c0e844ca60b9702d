#include "formats/CustomMindMapImporter.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "MindMaps/TopicDepthLimit.h"
#include "formats/DocumentDamage.h"
#include "formats/TwkxMindMapReader.h"
#include "layout/StrictNodeLayouter.h"
#include "platform/Localizer.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr int32_t StrictHorizontalLayout = 1;

} // namespace

CustomMindMapImporter::CustomMindMapImporter(MindMap& mindMap) : MindMapFilerBase(mindMap)
{
}

bool CustomMindMapImporter::handleRootElement(pugi::xml_node)
{
    return false;
}

MindMapNode* CustomMindMapImporter::handleNodeElement(pugi::xml_node, MindMapNode*)
{
    return nullptr;
}

unsigned CustomMindMapImporter::xmlParseOptions() const
{
    return pugi::parse_default;
}

MindMapNode* CustomMindMapImporter::addTopic(MindMapNode* parentNode)
{
    MindMapNode* node = addNodeLoadingAtLocation(_center);
    if (parentNode) node->linkToParent(parentNode);
    return node;
}

size_t CustomMindMapImporter::nestedLevels(pugi::xml_node container, const char* name)
{
    size_t deepest = 0;
    std::vector<std::pair<pugi::xml_node, size_t>> pending{{container, 0}};
    while (!pending.empty()) {
        const auto [element, level] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, level);
        for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
            if (child.type() == pugi::node_element && std::strcmp(child.name(), name) == 0)
                pending.emplace_back(child, level + 1);
        }
    }
    return deepest;
}

bool CustomMindMapImporter::readNodeElements(pugi::xml_node container, MindMapNode* parentNode)
{
    if (!TopicDepthLimit::acceptsLevelsBelow(parentNode ? parentNode->nodeLevel() : -1,
                                             nestedLevels(container, nodeElementName()), &_refusal))
        return false;
    const char* name = nodeElementName();
    std::vector<std::pair<pugi::xml_node, MindMapNode*>> pending;
    // Children go on the list last first, so that they come off it in document order.
    auto addChildren = [&](pugi::xml_node element, MindMapNode* parent) {
        for (pugi::xml_node child = element.last_child(); child; child = child.previous_sibling()) {
            if (child.type() == pugi::node_element && std::strcmp(child.name(), name) == 0)
                pending.emplace_back(child, parent);
        }
    };
    addChildren(container, parentNode);
    while (!pending.empty()) {
        auto [element, parent] = pending.back();
        pending.pop_back();
        if (MindMapNode* node = handleNodeElement(element, parent)) addChildren(element, node);
    }
    return true;
}

bool CustomMindMapImporter::importMindMapFromData(const MindMapData& data, Error* error)
{
    MindMap& map = mindMap();
    if (data.empty() || !map.isEmpty()) return false;
    const pugi::xml_parse_result parsed =
        _document.load_buffer(data.data(), data.size(), xmlParseOptions(), pugi::encoding_auto);
    if (!parsed) return setError(error, DocumentDamage::parseError(parsed, data.data(), data.size()));
    if (!handleRootElement(_document.document_element())) {
        if (!_refusal.isEmpty()) return setError(error, std::move(_refusal));
        // Well-formed, but not this format: say what the document is instead.
        const char* root = _document.document_element().name();
        return setError(error,
                        MakeAppError(ForeignDocumentErrorCode, localized("map_import_error"),
                                     localizedFormat("map_import_foreign_root_reason", {root})));
    }
    // The document is no longer needed; a large one should not stay while the map is laid out.
    _document.reset();

    map.rethinkCentralThemes();
    nodesLoadedFromIndex(0);
    map.validateElementStates();
    // Wrapping measures line after line of each topic: the topics are wrapped side by side, on
    // several threads.
    MindMapNode::applyDefaultWraps(map.nodes());
    StrictNodeLayouter::layoutMindMapStrictHorizontal(map);
    for (MindMapNode* theme : map.centralThemes()) theme->setLayoutMode(StrictHorizontalLayout);
    map.validateElementStates();
    reportCutTexts();
    return true;
}
