#pragma once

#include "formats/CustomMindMapExporter.h"

// The FreeMind map format, version "0.9.0", written without an XML declaration as FreeMind
// writes its own files: "map" holding nested "node" elements with the topic's raw text in "TEXT"
// (in a "richcontent" of type "NODE" when it begins like an HTML page, which "TEXT" would hold as
// one). A note becomes a "richcontent" of type "NOTE" holding an HTML page with one paragraph per note
// line: line breaks inside a paragraph are mere white space to an HTML reader (and to the
// importer), so a note written as one paragraph would come back as one line. The format has one
// root node, and readers fail on files with more: several central themes become the children of
// one node named after the map, its text written as a topic's is.
class FreemindMindMapExporter : public CustomMindMapExporter {
public:
    using CustomMindMapExporter::CustomMindMapExporter;

protected:
    pugi::xml_node createRootElement(pugi::xml_document& document) override;
    pugi::xml_node initializeRootElement(pugi::xml_node root) override;
    pugi::xml_node createNodeElement(MindMapNode* node, pugi::xml_node inElement) override;
    bool emitXMLHeader() const override;
};
