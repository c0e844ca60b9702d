#pragma once

#include "MindMaps/MindMapFormats.h"

#include <cstdint>
#include <optional>
#include <string>

// Turns a map kept in another format (OPML, FreeMind, plain text, a PDF's bookmarks) into a native
// map file, for every place that makes maps from such files: the cloud explorers' conversion and
// import. Main thread only.
namespace ForeignMapConversion {

// A file is read whole into memory: larger ones are refused before reading.
inline constexpr uint64_t MaximumFileSize = 64ull * 1024 * 1024;

// The read format of a file name's extension: 4 OPML, 5 FreeMind, 6 text, 7 PDF, 0 none of them.
int32_t readFormatOfFileName(const std::string& fileName);

// The file's bytes; nullopt with the user's message when it is missing, unreadable or too large.
std::optional<MindMapData> readFile(const std::string& path, std::string& error);

// The native document of a map read from the data, under a new GUID; empty when the data is not
// a map of that format, with the reader's description in readerError when it gave one. path: the
// file's own path (its cloud path for a cloud file), which a PDF's map links to.
MindMapData nativeDocumentData(const MindMapData& data, int32_t readFormat, const std::string& path, bool isCloud,
                               std::string& readerError);

// The native file (the archive) holding the document; nullopt when it could not be written. Its
// temporary file, in the scratch folder, is gone when this returns.
std::optional<MindMapData> nativeArchive(const MindMapData& documentData);

// The folder for temporary files: the store's "Scratch", else the system's.
std::string scratchDirectory();
// A new path in the scratch folder that nothing uses.
std::string temporaryFilePath();

} // namespace ForeignMapConversion
