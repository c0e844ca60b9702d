#pragma once

#include "MindMaps/MindMapFormats.h"
#include "formats/MindMapFilerBase.h"

#include <pugixml.hpp>

// The common road of the XML exports: a document around a root element, a container in it, and
// one element per topic nested like the topics, for the whole map (folded branches included).
// A format says how its root, container and topic elements look and whether the document starts
// with an XML declaration.
class CustomMindMapExporter : public MindMapFilerBase {
public:
    explicit CustomMindMapExporter(MindMap& mindMap);

    // The document as UTF-8, pretty-printed, without a byte-order mark (MindMapConverter puts one
    // in front); empty when the format makes no root element.
    MindMapData getMindMapAsData();

protected:
    // The document's root element, appended to the document; none in the base.
    virtual pugi::xml_node createRootElement(pugi::xml_document& document);
    // The element that holds the central themes' elements; the root itself in the base.
    virtual pugi::xml_node initializeRootElement(pugi::xml_node root);
    // The topic's element, appended to the given element; none in the base, which leaves the
    // topic and its subtree out.
    virtual pugi::xml_node createNodeElement(MindMapNode* node, pugi::xml_node inElement);
    // true in the base: the whole document with its declaration is written, otherwise only the
    // root element.
    virtual bool emitXMLHeader() const;

    // The topic's element and, nested inside it, those of its subtree, depth first without
    // recursion (topics may nest deeper than the stack allows).
    void insertMindMapNode(MindMapNode* node, pugi::xml_node inElement);
};
