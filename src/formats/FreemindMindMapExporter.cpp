#include "formats/FreemindMindMapExporter.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "formats/FreemindMindMapImporter.h"
#include "formats/XmlAttributeHelpers.h"

#include <string_view>

pugi::xml_node FreemindMindMapExporter::createRootElement(pugi::xml_document& document)
{
    pugi::xml_node root = document.append_child("map");
    root.append_attribute("version").set_value("0.9.0");
    return root;
}

namespace {

// Rich content as the format holds it: an HTML page with one paragraph per line of the text.
void appendRichContent(pugi::xml_node element, const char* type, std::string_view text)
{
    pugi::xml_node richContent = element.append_child("richcontent");
    richContent.append_attribute("TYPE").set_value(type);
    pugi::xml_node html = richContent.append_child("html");
    html.append_child("head");
    pugi::xml_node body = html.append_child("body");
    size_t start = 0;
    while (true) {
        const size_t end = text.find('\n', start);
        const std::string_view line =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        setElementText(body.append_child("p"), line);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
}

// A text that begins like an HTML page would be read back as one; as rich content it stays the
// text it is.
void appendNodeText(pugi::xml_node element, std::string_view text)
{
    const std::string safe = xmlSafeText(text);
    if (FreemindMindMapImporter::isHtmlDocument(safe)) appendRichContent(element, "NODE", safe);
    else element.append_attribute("TEXT").set_value(safe.c_str());
}

} // namespace

pugi::xml_node FreemindMindMapExporter::initializeRootElement(pugi::xml_node root)
{
    if (mindMap().centralThemes().size() <= 1) return root;
    pugi::xml_node mapNode = root.append_child("node");
    appendNodeText(mapNode, mindMap().singleLineTitle());
    return mapNode;
}

pugi::xml_node FreemindMindMapExporter::createNodeElement(MindMapNode* node, pugi::xml_node inElement)
{
    pugi::xml_node element = inElement.append_child("node");
    appendNodeText(element, node->text());
    if (node->hasNote()) appendRichContent(element, "NOTE", node->note());
    return element;
}

bool FreemindMindMapExporter::emitXMLHeader() const
{
    return false;
}
