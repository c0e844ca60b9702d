#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <string>

class CrossLink;
class MindMap;
class MindMapElement;
class MindMapNode;
class TwkxMindMapWriter;

// A record of the selected element that survives a reload of the map (undo, reopening from the
// navigation history, reading a document). It names the element by GUID and, as a fallback, by
// the node it belongs to and its place there; how nodes are numbered depends on the filer pair
// that writes and reads it.
struct SelectionParcel {
    // Element type bit of the selected element; 0 means nothing was selected.
    int32_t elementType = 0;
    // For a text or image: the element type bit of its container.
    int32_t containerType = 0;
    // The selected element is a text or image.
    bool childSelection = false;
    // The node the element belongs to.
    int64_t nodeId = -1;
    // The place of a text or image within its container.
    int64_t childIndex = -1;
    // For a cross link, or an element held by one: its source node.
    int64_t sourceId = -1;
    // The text of the node the element belongs to; empty when none.
    std::string infoText;
    // Empty when the element had no GUID.
    std::string elementGuid;
};

// A filer works on one parcel for one map; both must outlive it.
class SelectionParcelFiler {
public:
    SelectionParcelFiler(SelectionParcel& parcel, MindMap* mindMap) : _parcel(parcel), _mindMap(mindMap) {}
    virtual ~SelectionParcelFiler() = default;
    SelectionParcelFiler(const SelectionParcelFiler&) = delete;
    SelectionParcelFiler& operator=(const SelectionParcelFiler&) = delete;

    SelectionParcel& parcel() const { return _parcel; }
    MindMap* mindMap() const { return _mindMap; }

protected:
    SelectionParcel& _parcel;
    MindMap* _mindMap;
};

// Finds the recorded element again. Never fails: without the exact element it falls back to the
// node, and without a known node to nothing.
class SelectionParcelReader : public SelectionParcelFiler {
public:
    using SelectionParcelFiler::SelectionParcelFiler;

    // The node of that id in the reader's numbering; the base knows none.
    virtual MindMapNode* getNodeOnId(int64_t nodeId);
    // The first cross link of the map between the recorded source node and the target, in
    // either direction.
    CrossLink* locateSelectionCrossLink(MindMapNode* target);
    MindMapElement* restoreSelection();
};

// Fills the parcel from the map's primary selected element.
class SelectionParcelWriter : public SelectionParcelFiler {
public:
    using SelectionParcelFiler::SelectionParcelFiler;

    // The node's id in the writer's numbering; the base numbers none (-1).
    virtual int64_t getNodeId(MindMapNode* node);
    // Nothing without a map or a selection. The element's GUID is recorded when it has one; it is
    // given one only when the map has unsaved changes anyway, so that capturing never makes an
    // unmodified map modified.
    void capture();
};

// Node ids are indexes into the map's node list: for a map that is reloaded from itself in the
// same order (the navigation history).
class MindMapSelectionParcelReader : public SelectionParcelReader {
public:
    using SelectionParcelReader::SelectionParcelReader;
    MindMapNode* getNodeOnId(int64_t nodeId) override;
};

class MindMapSelectionParcelWriter : public SelectionParcelWriter {
public:
    using SelectionParcelWriter::SelectionParcelWriter;
    int64_t getNodeId(MindMapNode* node) override;
};

// Node ids are the node indexes of a native document: the load-time ids its reader gave the
// nodes.
class TwkxSelectionParcelReader : public SelectionParcelReader {
public:
    TwkxSelectionParcelReader(SelectionParcel& parcel, MindMap& mindMap) : SelectionParcelReader(parcel, &mindMap) {}
    MindMapNode* getNodeOnId(int64_t nodeId) override;
};

// Numbers nodes as the native writer does; the writer (and its map) must outlive this filer.
class TwkxSelectionParcelWriter : public SelectionParcelWriter {
public:
    TwkxSelectionParcelWriter(SelectionParcel& parcel, TwkxMindMapWriter& writer);
    int64_t getNodeId(MindMapNode* node) override;

private:
    TwkxMindMapWriter& _writer;
};

// The "selection" element of a document's "meta": added to the parent only when the parcel
// records a selected element.
void writeSelectionState(const SelectionParcel& parcel, pugi::xml_node meta);
// The parcel a "selection" element describes; a null element gives the empty parcel.
SelectionParcel readSelectionState(pugi::xml_node selection);
