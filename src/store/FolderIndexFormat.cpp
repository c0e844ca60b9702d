#include "store/FolderIndexFormat.h"

#include "formats/XmlAttributeHelpers.h"

#include <cstring>
#include <string>

namespace FolderIndexFormat {

namespace {

// The deepest of the last elements below the node: the element a parser that stopped early was
// making.
pugi::xml_node lastElementBelow(pugi::xml_node node)
{
    pugi::xml_node last;
    for (;;) {
        pugi::xml_node child = node.last_child();
        while (child && child.type() != pugi::node_element) child = child.previous_sibling();
        if (!child) return last;
        last = node = child;
    }
}

} // namespace

std::string tooLargeDamage()
{
    return "The file is larger than " + std::to_string(MaxFileSize) + " bytes";
}

pugi::xml_node parseRootFolder(const std::vector<uint8_t>& data, pugi::xml_document& document)
{
    std::string damage;
    const pugi::xml_node folder = parseReadablePart(data, document, damage);
    return damage.empty() ? folder : pugi::xml_node();
}

pugi::xml_node parseReadablePart(const std::vector<uint8_t>& data, pugi::xml_document& document, std::string& damage)
{
    damage.clear();
    if (data.empty()) {
        damage = "The file is empty";
        return {};
    }
    if (data.size() > MaxFileSize) {
        damage = tooLargeDamage();
        return {};
    }
    const pugi::xml_parse_result parsed =
        document.load_buffer(data.data(), data.size(), pugi::parse_default, pugi::encoding_auto);
    if (!parsed) {
        damage = std::string(parsed.description()) + " at offset " + std::to_string(parsed.offset);
        // Only a parser stopped inside a start tag leaves an element whose attributes may be cut;
        // the root and its folder stand for the store's own root, whose name and id are not read.
        const bool inTag =
            parsed.status == pugi::status_bad_start_element || parsed.status == pugi::status_bad_attribute;
        const pugi::xml_node broken = inTag ? lastElementBelow(document) : pugi::xml_node();
        if (broken && broken.parent() != document && broken.parent().parent() != document)
            broken.parent().remove_child(broken);
    }
    const pugi::xml_node root = document.document_element();
    if (std::strcmp(root.name(), RootElement) != 0) {
        if (damage.empty()) damage = std::string("The root element is \u201C") + root.name() + "\u201D";
        return {};
    }
    const pugi::xml_node folder = root.child(FolderElement);
    if (!folder && damage.empty()) damage = "No folder is in it";
    return folder;
}

void walkFolders(pugi::xml_node rootElement, MindMapStoreFolder* root, const FolderResolver& resolveFolder,
                 const DiagramVisitor& visitDiagram)
{
    struct Level {
        pugi::xml_node element;
        MindMapStoreFolder* folder;
    };
    std::vector<Level> stack{{rootElement.first_child(), root}};
    while (!stack.empty()) {
        const pugi::xml_node element = stack.back().element;
        if (!element) {
            stack.pop_back();
            continue;
        }
        stack.back().element = element.next_sibling();
        MindMapStoreFolder* folder = stack.back().folder;
        if (element.type() != pugi::node_element) continue;
        const std::string id = element.attribute(IdAttribute).as_string();
        if (std::strcmp(element.name(), FolderElement) == 0) {
            MindMapStoreFolder* sub = nullptr;
            if (stack.size() < MaxFolderDepth) {
                sub = resolveFolder(folder, id, UnescapeXmlText(element.attribute(NameAttribute).as_string()));
            }
            stack.push_back({element.first_child(), sub ? sub : folder});
        } else if (std::strcmp(element.name(), DiagramElement) == 0 && !id.empty()) {
            visitDiagram(folder, id, UnescapeXmlText(element.attribute(NameAttribute).as_string()));
        }
    }
}

} // namespace FolderIndexFormat
