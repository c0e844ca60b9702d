#pragma once

#include "MindMaps/MindMapFormats.h"
#include "platform/Error.h"
#include "store/MindMapStore.h"

#include <string>

class MindMapInfoItem;
class MindMapStoreFolder;

// Brings a file of any supported kind into the local store: PDF bookmarks, plain text, the native
// document (bare or in its container), the older property-list document, OPML and FreeMind.
// PDF and text go by the file name's extension (in any letter case), everything else by content.
//
// A native document keeps its GUID when that can name a map file; when the store already has a
// map of that GUID the user is asked: overwrite it (ModalAlert::AlertFirstButtonReturn), import
// as a new map under a fresh GUID (the next answer), or cancel. Every import changes the store
// inside one update bracket, so it posts one store-changed notification. Main thread only.
class MindMapImporter {
public:
    MindMapImporter() = delete;

    static constexpr int OverwriteAnswer = 1000;
    static constexpr int ImportAsNewAnswer = 1001;

    // The store item of the imported (or overwritten) map; nullptr when nothing was imported, and
    // then the store is unchanged. folder: where a new map goes (the root for nullptr); an
    // overwritten map stays where it is. A refusal fills the error with the reader's reason (a
    // cancelled overwrite question fills none). Text beyond the text import's limits is refused
    // with the limit in the reason; running out of memory is a refusal like any other.
    // A target's map takes a FreeMind or OPML document as MindMapStore::importMindMap() says.
    static MindMapInfoItem* importMindMapFromData(const MindMapData& data, const std::string& fileName,
                                                  MindMapStoreFolder* folder, Error* error = nullptr,
                                                  MindMapStore::ImportTarget* target = nullptr);
    // The same for a file, which is read only when it can be imported at all: a text file larger
    // than the text import takes is refused by its size.
    static MindMapInfoItem* importMindMapFromFile(const std::string& path, MindMapStoreFolder* folder,
                                                  Error* error = nullptr, MindMapStore::ImportTarget* target = nullptr);
    // The bytes of a file to import, refused unread when no import takes a file that large: a
    // text (asText) beyond the text import's limit with its size in the reason, any other file
    // beyond a map's file as a document damaged beyond reading.
    static std::optional<MindMapData> readImportedFile(const std::string& path, bool asText, Error* error = nullptr);

private:
    static MindMapInfoItem* importConvertedData(const MindMapData& data, const std::string& fileName,
                                                MindMapStoreFolder* folder, Error* error,
                                                MindMapStore::ImportTarget* target);
};
