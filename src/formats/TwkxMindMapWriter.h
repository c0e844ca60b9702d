#pragma once

#include "MindMaps/MindMapFormats.h"
#include "platform/Error.h"

#include <pugixml.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CompositeElement;
class MindMap;
class MindMapImage;
class MindMapNode;
class MindMapText;
class XmlTextWriter;

// Writes a map as the native document: UTF-8 XML with a byte-order mark, pretty-printed, with the
// root "tarnwick-mindmaps" ("doc-version" 3, "generator" "TarnwickOSXN") holding "mindmap" with
// "meta", "topics", "relations" and, for a custom style sheet, "stylesheet".
//
// Every node reference in the document is the node's index in the writer's node list: the map's
// nodes in hierarchical order (depth first from each central theme), or the list the clipboard
// gives. A node not in the list has index -1.
//
// Whole documents are written as text directly; the steps below build the same elements into a
// pugixml tree for the documents others assemble (clipboard, template). Both come from one set of
// element writers, so that they cannot drift apart; only the style elements, which the style files
// share as tree writers, are written as text by a second set, and the document tests compare the
// two outputs for every style property.
//
// One writer is made for one operation on one map. Main thread only.
class TwkxMindMapWriter {
public:
    static constexpr const char* RootElementName = "tarnwick-mindmaps";
    static constexpr int64_t DocumentVersion = 3;
    // The generator code written into every document ("TarnwickOSXN").
    static constexpr int32_t Generator = 2;

    explicit TwkxMindMapWriter(MindMap& mindMap);
    TwkxMindMapWriter(const TwkxMindMapWriter&) = delete;
    TwkxMindMapWriter& operator=(const TwkxMindMapWriter&) = delete;

    // The whole document of the map. The error is never set; empty data means the XML library
    // failed.
    static MindMapData writeMindMap(MindMap& mindMap, Error* error = nullptr);
    // The same bytes handed to the drain piece by piece as they are written, never held whole.
    static void writeMindMapInPieces(MindMap& mindMap, const std::function<void(std::string_view)>& drain);
    // The same document as a string, for the snapshot undo.
    static std::string captureUndoState(MindMap& mindMap);
    // A new document whose root carries "doc-version", "generator" and "gen-version", behind an
    // XML declaration (UTF-8) and a document type named after the root; answers the root.
    static pugi::xml_node createTwkxDocument(pugi::xml_document& document);
    // The document as text: pretty-printed (one element per line, indented) or on one line. No
    // byte-order mark.
    static std::string serialize(const pugi::xml_document& document, bool pretty);

    MindMap& mindMap() const { return _mindMap; }

    // The whole document, as the class operation writes it.
    MindMapData writeMindMap(Error* error = nullptr);
    // The same bytes as a string.
    std::string writeDocumentText();

    // ---- Steps, for the clipboard and the template ----

    // Numbers the map's nodes in hierarchical order.
    void buildNodeIndexMap();
    // Numbers the given nodes in their order (the clipboard numbers the copied nodes itself).
    void setNodes(std::vector<MindMapNode*> nodes);
    const std::vector<MindMapNode*>& nodes() const { return *_listed; }
    // -1 for nullptr and for a node not in the list.
    int64_t indexOfNode(const MindMapNode* node) const;

    // While copying, topics carry "original-level".
    bool copying() const { return _copying; }
    void setCopying(bool copying) { _copying = copying; }

    // Each appends its element(s) to the parent.
    void writeMetaData(pugi::xml_node mindMapElement);
    // "topics": one "topic" per listed node, in list order.
    void writeNodes(pugi::xml_node parent);
    // "relations": one "relation" per cross link of the map whose two ends are listed.
    void writeCrossLinks(pugi::xml_node parent);
    // "stylesheet", for a custom style sheet only.
    void writeCustomStyleSheet(pugi::xml_node mindMapElement);
    void writeImage(MindMapImage& image, pugi::xml_node parent);
    void writeText(MindMapText& text, pugi::xml_node parent);

private:
    // The room reserved for the document of the numbered nodes.
    size_t documentSizeEstimate() const;
    // The document behind the byte-order mark already written. Given imagesPlace, the meta's
    // "images" element may be left to the caller: where it belongs is answered there.
    void writeDocument(XmlTextWriter& out, std::optional<size_t>* imagesPlace = nullptr);
    MindMap& _mindMap;
    std::vector<MindMapNode*> _nodes;
    // The list numbered: _nodes, or the map's own when that is in hierarchical order already, so
    // that a large map's save holds no second list of every topic.
    const std::vector<MindMapNode*>* _listed = &_nodes;
    bool _copying = false;
    // The listed nodes with their indexes, ordered by address: sorting once costs less than
    // hashing every node of a large map. Made only once a few look-ups have been answered by
    // going through the list: most documents look up a handful of nodes (the main central
    // theme, the selection), and a large map's index would take room next to its document.
    mutable std::vector<std::pair<const MindMapNode*, int64_t>> _nodeIndexMap;
    mutable size_t _lookupsWithoutIndex = 0;
};
