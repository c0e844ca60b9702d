#include "formats/CustomMindMapExporter.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"

#include <sstream>
#include <utility>
#include <vector>

CustomMindMapExporter::CustomMindMapExporter(MindMap& mindMap) : MindMapFilerBase(mindMap)
{
}

pugi::xml_node CustomMindMapExporter::createRootElement(pugi::xml_document&)
{
    return pugi::xml_node();
}

pugi::xml_node CustomMindMapExporter::initializeRootElement(pugi::xml_node root)
{
    return root;
}

pugi::xml_node CustomMindMapExporter::createNodeElement(MindMapNode*, pugi::xml_node)
{
    return pugi::xml_node();
}

bool CustomMindMapExporter::emitXMLHeader() const
{
    return true;
}

void CustomMindMapExporter::insertMindMapNode(MindMapNode* node, pugi::xml_node inElement)
{
    std::vector<std::pair<MindMapNode*, pugi::xml_node>> pending{{node, inElement}};
    while (!pending.empty()) {
        auto [current, container] = pending.back();
        pending.pop_back();
        pugi::xml_node element = createNodeElement(current, container);
        if (!element) continue;
        const auto& children = current->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.emplace_back(*it, element);
    }
}

MindMapData CustomMindMapExporter::getMindMapAsData()
{
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version").set_value("1.0");
    declaration.append_attribute("encoding").set_value("UTF-8");
    pugi::xml_node root = createRootElement(document);
    if (!root) return {};
    pugi::xml_node container = initializeRootElement(root);
    for (MindMapNode* theme : mindMap().centralThemes()) insertMindMapNode(theme, container);

    const char* indentation = xmlIndentation(mindMap().centralThemes());
    std::ostringstream out;
    if (emitXMLHeader()) document.save(out, indentation, pugi::format_indent, pugi::encoding_utf8);
    else root.print(out, indentation, pugi::format_indent, pugi::encoding_utf8);
    const std::string text = std::move(out).str();
    return MindMapData(text.begin(), text.end());
}
