#pragma once

#include "MindMaps/MindMapFormats.h"
#include "platform/Error.h"

class MindMap;
class Pasteboard;

// The one road from the rest of the system to the import and export filers. Each operation makes
// a filer for the map, runs it and lets it go.
//
// Every export is UTF-8 with a byte-order mark in front (none before empty data). Every import
// fills an empty map that is loading (see MindMap::readFromData) and refuses a map with topics.
class MindMapConverter {
public:
    MindMapConverter() = delete;

    // Tab-indented outline of the whole map or of the selected subtrees.
    static MindMapData exportToText(MindMap& mindMap, bool selectionOnly);
    static MindMapData exportToHtmlOutline(MindMap& mindMap, bool selectionOnly);
    // Always the whole map.
    static MindMapData exportToOpml(MindMap& mindMap);
    static MindMapData exportToFreemind(MindMap& mindMap);

    static bool importFromText(MindMap& mindMap, const MindMapData& data, Error* error = nullptr);
    // The same, letting go of the bytes as soon as they are decoded.
    static bool importFromText(MindMap& mindMap, MindMapData&& data, Error* error = nullptr);
    static bool importFromOpml(MindMap& mindMap, const MindMapData& data, Error* error = nullptr);
    static bool importFromFreemind(MindMap& mindMap, const MindMapData& data, Error* error = nullptr);

    // Reads UTF-8 (or any text the text import recognises) as an outline into a fresh map of the
    // local image store and returns that map as a native document; empty, with the reason, when
    // the text cannot be read or is beyond the text import's limits.
    static MindMapData twkxDataFromUTF8Data(const MindMapData& data, Error* error = nullptr);

    // Pastes the plain text read from a pasteboard as a list of topics under the selected topic
    // (see PlainTextImporter::pasteTextAsList).
    static void pasteTextAsList(MindMap& mindMap, const Pasteboard& pasteboard);
};

// Registers the foreign formats with the map's format table: readers for the older property-list
// document (1), OPML (4), FreeMind (5)
// and plain text (6), writers for the HTML outline (5), plain text (6), OPML (7) and FreeMind (8),
// and pasting text as a list of topics.
void registerForeignFormats();
