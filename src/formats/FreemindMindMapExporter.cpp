#include "formats/FreemindMindMapExporter.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "formats/XmlAttributeHelpers.h"

#include <string_view>

pugi::xml_node FreemindMindMapExporter::createRootElement(pugi::xml_document& document)
{
    pugi::xml_node root = document.append_child("map");
    root.append_attribute("version").set_value("0.9.0");
    return root;
}

pugi::xml_node FreemindMindMapExporter::initializeRootElement(pugi::xml_node root)
{
    if (mindMap().centralThemes().size() <= 1) return root;
    pugi::xml_node mapNode = root.append_child("node");
    mapNode.append_attribute("TEXT").set_value(xmlSafeText(mindMap().singleLineTitle()).c_str());
    return mapNode;
}

pugi::xml_node FreemindMindMapExporter::createNodeElement(MindMapNode* node, pugi::xml_node inElement)
{
    pugi::xml_node element = inElement.append_child("node");
    element.append_attribute("TEXT").set_value(xmlSafeText(node->text()).c_str());
    if (node->hasNote()) {
        pugi::xml_node richContent = element.append_child("richcontent");
        richContent.append_attribute("TYPE").set_value("NOTE");
        pugi::xml_node html = richContent.append_child("html");
        html.append_child("head");
        pugi::xml_node body = html.append_child("body");
        const std::string_view note = node->note();
        size_t start = 0;
        while (true) {
            const size_t end = note.find('\n', start);
            const std::string_view line = note.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
            setElementText(body.append_child("p"), line);
            if (end == std::string_view::npos) break;
            start = end + 1;
        }
    }
    return element;
}

bool FreemindMindMapExporter::emitXMLHeader() const
{
    return false;
}
