#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// The formats document data can be recognised as.
enum MindMapDocumentFormat : int32_t {
    DocumentFormatNone = 0,
    DocumentFormatPropertyList = 1, // the older property-list document, root "plist"
    DocumentFormatNativeXml = 2,    // root "tarnwick-mindmaps"
    DocumentFormatZipContainer = 3, // the native zip container
    DocumentFormatOpml = 4,         // root "opml"
    DocumentFormatFreeMind = 5,     // root "map"
};

// Tells the format of document data from its first bytes or its first XML element, without
// reading any further than that element's start tag.
class MindMapFormatDetector {
public:
    // One of MindMapDocumentFormat; 0 for empty data and for data that is no well-formed XML up
    // to its first element.
    int32_t detectMindMapFormat(std::span<const uint8_t> data);

    // Decides the format by the first element's name.
    void didStartElement(std::string_view elementName);

    int32_t format() const { return _format; }

private:
    int32_t _format = DocumentFormatNone;
};
