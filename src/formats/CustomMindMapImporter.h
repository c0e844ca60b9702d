#pragma once

#include "MindMaps/MindMapFormats.h"
#include "formats/MindMapFilerBase.h"
#include "platform/Error.h"
#include "platform/Geometry.h"

#include <pugixml.hpp>

// The common road of the XML imports: parse, let the format read its topics from the document,
// then finish, word-wrap and lay out the map (strict horizontal layout for every central theme).
// Only the topic tree, texts and notes are read; every other element and attribute is skipped.
// The map's style sheet is not applied again: the caller's loading does that.
//
// Topics are read depth first with a work list, never by recursion, so that hostile nesting
// depth cannot exhaust the stack.
class CustomMindMapImporter : public MindMapFilerBase {
public:
    explicit CustomMindMapImporter(MindMap& mindMap);

    // The code of a well-formed document that is not of the format.
    static constexpr int64_t ForeignDocumentErrorCode = 42;

    // Fills an empty map. false for empty data or a map that already has topics; false with the
    // XML parser's error (what it found and at which offset) for data that is not well-formed XML;
    // false with an error that names the document's root element when the document is not of the
    // format; false with the limit for topics nested deeper than TopicDepthLimit allows, measured
    // before any topic is made. On failure the map keeps whatever was read; the caller's loading
    // clears it.
    bool importMindMapFromData(const MindMapData& data, Error* error = nullptr);

    // Where new topics are made (the layout places them afterwards).
    Point center() const { return _center; }

protected:
    // Reads the topics of the document's root element (a null element for a document without
    // one); false when the document is not of the format. false in the base.
    virtual bool handleRootElement(pugi::xml_node root);
    // Makes the topic of the element under the parent (nullptr for a central theme) and returns
    // it; its child topics are read afterwards by readNodeElements. nullptr skips the element
    // with its subtree; the base does that.
    virtual MindMapNode* handleNodeElement(pugi::xml_node element, MindMapNode* parentNode);
    // The name of the elements that are topics.
    virtual const char* nodeElementName() const = 0;
    // The XML parser's options: the predefined entities and character references are read, a
    // document type declaration is skipped unread; white-space-only texts are dropped.
    virtual unsigned xmlParseOptions() const;

    // A topic at the importer's point, linked to the parent.
    MindMapNode* addTopic(MindMapNode* parentNode);
    // The topic elements among the container's children and their descendants, in document order.
    // Nothing is read, and false answered, when they nest deeper than the limit allows below the
    // parent.
    bool readNodeElements(pugi::xml_node container, MindMapNode* parentNode);

public:
    // The levels the elements of that name nested in the container make, their own nesting
    // alone: the topics an import would make of them.
    static size_t nestedLevels(pugi::xml_node container, const char* elementName);

private:
    pugi::xml_document _document;
    Point _center;
    // Why readNodeElements read nothing.
    Error _refusal;
};
