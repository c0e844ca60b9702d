#include "formats/OpmlMindMapImporter.h"

#include "MindMaps/MindMapNode.h"

bool OpmlMindMapImporter::handleRootElement(pugi::xml_node root)
{
    if (!root) return false;
    pugi::xml_node body = root.child("body");
    if (!body) return false;
    return readNodeElements(body, nullptr);
}

MindMapNode* OpmlMindMapImporter::handleNodeElement(pugi::xml_node element, MindMapNode* parentNode)
{
    MindMapNode* node = addTopic(parentNode);
    pugi::xml_attribute text = element.attribute("text");
    if (!text) text = element.attribute("title");
    setTopicText(node, text ? text.value() : UnnamedText);
    node->setNote(element.attribute("_note").value());
    return node;
}
