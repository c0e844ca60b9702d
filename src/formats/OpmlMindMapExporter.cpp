#include "formats/OpmlMindMapExporter.h"

#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "formats/XmlAttributeHelpers.h"

pugi::xml_node OpmlMindMapExporter::createRootElement(pugi::xml_document& document)
{
    pugi::xml_node root = document.append_child("opml");
    root.append_attribute("version").set_value("1.0");
    setElementText(root.append_child("head").append_child("title"), mindMap().title());
    root.append_child("body");
    return root;
}

pugi::xml_node OpmlMindMapExporter::initializeRootElement(pugi::xml_node root)
{
    pugi::xml_node body = root.child("body");
    return body ? body : root;
}

pugi::xml_node OpmlMindMapExporter::createNodeElement(MindMapNode* node, pugi::xml_node inElement)
{
    pugi::xml_node outline = inElement.append_child("outline");
    // Written even when empty: a missing "text" reads back as "unnamed".
    outline.append_attribute("text").set_value(xmlSafeText(node->text()).c_str());
    if (node->hasNote()) outline.append_attribute("_note").set_value(xmlSafeText(node->note()).c_str());
    return outline;
}
