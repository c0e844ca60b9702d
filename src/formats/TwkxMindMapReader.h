#pragma once

#include "MindMaps/MindMapFormats.h"
#include "platform/Error.h"
#include "platform/Geometry.h"

#include "formats/DocumentDamage.h"
#include "formats/SelectionParcel.h"

#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

class CompositeElement;
class MindMap;
class MindMapImage;
class MindMapNode;
class MindMapRelation;
class MindMapText;

// Reads the native document into a map that is loading (the caller brackets the read with the
// map's beginLoading and loadingCompleted, as MindMap::readFromData does).
//
// Reading is tolerant inside "mindmap": missing elements and attributes take their defaults,
// unknown ones are ignored, relations to unknown topics are dropped, and topics whose parent is
// unknown, themselves or one of their own descendants become central themes (of topics sharing
// an id, the first keeps it). Nothing from the document expands entities or fetches anything.
//
// One reader is made for one operation on one map. Main thread only.
class TwkxMindMapReader {
public:
    // Documents that do not parse (DocumentDamage).
    static constexpr const char* XmlErrorDomain = DocumentDamage::ErrorDomain;

    explicit TwkxMindMapReader(MindMap& mindMap);
    TwkxMindMapReader(const TwkxMindMapReader&) = delete;
    TwkxMindMapReader& operator=(const TwkxMindMapReader&) = delete;

    // Fills the map from the document. Empty data, a foreign root element or a missing "mindmap"
    // fail without an error object; XML that does not parse fails with what is wrong with it
    // (DocumentDamage::parseError), and topics nested deeper than TopicDepthLimit allows with the
    // limit. In those cases the map is not touched.
    static bool readMindMap(MindMap& mindMap, const MindMapData& data, Error* error = nullptr);
    // An undo snapshot: the same reading, of the map's own state, which no limit refuses.
    static bool loadMindMap(MindMap& mindMap, const std::string& undoState, Error* error = nullptr);
    // The levels the "topics" of the element (a "mindmap" or a clipboard "selection") make once
    // linked as readNodes links them; measured from the ids alone, before any topic is made.
    static size_t topicLevels(pugi::xml_node parent);
    // Where reading puts a topic that a document of this version was written with at the
    // location: each coordinate as the writer writes it, to two decimals, and within the reader's
    // bounds.
    static Point topicLocationAsWritten(Point location);
    // Parses with the options every native document is read with: entity references other than
    // the five predefined ones and character references stay text, and a document type
    // declaration (internal subset included) is skipped unread.
    static bool parseDocument(pugi::xml_document& document, const void* data, size_t size, Error* error = nullptr);

    MindMap& mindMap() const { return _mindMap; }

    bool readMindMapFromData(const void* data, size_t size, Error* error = nullptr);

    // ---- Steps, for the clipboard ----

    // Generator, its version, document version and the scale factor of positions.
    void readDocumentProperties(pugi::xml_node root);
    void readMetaData(pugi::xml_node mindMapElement);
    // The "topics" of the parent: creates the topics and links each to its parent. The map's
    // existing nodes are first given an id no document uses.
    void readNodes(pugi::xml_node parent);
    // The "relations" of the parent, between topics of this document.
    void readCrossLinks(pugi::xml_node parent);
    // The images and free texts of a "children" element into the container.
    void readContainedElements(pugi::xml_node children, CompositeElement& container);
    // nullptr for an image without a usable name.
    MindMapImage* readImage(pugi::xml_node element, CompositeElement& container);
    MindMapText* readText(pugi::xml_node element, CompositeElement& container);
    void readSelectionState(pugi::xml_node meta);
    // Selects the element the document's selection state names, when there is one.
    void restoreSelection();

    // While pasting, GUIDs are not read (pasted elements get new ones), "original-level" is, and
    // the images the pasted topics show are collected.
    void setIsPasting(bool pasting) { _isPasting = pasting; }
    const std::set<std::string>& referencedImages() const { return _referencedImages; }

    // Waits for its caller in the shell.
    int64_t documentVersion() const { return _documentVersion; }
    int32_t generator() const { return _generator; }
    // Waits for its caller in the shell.
    const std::string& generatorVersion() const { return _generatorVersion; }

    // An image hash names a file of an image store: it must not reach outside its folder.
    static bool isUsableImageHash(const std::string& hash);

private:
    // Makes the topic and answers the id of the parent it names, which readNodes() links once
    // every topic is made.
    int64_t readNode(pugi::xml_node topic);
    void readParentRelation(pugi::xml_node element, MindMapNode& node);
    void readLink(pugi::xml_node link, MindMapNode& node);
    void readCustomPath(pugi::xml_node element, MindMapRelation& relation);
    // A position read from the document, scaled, within the range the model handles.
    Point scaledPoint(double x, double y) const;
    // The topic of this document with that id (of topics sharing one, the first), as the map's
    // findNodeOnId answers it but from the table readNodes made, so that the map need not index
    // every node for the few look-ups of relations and the main theme.
    MindMapNode* nodeOnId(int64_t id);

    MindMap& _mindMap;
    pugi::xml_document _document;
    std::set<std::string> _referencedImages;
    SelectionParcel _selectionState;
    int64_t _mainCentralThemeId = -1;
    int64_t _documentVersion = -1;
    int32_t _generator = 0;
    std::string _generatorVersion;
    double _documentScaleFactor = 1.0;
    bool _isPasting = false;
    bool _checksDepth = true;
    // The topics read, by id: documents number them 0, 1, 2, ..., so those ids index a plain
    // table and any others a hash table.
    bool _idTableMade = false;
    std::vector<MindMapNode*> _nodesByDenseId;
    std::unordered_map<int64_t, MindMapNode*> _nodesBySparseId;
};

// Registers the native document's reader (format code 2) and writer (export code 0) with the
// map's format table together with the format detector and the clipboard document, and makes it
// the format of the maps' undo snapshots and of the style sheet and style preset files.
void registerNativeFormat();
