#pragma once

#include "MindMaps/MindMapFormats.h"
#include "platform/Error.h"

// The limits every road that brings a document in holds it to, checked on the data alone: a zip
// container within the archive limits (UnzipArchive::Limits) and topics nested no deeper than
// TopicDepthLimit allows. Each reader applies them itself before it builds anything; this check
// lets a caller refuse data before it hands it on, as the device link does with an upload on the
// thread that received it.
//
// Reads nothing but the data and changes no shared state: safe on any thread, with any number
// of checks at once.
class DocumentLimits {
public:
    DocumentLimits() = delete;

    // Whether the data is within the limits: a native document (bare, or in its container), an
    // older property-list document, OPML or FreeMind, told by content as the import tells them.
    // False, with the reader's reason naming the limit passed, for a container beyond the archive
    // limits and for topics nested too deeply. Data of no such format, or that does not parse, is
    // left to the reader of the road it takes, which refuses it with its own reason: true.
    static bool acceptsData(const MindMapData& data, Error* error = nullptr);

    // Whether a native document (bare, or in its container) brings no text of a topic or a free
    // text longer than TopicTextLimit lets new text be, for data that comes in as new input rather than as a map
    // the user already has: an upload. False, with the length and the limit, when one is longer.
    // The importers of other formats hold each text to the limit themselves, and data that does
    // not read is left to its reader: true.
    static bool acceptsNewTopicTexts(const MindMapData& data, Error* error = nullptr);
};
