#pragma once

#include "formats/CustomMindMapExporter.h"

// OPML 1.0: "opml" with a "head" holding the map's title and a "body" of nested "outline"
// elements, each with the topic's raw text in "text" and its note, line breaks kept, in "_note".
class OpmlMindMapExporter : public CustomMindMapExporter {
public:
    using CustomMindMapExporter::CustomMindMapExporter;

protected:
    pugi::xml_node createRootElement(pugi::xml_document& document) override;
    pugi::xml_node initializeRootElement(pugi::xml_node root) override;
    pugi::xml_node createNodeElement(MindMapNode* node, pugi::xml_node inElement) override;
};
