#pragma once

#include "MindMaps/MindMapFormats.h"
#include "platform/Error.h"

#include <pugixml.hpp>

#include <cstddef>
#include <set>
#include <string>

class ImageStore;
class MindMap;
class Pasteboard;
class TwkxMindMapReader;

// Copying the selected topics, images or free texts to a pasteboard, and pasting them back into
// the same or another map.
//
// The clipboard document is the native document's root ("tarnwick-mindmaps") holding one
// "selection" element instead of "mindmap": its "type" names the kind of the primary selected
// element, and it holds the copied topics and the cross links among them, the images or the
// texts, in the native grammar. It goes onto the pasteboard on one line without byte-order mark,
// under PasteboardType, followed by the plain text of the selection under the string type. The
// pictures the copied elements show travel through the clipboard image store.
//
// Pasted elements get new GUIDs. Main thread only.
class MindMapClipboard {
public:
    // The pasteboard type of the clipboard document.
    static constexpr const char* PasteboardType = MindMapPasteboardType;
    // Clipboard documents above this size are refused unread: nothing the editor copies comes
    // near it, and parsing more could exhaust memory.
    static constexpr size_t MaximumDocumentSize = 64u * 1024u * 1024u;

    // Copies to the general pasteboard and the shared clipboard image store.
    static void copySelectionToClipboard(MindMap& mindMap);
    static void copySelectionToClipboard(MindMap& mindMap, Pasteboard& pasteboard, ImageStore* clipboardImages);

    // Pastes the clipboard document into the map: topics under the selected node (or as central
    // themes), images into the selected node, texts into the selected composite. On failure
    // nothing is pasted; the error says why when the pasteboard held no readable clipboard
    // document (codes 1 and 2) or when nothing that could take the content was selected (code 1).
    // A document without a "selection", or of a kind that cannot be pasted, fails without one.
    // The pasteboard holds what was read (Pasteboard::read); the pictures come from the shared
    // clipboard image store unless others are given.
    static bool pasteFromClipboard(MindMap& mindMap, bool asCentralTheme, const Pasteboard& pasteboard,
                                   Error* error = nullptr);
    static bool pasteFromClipboard(MindMap& mindMap, bool asCentralTheme, const Pasteboard& pasteboard,
                                   ImageStore* clipboardImages, Error* error = nullptr);

private:
    MindMapClipboard(MindMap& mindMap, TwkxMindMapReader& reader, ImageStore* clipboardImages);

    bool internalPasteFromClipboard(const Pasteboard& pasteboard, bool asCentralTheme, Error* error);
    bool internalPasteNodes(pugi::xml_node selection, bool asCentralTheme, Error* error);
    bool internalPasteImages(pugi::xml_node selection, Error* error);
    bool internalPasteTexts(pugi::xml_node selection);
    void mergeReferencedImagesFromClipboard();

    MindMap& _mindMap;
    TwkxMindMapReader& _reader;
    ImageStore* _clipboardImages;
    std::set<std::string> _referencedImages;
};
