#pragma once

#include "platform/Error.h"

#include <cstdint>
#include <functional>
#include <vector>

class MindMap;
class Pasteboard;

// The bytes of a document or an export.
using MindMapData = std::vector<uint8_t>;

// The most a map's file (its document, bare or in a container with its pictures) may hold to be
// read: far beyond any map a person makes, and as much as a container's one document may unpack
// to.
inline constexpr uint64_t MaximumMindMapFileSize = uint64_t(512) << 20;

// The formats a map reads from (readFromData) and saves in (dataOfType), by code.
enum class MindMapReadFormat : int32_t {
    PropertyList = 1, // the older property-list document
    Native = 2,
    Opml = 4,
    FreeMind = 5,
    PlainText = 6,
};

// The formats a map exports to (exportDataOfFormat), by code.
enum class MindMapExportFormat : int32_t {
    Native = 0,
    Pdf = 1,
    Png = 2,
    Tiff = 3,
    Eps = 4,
    HtmlOutline = 5,
    PlainText = 6,
    Opml = 7,
    FreeMind = 8,
};

bool isMindMapReadFormat(int32_t code);
bool isMindMapExportFormat(int32_t code);

struct MindMapExportOptions {
    double imageScaleFactor = 1.0; // bitmap exports only
    bool selectionOnly = false;    // the rendered and outline exports only
};

// Fills a map that is loading from the data; false on failure, with the reason in *error when
// the reader has one.
using MindMapReader = std::function<bool(MindMap& mindMap, const MindMapData& data, Error* error)>;
// The map's data in one format; empty on failure.
using MindMapWriter = std::function<MindMapData(MindMap& mindMap, const MindMapExportOptions& options, Error* error)>;
// The detected format code of some data; 0 when none.
using MindMapFormatDetection = std::function<int32_t(const MindMapData& data)>;

// The pasteboard type under which a map's clipboard document travels.
inline constexpr const char* MindMapPasteboardType = "Tarnwick MindMap type";

// Copies the selected topics, images or texts to the general pasteboard as a clipboard document.
using MindMapSelectionCopier = std::function<void(MindMap& mindMap)>;
// Pastes the clipboard document read from the general pasteboard into the map; false on failure,
// with the reason in *error when there is one to tell.
using MindMapClipboardPaster =
    std::function<bool(MindMap& mindMap, bool asCentralTheme, const Pasteboard& contents, Error* error)>;
// Adds the text read from the general pasteboard as a list of topics.
using MindMapTextListPaster = std::function<void(MindMap& mindMap, const Pasteboard& contents)>;

// The process-wide table through which a map reaches the readers and writers of the document
// formats and of the clipboard document. The formats library registers its readers and writers,
// the painting library its picture exports; a code nobody registered reads and writes nothing.
// Main thread only.
namespace MindMapFormats {

// An empty function removes the entry.
void registerReader(MindMapReadFormat format, MindMapReader reader);
void registerWriter(MindMapExportFormat format, MindMapWriter writer);
void registerDetection(MindMapFormatDetection detection);
void registerClipboard(MindMapSelectionCopier copier, MindMapClipboardPaster paster);
void registerTextListPaster(MindMapTextListPaster paster);

// nullptr for a code that is not a read (export) format or that has nothing registered.
const MindMapReader* reader(int32_t code);
const MindMapWriter* writer(int32_t code);
// 0 while no detection is registered.
int32_t detectFormat(const MindMapData& data);
// Empty functions while nothing is registered.
const MindMapSelectionCopier& selectionCopier();
const MindMapClipboardPaster& clipboardPaster();
const MindMapTextListPaster& textListPaster();

} // namespace MindMapFormats
