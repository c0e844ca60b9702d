#pragma once

#include "MindMaps/MindMapFormats.h"
#include "formats/MindMapFilerBase.h"

#include <pugixml.hpp>

#include <string>

// Writes a map as an HTML page holding one numbered list: each topic an item with its text, its
// URL link (other kinds of link mean nothing outside the application) and its note as a
// paragraph whose lines are kept apart by line breaks, and its child topics in a nested list.
class HtmlOutlineExporter : public MindMapFilerBase {
public:
    explicit HtmlOutlineExporter(MindMap& mindMap);

    // The page as UTF-8, without a byte-order mark; an empty map gives an empty list.
    MindMapData getMindMapAsData(bool selectionOnly);

private:
    // Appends the topic's item, and below it its whole subtree, to the list; without recursion.
    void insertNode(MindMapNode* node, pugi::xml_node list);

    std::string _linkLabel;
};
