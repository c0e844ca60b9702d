#include "store/FolderIndexFormat.h"

#include "formats/XmlAttributeHelpers.h"

#include <cstring>

namespace FolderIndexFormat {

pugi::xml_node parseRootFolder(const std::vector<uint8_t>& data, pugi::xml_document& document)
{
    if (data.empty() || data.size() > MaxFileSize) return {};
    const pugi::xml_parse_result parsed =
        document.load_buffer(data.data(), data.size(), pugi::parse_default, pugi::encoding_auto);
    if (!parsed) return {};
    const pugi::xml_node root = document.document_element();
    if (std::strcmp(root.name(), RootElement) != 0) return {};
    return root.child(FolderElement);
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
